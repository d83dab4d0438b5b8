#include "livesteps.h"

#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "operationerror.h"
#include "photoreader.h"

#include <QFileInfo>
#include <QPixmap>

#include <algorithm>

namespace livesteps {

namespace {

struct Step {
    const char *name;
    int arguments;
    std::vector<int> pictures;
    Outcome (*run)(ZQDImageEngine &engine, const QVariantList &args, const std::vector<QImage> &pictures);
};

Outcome pictureOutcome(const QPixmap &pixmap)
{
    return {pixmap.toImage(), {}, !pixmap.isNull()};
}

Outcome pictureOutcome(QImage picture)
{
    const bool ok = !picture.isNull();
    return {std::move(picture), {}, ok};
}

const std::vector<Step> &steps()
{
    static const std::vector<Step> table = {
        {"mixingcolorImage", 6, {0},
         [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(engine.MixingColorBCS(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt(),
                                                         a[4].toInt(), a[5].toInt()));
         }},
        {"SharpImage", 4, {0},
         [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(engine.SharpenImage(p[0], a[1].toInt(), a[2].toInt(), a[3].toFloat()));
         }},
        {"weakprogress", 5, {},
         [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &) {
             return pictureOutcome(engine.weakprogress(a[1].toDouble(), a[2].toDouble(), a[3].toInt(), a[4].toInt()));
         }},
        {"weakRectprogress", 7, {},
         [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &) {
             return pictureOutcome(engine.weakRectprogress(a[1].toDouble(), a[2].toDouble(), a[3].toInt(),
                                                           a[4].toInt(), a[5].toInt(), a[6].toInt()));
         }},
        {"tools.toneImage", 7, {0},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(EditorTools::toned(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt(), a[4].toInt(),
                                                      a[5].toInt(), a[6].toInt()));
         }},
        {"tools.blendImage", 3, {0, 1},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(EditorTools::blended(p[0], p[1], a[2].toDouble()));
         }},
        {"tools.brightnessHistogram", 2, {0},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             const QVariantList shares = EditorTools::histogramOf(p[0], a[1].toInt());
             return Outcome{{}, shares, !shares.isEmpty()};
         }},
        // --- retouching and local edits (editing/heal.cpp ... colourmixer.cpp) ---
        {"tools.healImage", 4, {0},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(EditorTools::healed(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt()));
         }},
        {"tools.selectiveImage", 7, {0},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(EditorTools::selected(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt(),
                                                         a[4].toInt(), a[5].toInt(), a[6].toInt()));
         }},
        {"tools.perspectiveImage", 3, {0},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(EditorTools::keystoned(p[0], a[1].toDouble(), a[2].toDouble()));
         }},
        {"tools.curvesImage", 3, {0},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(EditorTools::curved(p[0], a[1].toString(), a[2].toString()));
         }},
        {"tools.hslImage", 5, {0},
         [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
             return pictureOutcome(EditorTools::hslMixed(p[0], a[1].toString(), a[2].toInt(), a[3].toInt(),
                                                         a[4].toInt()));
         }},
        // --- end of retouching ---
    };
    return table;
}

const Step *stepNamed(const QString &operation)
{
    for (const Step &s : steps()) {
        if (operation == QLatin1String(s.name))
            return &s;
    }
    return nullptr;
}

}  // namespace

bool known(const QString &operation)
{
    return stepNamed(operation) != nullptr;
}

std::vector<int> pictureArguments(const QString &operation)
{
    const Step *step = stepNamed(operation);
    return step ? step->pictures : std::vector<int>();
}

Outcome run(ZQDCommunication &facade, const QString &operation, const QVariantList &args,
            const std::vector<QImage> &pictures)
{
    const Step *step = stepNamed(operation);
    if (!step || args.size() != step->arguments || pictures.size() != step->pictures.size()) {
        OperationError::set(QStringLiteral("\u201c%1\u201d cannot be previewed with these arguments.").arg(operation));
        return {};
    }
    for (const QImage &picture : pictures) {
        if (picture.isNull()) {
            OperationError::set(QStringLiteral("%1: the picture to preview on cannot be read.").arg(operation));
            return {};
        }
    }
    Outcome outcome = step->run(*facade.engine(), args, pictures);
    if (!outcome.ok)  // the first reason recorded wins
        OperationError::set(QStringLiteral("%1: the preview could not be made.").arg(operation));
    return outcome;
}

QImage DecodedPictures::find(const QString &path)
{
    const QFileInfo file(path);
    auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry &e) { return e.path == path; });
    if (it != entries.end()) {
        Entry kept = std::move(*it);
        entries.erase(it);
        if (file.exists() && file.lastModified() == kept.modified && file.size() == kept.bytes) {
            entries.push_back(std::move(kept));
            return entries.back().picture;
        }
    }
    QImage picture = imageio::readPicture(path);
    keep(path, picture);
    return picture;
}

void DecodedPictures::put(const QString &path, const QImage &picture)
{
    // A PNG of these reads back as Format_RGB32 or Format_ARGB32 with the
    // same pixels (straight alpha); any other format might not.
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32)
        keep(path, picture);
}

void DecodedPictures::keep(const QString &path, const QImage &picture)
{
    std::erase_if(entries, [&](const Entry &e) { return e.path == path; });
    if (picture.isNull())
        return;
    const QFileInfo file(path);
    if (entries.size() >= kKept)
        entries.erase(entries.begin());
    entries.push_back({path, picture, file.lastModified(), file.size()});
}

}  // namespace livesteps
