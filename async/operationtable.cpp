#include "operationtable.h"

#include "EditorTools.h"
#include "ImageDispose.h"
#include "ZQDImageEngine.h"
#include "operationerror.h"
#include "replay.h"
#include "stepsfile.h"

#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace operations {

namespace {

using K = Kind;

LiveOutcome pictureOutcome(const QPixmap &pixmap)
{
    return {pixmap.toImage(), {}, !pixmap.isNull()};
}

LiveOutcome pictureOutcome(QImage picture)
{
    const bool ok = !picture.isNull();
    return {std::move(picture), {}, ok};
}

// Shorthands for the entries below.
Argument picture(const char *name)
{
    return {name, K::Picture};
}
Argument integer(const char *name, double least = -INFINITY, double most = INFINITY)
{
    return {name, K::Integer, least, most};
}
Argument number(const char *name, double least = -INFINITY, double most = INFINITY)
{
    return {name, K::Number, least, most};
}
Argument flag(const char *name)
{
    return {name, K::Flag};
}
Argument file(const char *name)
{
    return {name, K::File};
}
// Pixels of the picture or of the screen it is shown on: x-like ones (of
// the width), y-like ones (of the height), radii and lengths (of the long
// side).
Argument pixels(const char *name, Axis axis, Kind kind = K::Integer)
{
    Argument a{name, kind, -INFINITY, INFINITY, true};
    a.axis = axis;
    return a;
}
Argument across(const char *name, Kind kind = K::Integer)
{
    return pixels(name, Axis::Width, kind);
}
Argument down(const char *name, Kind kind = K::Integer)
{
    return pixels(name, Axis::Height, kind);
}
Argument length(const char *name, Kind kind = K::Integer)
{
    return pixels(name, Axis::LongSide, kind);
}
// A word or text, never a path to open.
Argument word(const char *name)
{
    Argument a{name, K::File};
    a.word = true;
    return a;
}
Argument optional(Argument a)
{
    a.optional = true;
    return a;
}
// A whole number that must name one of `list`'s.
Argument among(const char *name, std::vector<int> (*list)())
{
    Argument a{name, K::Integer};
    a.among = list;
    return a;
}
// The colour mixer's amounts: at -100 contrast leaves flat grey and saturation
// grey; beyond they would turn the picture's tones or colours inside out, and
// the sliders stop there.
Argument mixAmount(const char *name)
{
    return integer(name, -100, 100);
}

const std::vector<Operation> kOperations = {
    // --- the facade: copies, looks and frames ---
    {"qualityImage", Object::Communication, "qualityImage",
     {picture("picture"), optional(number("scale", 0, INFINITY))}},
    {"loadImage", Object::Communication, "loadImage", {picture("picture"), among("look", &ZQDImageEngine::lookNumbers)},
     0, Workers::Any,
     [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(engine.Process(p[0], a[1].toInt()));
     }},
    {"framesimpleImage", Object::Communication, "framesimpleImage", {picture("picture"), integer("frame")}},
    {"framecolorfulImage", Object::Communication, "framecolorfulImage", {picture("picture"), integer("frame")}},
    // --- adjustments, with their live forms ---
    {"mixingcolorImage", Object::Communication, "mixingcolorImage",
     {picture("picture"), across("width"), down("height"), mixAmount("brightness"), mixAmount("contrast"),
      mixAmount("saturation")},
     0, Workers::Any,
     [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(
             engine.MixingColorBCS(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt(), a[4].toInt(), a[5].toInt()));
     }},
    {"SharpImage", Object::Communication, "SharpImage",
     {picture("picture"), across("width"), down("height"), number("depth")}, 0, Workers::Any,
     [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(engine.SharpenImage(p[0], a[1].toInt(), a[2].toInt(), a[3].toFloat()));
     }},
    // --- text: the picture is the second argument, after the bubble file ---
    {"writingFontImage", Object::Communication, "writingFontImage",
     // The scale is the picture's width over the width it was shown at, so
     // it grows with the picture; the bubble's position is in shown units
     // (times the scale) and its text area in the bubble picture's pixels.
     {file("bubble"), picture("picture"), across("scale", K::Number), number("innerX"), number("innerY"),
      file("textPicture"), number("textPictureScale"), word("text"), number("degrees"), integer("textSize"),
      word("colour"), integer("shadow"), integer("bold"), number("areaWidth"), number("areaHeight"),
      number("areaX"), number("areaY")},
     1},
    // --- the focus blur: weakinit, steps (on the picture of weakinit), weakrelease ---
    {"weakinit", Object::Communication, "weakinit", {picture("picture")}},
    {"weakprogress", Object::Communication, "weakprogress",
     {{"picture", K::Name}, length("innerRadius", K::Number), length("outerRadius", K::Number), across("x"),
      down("y")},
     0, Workers::Any,
     [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &) {
         return pictureOutcome(engine.weakprogress(a[1].toDouble(), a[2].toDouble(), a[3].toInt(), a[4].toInt()));
     }},
    {"weakRectprogress", Object::Communication, "weakRectprogress",
     {{"picture", K::Name}, length("innerRadius", K::Number), length("outerRadius", K::Number), across("x1"),
      down("y1"), across("x2"), down("y2")},
     0, Workers::Any,
     [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &) {
         return pictureOutcome(engine.weakRectprogress(a[1].toDouble(), a[2].toDouble(), a[3].toInt(), a[4].toInt(),
                                                       a[5].toInt(), a[6].toInt()));
     }},
    {"weakrelease", Object::Communication, "weakrelease", {}, -1},
    // --- geometry ---
    {"revolvingImage", Object::Communication, "revolvingImage",
     {picture("picture"), number("scale"), number("degrees"), flag("horizontal"), flag("vertical"), flag("swap")}},
    {"cropPic", Object::Communication, "cropPic",
     {picture("picture"), across("screenWidth"), down("screenHeight"), across("boxWidth"), down("boxHeight"),
      across("boxX"), down("boxY")},
     0, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(ImageDispose::croppedPicture(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt(),
                                                            a[4].toInt(), a[5].toInt(), a[6].toInt()));
     },
     false},
    // --- collages: each job reads its layout and places its photos on the
    // worker's own facade, from an empty list, before it renders ---
    {"getTemplateRule", Object::Communication, "getTemplateRule",
     {file("template"), file("frame"), file("pattern")}, -1, Workers::Main},
    {"getMixRule", Object::Communication, "getMixRule", {file("style")}, -1, Workers::Main},
    {"getStitchingRule", Object::Communication, "getStitchingRule",
     {file("frame"), file("pattern"), across("width", K::Number), down("height", K::Number)}, -1, Workers::Main},
    {"revolvFreeBgImage", Object::Communication, "revolvFreeBgImage",
     {picture("background"), number("scale"), across("width", K::Number), down("height", K::Number)}, -1,
     Workers::Main},
    {"clearPaintImageList", Object::Communication, "clearPaintImageList", {}, -1, Workers::Main},
    {"addPaintImage", Object::Communication, "addPaintImage",
     {picture("picture"), optional(across("x", K::Number)), optional(down("y", K::Number)),
      optional(across("width", K::Number)), optional(down("height", K::Number)),
      optional(across("copyX", K::Number)), optional(down("copyY", K::Number)), optional(number("degrees")),
      optional(flag("horizontal")), optional(flag("vertical")), optional(number("scale"))},
     -1, Workers::Main},
    {"savePuzzleFree", Object::Communication, "savePuzzleFree", {picture("background")}, -1, Workers::Main},
    {"savePuzzleTemplate", Object::Communication, "savePuzzleTemplate", {picture("background")}, -1, Workers::Main},
    {"savePuzzleStitching", Object::Communication, "savePuzzleStitching", {picture("background")}, -1,
     Workers::Main},
    {"collageCells", Object::Runner, "collageCells", {}, -1, Workers::Main},
    // --- the runner's copies: their own name chains ---
    {"screenCopy", Object::Runner, "screenCopy", {picture("picture"), integer("side", 1, 16384)}},
    {"thumbnailCopy", Object::Runner, "thumbnailCopy", {picture("picture"), integer("side", 1, 16384)}},
    // --- the "tools" object ---
    {"tools.exportImage", Object::Tools, "exportImage",
     {picture("picture"), file("original"), file("format"), integer("quality")}, -1, Workers::Main},
    {"tools.blendImage", Object::Tools, "blendImage",
     {picture("original"), picture("edited"), number("strength", 0, 1)}, 1, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(EditorTools::blended(p[0], p[1], a[2].toDouble()));
     }},
    {"tools.autoEnhanceImage", Object::Tools, "autoEnhanceImage", {picture("picture")}},
    {"tools.straightenImage", Object::Tools, "straightenImage", {picture("picture"), number("degrees", -45, 45)}},
    {"tools.toneImage", Object::Tools, "toneImage",
     {picture("picture"), integer("exposure", -100, 100), integer("highlights", -100, 100),
      integer("shadows", -100, 100), integer("warmth", -100, 100), integer("tint", -100, 100),
      integer("vignette", -100, 100)},
     0, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(EditorTools::toned(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt(), a[4].toInt(),
                                                  a[5].toInt(), a[6].toInt()));
     }},
    {"tools.brightnessHistogram", Object::Tools, "brightnessHistogram", {picture("picture"), integer("bins", 1, 256)},
     0, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         const QVariantList shares = EditorTools::histogramOf(p[0], a[1].toInt());
         return LiveOutcome{{}, shares, !shares.isEmpty()};
     }},
    // --- saving: the user's pictures, never working files ---
    {"tools.exportImageAs", Object::Tools, "exportImageAs",
     {picture("picture"), file("original"), word("format"), integer("quality", 1, 100), integer("longSide", 0),
      flag("keepLocation"), optional(word("stepsJson"))},
     -1, Workers::Main},
    // --- steps: replayed on a picture (the preview on a screen copy, or the
    // photo), or replayed and saved as exportImageAs saves ---
    {"tools.replaySteps", Object::Tools, "replaySteps", {picture("picture"), word("stepsJson")}, 0, Workers::Any,
     // In memory, the preview of a change on a screen copy, when every step
     // has a form there; the file form writes every step's working file.
     [](ZQDImageEngine &engine, const QVariantList &a, const std::vector<QImage> &p) {
         const steps::Read read = steps::readFile(a[1].toString().toUtf8());
         QString error = read.error;
         QImage made = error.isEmpty() ? steps::replayInMemory(engine, p[0], read.steps, &error) : QImage();
         if (made.isNull())
             OperationError::set(error);
         return pictureOutcome(std::move(made));
     }},
    {"tools.applySteps", Object::Tools, "applySteps",
     {picture("photo"), word("stepsJson"), word("format"), integer("quality", 1, 100), integer("longSide", 0),
      flag("keepLocation")},
     -1, Workers::Main},
    {"tools.exportCollage", Object::Tools, "exportCollage", {picture("picture"), integer("quality", 1, 100)}, -1,
     Workers::Main},
    // --- collages at print size, after the lists are filled ---
    {"tools.collageImage", Object::Tools, "collageImage",
     {file("kind"), picture("background"), integer("scale", 0, 4), number("cornerRadius", 0, 200)}, -1,
     Workers::Main},
    // --- retouching and local edits, with their live forms ---
    {"tools.healImage", Object::Tools, "healImage",
     {picture("picture"), across("x"), down("y"), length("radius")}, 0, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(EditorTools::healed(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt()));
     }},
    {"tools.selectiveImage", Object::Tools, "selectiveImage",
     {picture("picture"), across("x"), down("y"), length("radius"), integer("brightness", -100, 100),
      integer("contrast", -100, 100), integer("saturation", -100, 100)},
     0, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(EditorTools::selected(p[0], a[1].toInt(), a[2].toInt(), a[3].toInt(), a[4].toInt(),
                                                     a[5].toInt(), a[6].toInt()));
     }},
    {"tools.perspectiveImage", Object::Tools, "perspectiveImage",
     {picture("picture"), number("vertical", -45, 45), number("horizontal", -45, 45)}, 0, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(EditorTools::keystoned(p[0], a[1].toDouble(), a[2].toDouble()));
     }},
    {"tools.curvesImage", Object::Tools, "curvesImage", {picture("picture"), word("channel"), word("points")}, 0,
     Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(EditorTools::curved(p[0], a[1].toString(), a[2].toString()));
     }},
    {"tools.hslImage", Object::Tools, "hslImage",
     {picture("picture"), word("band"), integer("hue", -100, 100), integer("saturation", -100, 100),
      integer("lightness", -100, 100)},
     0, Workers::Any,
     [](ZQDImageEngine &, const QVariantList &a, const std::vector<QImage> &p) {
         return pictureOutcome(EditorTools::hslMixed(p[0], a[1].toString(), a[2].toInt(), a[3].toInt(),
                                                     a[4].toInt()));
     }},
};

const QString kPrevious = QStringLiteral("$previous");

QString rangeText(double v)
{
    return QString::number(v, 'g', 10);
}

// Whether `value` is of `kind`; a number given as text (a command line's
// word, a JSON string) is not taken as a number here.
bool ofKind(const QVariant &value, Kind kind, double *number)
{
    const int type = value.typeId();
    switch (kind) {
    case Kind::Picture:
    case Kind::Name:
    case Kind::File:
        return type == QMetaType::QString || type == QMetaType::QUrl;
    case Kind::Flag:
        return type == QMetaType::Bool;
    case Kind::Integer:
    case Kind::Number: {
        bool ok = false;
        switch (type) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            *number = value.toDouble(&ok);
            break;
        default:
            return false;
        }
        if (!ok || !std::isfinite(*number))
            return false;
        return kind == Kind::Number || *number == std::trunc(*number);
    }
    }
    return false;
}

// A list of whole numbers in words, runs shortened: "1, 3-5, 9".
QString listText(std::vector<int> list)
{
    std::sort(list.begin(), list.end());
    QStringList parts;
    for (std::size_t i = 0; i < list.size();) {
        std::size_t j = i;
        while (j + 1 < list.size() && list[j + 1] == list[j] + 1)
            ++j;
        parts << (j > i + 1 ? QStringLiteral("%1\u2013%2").arg(list[i]).arg(list[j]) : QString::number(list[i]));
        if (j == i + 1)
            parts << QString::number(list[j]);
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

const char *kindText(Kind kind)
{
    switch (kind) {
    case Kind::Picture:
        return "a picture";
    case Kind::Name:
    case Kind::File:
        return "a name";
    case Kind::Integer:
        return "a whole number";
    case Kind::Number:
        return "a number";
    case Kind::Flag:
        return "true or false";
    }
    return "";
}

}  // namespace

std::vector<int> Operation::pictureArguments() const
{
    std::vector<int> list;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].kind == Kind::Picture)
            list.push_back(int(i));
    }
    return list;
}

int Operation::requiredArguments() const
{
    int n = 0;
    while (n < int(arguments.size()) && !arguments[std::size_t(n)].optional)
        ++n;
    return n;
}

std::span<const Operation> all()
{
    return kOperations;
}

const Operation *find(const QString &name)
{
    for (const Operation &op : kOperations) {
        if (name == QLatin1String(op.name))
            return &op;
    }
    return nullptr;
}

bool isRunnerCopy(const Operation &op)
{
    return op.object == Object::Runner && op.source == 0;
}

bool isPictureEdit(const Operation &op)
{
    if (op.object == Object::Runner || op.workers != Workers::Any || op.source < 0)
        return false;
    // The picture it works on is its only picture (a blend takes a second
    // one: a step's strength is that blend).
    for (std::size_t i = 0; i < op.arguments.size(); ++i) {
        const Kind kind = op.arguments[i].kind;
        if ((kind == Kind::Picture || kind == Kind::Name) && int(i) != op.source)
            return false;
    }
    // The focus blur's set-up, a histogram, the opening copy and the steps
    // themselves make no edit of their own.
    static const char *const notEdits[] = {"weakinit", "qualityImage", "tools.brightnessHistogram",
                                           "tools.replaySteps"};
    for (const char *name : notEdits) {
        if (qstrcmp(op.name, name) == 0)
            return false;
    }
    return true;
}

bool check(const Operation &op, const QVariantList &args, QString *reason)
{
    const QString name = QString::fromLatin1(op.name);
    const int least = op.requiredArguments();
    const int most = int(op.arguments.size());
    if (args.size() < least || args.size() > most) {
        *reason = least == most ? QStringLiteral("\u201c%1\u201d takes %2 arguments, not %3.").arg(name).arg(most).arg(args.size())
                                : QStringLiteral("\u201c%1\u201d takes %2 to %3 arguments, not %4.")
                                      .arg(name).arg(least).arg(most).arg(args.size());
        return false;
    }
    for (int i = 0; i < args.size(); ++i) {
        const Argument &a = op.arguments[std::size_t(i)];
        const QVariant &value = args.at(i);
        if (a.kind == Kind::Picture && value.typeId() == QMetaType::QString && value.toString() == kPrevious)
            continue;
        double n = 0;
        if (!ofKind(value, a.kind, &n)) {
            *reason = QStringLiteral("Argument %1 (%2) of \u201c%3\u201d must be %4.")
                          .arg(i + 1).arg(QLatin1String(a.name), name, QLatin1String(kindText(a.kind)));
            return false;
        }
        if ((a.kind == Kind::Integer || a.kind == Kind::Number) && (n < a.least || n > a.most)) {
            // A range open at one end says only its bound.
            const QString range = std::isinf(a.most)    ? QStringLiteral("at least %1").arg(rangeText(a.least))
                                  : std::isinf(a.least) ? QStringLiteral("at most %1").arg(rangeText(a.most))
                                                        : QStringLiteral("between %1 and %2")
                                                              .arg(rangeText(a.least), rangeText(a.most));
            *reason = QStringLiteral("Argument %1 (%2) of \u201c%3\u201d must be %4, not %5.")
                          .arg(i + 1)
                          .arg(QLatin1String(a.name), name, range, rangeText(n));
            return false;
        }
        if (a.among) {
            const std::vector<int> list = a.among();
            if (std::find(list.begin(), list.end(), n) == list.end()) {
                *reason = QStringLiteral("Argument %1 (%2) of \u201c%3\u201d must be one of %4, not %5.")
                              .arg(i + 1)
                              .arg(QLatin1String(a.name), name, listText(list), rangeText(n));
                return false;
            }
        }
    }
    return true;
}

}  // namespace operations
