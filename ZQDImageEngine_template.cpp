// Template collages: the bordered, patterned background and its cells
// (getTemplateRule), one placed photo zoomed, turned, mirrored and cut to its
// cell (revolvImageTemplate), and the collage drawn from the picture list onto
// a saved background (mixtemplateImages, which stitched collages use too).
//
// Contents
//   shared helpers: reading layout files, drawing placed pictures
//   reading a border file
//   getTemplateRule
//   revolvImageTemplate
//   mixtemplateImages
#include "ZQDImageEngine.h"

#include "ImageDispose.h"
#include "collagesupport.h"
#include "logging.h"
#include "photoreader.h"
#include "smoothscale.h"

#include "ctemplatepuzzle.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

using collagesupport::allocatable;
using collagesupport::kMaxPictureSide;
using collagesupport::PlacedPicture;

// --- shared collage helpers --------------------------------------------------

namespace collagesupport {

std::optional<QByteArray> readLayoutBytes(const QString &path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (bytes.size() > INT_MAX)
        return std::nullopt;
    return bytes;
}

namespace {

// A transparent canvas from the origin to the farthest right and bottom edge
// of the pictures, at least `least`, held to kMaxPictureSide.
QImage collageCanvas(const QList<PlacedPicture> &pictures, QSize least)
{
    double right = least.width();
    double bottom = least.height();
    for (const PlacedPicture &p : pictures) {
        right = std::max(right, p.at.x() + p.picture.width());
        bottom = std::max(bottom, p.at.y() + p.picture.height());
    }
    const int w = int(std::min<double>(std::ceil(right), kMaxPictureSide));
    const int h = int(std::min<double>(std::ceil(bottom), kMaxPictureSide));
    if (!allocatable(w, h))
        return {};
    QImage canvas(w, h, QImage::Format_ARGB32);
    if (!canvas.isNull())
        canvas.fill(0);
    return canvas;
}

// The background as a picture a painter can draw on: 32-bit, its alpha kept.
QImage paintable(QImage background)
{
    switch (background.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return background;
    default:
        return background.convertToFormat(background.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                        : QImage::Format_RGB32);
    }
}

}  // namespace

QPixmap drawCollage(QImage background, const QList<PlacedPicture> &pictures, QSize least)
{
    if (background.isNull()) {
        if (pictures.isEmpty())
            return {};
        background = collageCanvas(pictures, least);
    } else {
        background = paintable(std::move(background));
    }
    if (background.isNull())
        return {};
    {
        QPainter painter(&background);
        for (const PlacedPicture &p : pictures)
            painter.drawImage(p.at, p.picture);
    }
    return QPixmap::fromImage(std::move(background));
}

QImage roundedCorners(QImage picture, double radius)
{
    if (!(radius > 0) || picture.isNull())
        return picture;
    radius = std::min({radius, picture.width() / 2.0, picture.height() / 2.0});
    picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainterPath outside;
    outside.setFillRule(Qt::OddEvenFill);
    outside.addRect(picture.rect());
    outside.addRoundedRect(QRectF(picture.rect()), radius, radius);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(outside, Qt::black);
    return picture;
}

}  // namespace collagesupport

// --- border files ------------------------------------------------------------

ZQDImageEngine::BorderRead ZQDImageEngine::readTemplateBorder(const QString &frameStyle)
{
    std::optional<QByteArray> bytes = collagesupport::readLayoutBytes(frameStyle);
    if (!bytes) {
        qCDebug(lcCollage) << "not get frameInifile";
        return BorderRead::Missing;
    }
    qCDebug(lcCollage) << " frameInifile is exist path=" << frameStyle;
    qCDebug(lcCollage) << "before frameInitByte.length()=" << bytes->size();
    qCDebug(lcCollage) << "frameInitByte.length()=" << bytes->size();
    if (templatePuzzle->ReadPuzzleFrameFile(reinterpret_cast<uchar *>(bytes->data()), int(bytes->size())) == 0)
        return BorderRead::Refused;
    templateBorderRead = true;
    borderFile = frameStyle;
    return BorderRead::Read;
}

// --- getTemplateRule ---------------------------------------------------------

QPixmap ZQDImageEngine::getTemplateRule(QString templateStyle, QString frameStyle, QString pingpuFile)
{
    int flag = 0;
    if (std::optional<QByteArray> layout = collagesupport::readLayoutBytes(templateStyle)) {
        qCDebug(lcCollage) << "templateInifileByte.length()=" << layout->size();
        flag = templatePuzzle->ReadPuzzleFormatFile(reinterpret_cast<uchar *>(layout->data()), int(layout->size()));
    } else {
        qCDebug(lcCollage) << "not get templateInifile";
    }

    const BorderRead border = readTemplateBorder(frameStyle);
    if (border != BorderRead::Missing)
        flag = border == BorderRead::Read ? 1 : 0;

    // Without any border there is no size to build; the cells stay as they are.
    if (!templateBorderRead) {
        qCDebug(lcCollage) << "getTemplateRule: no border was ever read";
        return {};
    }
    const _tagCGSize resultImageSize = templatePuzzle->ResetAll();
    qCDebug(lcCollage) << "resultImageSize.wid=" << resultImageSize.w;
    qCDebug(lcCollage) << "resultImageSize.hei=" << resultImageSize.h;
    if (!allocatable(resultImageSize.w, resultImageSize.h)) {
        qCDebug(lcCollage) << "getTemplateRule: no background of that size";
        return {};
    }

    if (flag) {
        clearImageRectList();
        for (int i = 0; i < templatePuzzle->GetFormatCount(); ++i) {
            const _tagCGRect rectViewDraw = templatePuzzle->GetFormatRectWithIndex(i);
            qCDebug(lcCollage) << "rectViewDraw.x=" << rectViewDraw.x;
            qCDebug(lcCollage) << "rectViewDraw.y=" << rectViewDraw.y;
            qCDebug(lcCollage) << "rectViewDraw.w=" << rectViewDraw.w;
            qCDebug(lcCollage) << "rectViewDraw.h=" << rectViewDraw.h;
            // A parent keeps the cell the engine's when QML is handed it (a parentless
            // object returned to QML is taken over and collected by the QML engine).
            addImageRect(new ZQDImageRect(rectViewDraw.x, rectViewDraw.y, rectViewDraw.w, rectViewDraw.h, 0.0f, this));
        }
    }

    return borderedBackground(resultImageSize.w, resultImageSize.h, pingpuFile);
}

QPixmap ZQDImageEngine::borderedBackground(int width, int height, const QString &pingpuFile)
{
    QImage pingpuImage = pingpu(width, height, pingpuFile);
    qCDebug(lcCollage) << "pingpuImage " << (pingpuImage.isNull() ? "is null " : "is not null");
    uchar *pixels = pixelBuffer(pingpuImage);
    if (!pixels)
        return {};
    templatePuzzle->GetResultBackImage(pixels, width, height);
    lastBordered = {borderFile, pingpuFile, QSize(width, height)};
    return QPixmap::fromImage(std::move(pingpuImage));
}

// --- revolvImageTemplate -----------------------------------------------------

QImage ZQDImageEngine::revolvImageTemplate(QString imagePath, float srcWidth, float srcHeight, float xTemp,
                                           float yTemp, float scale, float degree, bool horizontal, bool vertical)
{
    const bool existStatus = QFile::exists(imagePath);
    qCDebug(lcCollage) << "existStatus=" << existStatus;
    if (!existStatus)
        return {};

    // The cut: srcWidth x srcHeight pixels at (xTemp, yTemp), all truncated.
    const auto cut = collagesupport::pictureSize(srcWidth, srcHeight);
    const auto left = collagesupport::copyOffset(xTemp);
    const auto top = collagesupport::copyOffset(yTemp);
    if (!cut || !left || !top) {
        qCDebug(lcCollage) << "revolvImageTemplate: no cut of" << srcWidth << "x" << srcHeight << "at" << xTemp
                           << yTemp;
        return {};
    }

    QImage currentImage = imageio::readPicture(
        imagePath, [scale](QSize upright) { return collagesupport::decodeSize(upright, scale); });
    qCDebug(lcCollage) << "getScaleImage currentImage " << (currentImage.isNull() ? "is null" : "is not null");
    if (currentImage.isNull())
        return {};

    if (!allocatable(collagesupport::turnedSize(currentImage.size(), degree)))
        return {};
    currentImage = rotate(currentImage, degree).mirrored(horizontal, vertical);

    qCDebug(lcCollage) << "srcWidth=" << srcWidth;
    qCDebug(lcCollage) << "srcHeight=" << srcHeight;
    return currentImage.copy(QRect(QPoint(*left, *top), *cut));
}

// --- mixtemplateImages -------------------------------------------------------

QImage ZQDImageEngine::collageBackground(QString bgImagePath)
{
    const QString path = stripFileUrl(std::move(bgImagePath)).remove(QStringLiteral("qrc"));
    QImage bgImage = getScaleImage(path, 1.0);
    qCDebug(lcCollage) << "mixImages bgImage  is null =" << bgImage.isNull();
    return bgImage;
}

namespace {

// The print variant of a bundled border or pattern ("puzzleframe/002.ptbj"
// at 4x: "puzzleframe@4x/002.ptbj"), or nothing when the bundle has none.
QString printVariant(const QString &path, int printScale)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return {};
    const QString variant = path.left(slash) + QStringLiteral("@%1x").arg(printScale) + path.mid(slash);
    return QFile::exists(variant) ? variant : QString();
}

// `border` read into a reader of its own and applied to `picture`; false
// when it cannot be read.
bool applyBorder(const QString &border, QImage &picture)
{
    std::optional<QByteArray> bytes = collagesupport::readLayoutBytes(border);
    ctemplatepuzzle reader;
    if (!bytes || !reader.ReadPuzzleFrameFile(reinterpret_cast<uchar *>(bytes->data()), int(bytes->size())))
        return false;
    reader.GetResultBackImage(picture.bits(), picture.width(), picture.height());
    return true;
}

// The same pixels, whatever the formats or colour spaces say (what is fully
// transparent counts as the same whatever its colour).
bool samePixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pa.height(); ++y)
        if (std::memcmp(pa.constScanLine(y), pb.constScanLine(y), std::size_t(pa.width()) * 4) != 0)
            return false;
    return true;
}

}  // namespace

QImage ZQDImageEngine::redrawnBackground(const QImage &background, int printScale)
{
    const BorderedRecipe &recipe = lastBordered;
    if (recipe.border.isEmpty() || recipe.size != background.size())
        return {};
    const QString border = printVariant(recipe.border, printScale);
    if (border.isEmpty())
        return {};
    const QString path = QString(recipe.pattern).remove(QStringLiteral("file://")).remove(QStringLiteral("qrc://"));
    // Only what this recipe gives at the canvas size is drawn again larger.
    QImage same = pingpu(recipe.size.width(), recipe.size.height(), path);
    if (same.isNull() || !applyBorder(recipe.border, same) || !samePixels(same, background))
        return {};
    const QSize larger = recipe.size * printScale;
    QImage redrawn;
    if (const QString pattern = printVariant(path, printScale); !pattern.isEmpty()) {
        redrawn = pingpu(larger.width(), larger.height(), pattern);
    } else {
        // A textured tile is enlarged among its own repeats (so its edges
        // meet without a seam), then tiled at the larger size.
        const QImage tile(path);
        if (tile.isNull())
            return {};
        QImage around(tile.size() * 3, QImage::Format_ARGB32);
        around.fill(0);
        {
            QPainter painter(&around);
            painter.drawTiledPixmap(around.rect(), QPixmap::fromImage(tile));
        }
        const QImage enlarged = smoothscale::scaled(around, around.size() * printScale)
                                    .copy(QRect(QPoint(tile.width(), tile.height()) * printScale, tile.size() * printScale));
        redrawn = QImage(larger, QImage::Format_ARGB32);
        if (redrawn.isNull() || enlarged.isNull())
            return {};
        redrawn.fill(0);
        QPainter painter(&redrawn);
        painter.drawTiledPixmap(redrawn.rect(), QPixmap::fromImage(enlarged), QPoint(0, 0));
    }
    if (redrawn.isNull() || !applyBorder(border, redrawn))
        return {};
    return redrawn;
}

QImage ZQDImageEngine::printBackground(QString bgImagePath, int printScale)
{
    QImage background = collageBackground(std::move(bgImagePath));
    if (printScale == 1 || background.isNull())
        return background;
    const QSize larger = background.size() * printScale;
    if (!allocatable(larger))
        return {};
    // The border and the pattern drawn for the scale, when the background is
    // the one this engine made from them; otherwise its bitmap enlarged.
    if (QImage redrawn = redrawnBackground(background, printScale); !redrawn.isNull())
        return redrawn;
    return smoothscale::scaled(background, larger);
}

int ZQDImageEngine::collagePrintScale() const
{
    if (paintImageList.isEmpty())
        return 1;
    for (int scale : {4, 3, 2}) {
        // A photo drawn at zoom z on the canvas is drawn at z x scale; it may
        // not go past its own pixels (z x scale <= 1) unless z already does.
        const bool sharp = std::all_of(paintImageList.cbegin(), paintImageList.cend(), [scale](ZQDPaintImage *p) {
            const double zoom = p->getscale();
            return std::isfinite(zoom) && zoom > 0 && zoom * scale <= 1.0;
        });
        if (sharp)
            return scale;
    }
    return 1;
}

QPixmap ZQDImageEngine::mixtemplateImages(QString bgImagePath)
{
    return mixtemplateImages(std::move(bgImagePath), 1);
}

QPixmap ZQDImageEngine::mixtemplateImages(QString bgImagePath, int printScale, double cornerRadius)
{
    if (printScale < 1) {
        clearPaintImageList();
        return {};
    }
    const QImage bgImage = printBackground(std::move(bgImagePath), printScale);
    const float k = float(printScale);

    QList<PlacedPicture> pictures;
    for (ZQDPaintImage *p : std::as_const(paintImageList)) {
        qCDebug(lcCollage) << "paintImageList[i]->imagePath= " << p->getImagePath();
        qCDebug(lcCollage) << "paintImageList[i]->copywidth= " << p->getcopywidth();
        qCDebug(lcCollage) << "paintImageList[i]->copyheight= " << p->getcopyheight();
        qCDebug(lcCollage) << "paintImageList[i]->copyx= " << p->getcopyx();
        qCDebug(lcCollage) << "paintImageList[i]->copyy= " << p->getcopyy();
        const auto at = collagesupport::drawPoint(double(p->getposx() * k), double(p->getposy() * k));
        if (!at)
            continue;
        QImage picture = revolvImageTemplate(p->getImagePath(), p->getcopywidth() * k, p->getcopyheight() * k,
                                             p->getcopyx() * k, p->getcopyy() * k, p->getscale() * k, p->getdegree(),
                                             p->gethorizontal() != 0, p->getvertical() != 0);
        if (!picture.isNull())
            pictures.append({collagesupport::roundedCorners(std::move(picture), cornerRadius * printScale), *at});
    }
    clearPaintImageList();
    return collagesupport::drawCollage(bgImage, pictures, QSize());
}
