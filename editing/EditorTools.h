// EditorTools: the editing operations beyond the facade's own (published to
// QML as "tools", and to the command-line front as `--object tools`).
//
// Like the facade's operations, each one takes the path of the picture QML
// shows (a plain path or a file:// URL), writes its result as a new working
// file and returns that file's path, or "" when nothing was written. Each
// family of operations lives in its own source file beside this one.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class QImage;
class ZQDCommunication;

namespace tone {
struct Settings;
}

class EditorTools : public QObject
{
    Q_OBJECT
public:
    // The facade supplies the working-file folders and the engine; it must
    // outlive this object.
    explicit EditorTools(ZQDCommunication *communication, QObject *parent = nullptr);
    ~EditorTools() override;

    ZQDCommunication *communication() const { return m_communication; }

public slots:
    // Saves the working file `workingFile` for the user: into the saved-pictures
    // folder, named after `originalPhoto` (IMG_1234_edited.jpg, then
    // IMG_1234_edited-2.jpg, ...; nothing is ever overwritten), as `format`
    // "jpeg" or "png", or "" for JPEG when the picture is opaque and PNG when
    // it has transparency; `quality` 1-100 for JPEG. The original's EXIF, XMP
    // and IPTC data and colour profile come along, upright (orientation 1),
    // with the new pixel size and no embedded thumbnail. Returns the saved
    // file's path, or "" (nothing under the final name, the reason recorded)
    // when it cannot be saved. (editing/export.cpp)
    QString exportImage(QString workingFile, QString originalPhoto, QString format, int quality);
    // The same with the user's choices: `format` "jpeg" (or "" as above),
    // "png" or "webp" (lossless at quality 100); `longSide` 0 keeps the size,
    // otherwise the picture is brought down so its long side is `longSide`
    // (never enlarged); `keepLocation` false leaves out where the photo was
    // taken (EXIF GPS, the XMP and IPTC location fields) and keeps the rest
    // (IMG_1234_edited.webp, ...). Every failure records its real reason (a
    // name too long, metadata too large for a JPEG, a full disk, ...).
    // `stepsJson`, when given, is a steps file's text written into the saved
    // picture's XMP (after it is checked as any steps file is).
    QString exportImageAs(QString workingFile, QString originalPhoto, QString format, int quality, int longSide,
                          bool keepLocation, QString stepsJson = QString());
    // A collage's working file saved the same way, as JPEG or (with
    // transparency) PNG, named for the day: collage-2026-12-08-1.jpg, then
    // collage-2026-12-08-2.jpg, ... (editing/export.cpp)
    QString exportCollage(QString workingFile, int quality);

    // Why the last failed operation on this thread failed, in words for the
    // user, or "" when no reason was recorded; asking forgets it.
    QString lastError();

    // --- the editing tools people expect (blend.cpp, autoenhance.cpp,
    // straighten.cpp, tone.cpp); the working file is named after the last
    // path argument, and every failure records its reason ---

    // Strength: `edited` mixed over `original` (0: the original exactly, 1:
    // the edited picture exactly); around an original smaller than the edit
    // (a frame laid around the photo) lies the photo enlarged.
    QString blendImage(QString original, QString edited, double strength);
    // One-tap enhance: levels, brightness and colour of a dull photo set
    // right, a well-exposed one left nearly as it is.
    QString autoEnhanceImage(QString path);
    // Turned by `degrees` (-45..45, clockwise) and cropped to the largest
    // rectangle of the photo's proportions inside, so no corner is empty.
    QString straightenImage(QString path, double degrees);
    // The size straightenImage gives a width x height picture.
    QSize straightenedSize(int width, int height, double degrees);
    // Exposure, highlights, shadows, warmth, tint and vignette, each -100..100;
    // all 0 gives the picture's pixels unchanged.
    QString toneImage(QString path, int exposure, int highlights, int shadows, int warmth, int tint,
                      int vignette);
    // The picture's brightness histogram in `bins` bins (a divisor of 256),
    // each as a share of the fullest bin; empty when it cannot be read.
    QVariantList brightnessHistogram(QString path, int bins);

    // --- collages at print size (collageprint.cpp) ---

    // The collage the facade's lists describe ("template", "free" or
    // "stitched", on the background `bgImagePath`, as savePuzzleTemplate,
    // savePuzzleFree and savePuzzleStitching draw it) at `scale` times its
    // canvas: 1 gives exactly their picture; 2..4 samples each photo afresh
    // from its file; 0 takes collagePrintScale(). The photos of a template or
    // stitched collage get corners rounded by `cornerRadius` collage pixels
    // (0..200; a free collage takes none). Empties the picture list, as they
    // do.
    QString collageImage(QString kind, QString bgImagePath, int scale, double cornerRadius);
    // The largest scale (4, 3 or 2) the placed photos support without being
    // enlarged past their own pixels, or 1.
    int collagePrintScale();

    // --- retouching and local edits (heal.cpp, selective.cpp, keystone.cpp,
    // curvestool.cpp, colourmixer.cpp); positions and radii in the picture's
    // own pixels ---

    // The spot of `radius` around (x, y) filled from a matching patch of its
    // surroundings, its colour matched to the spot's border, with a soft edge;
    // nothing farther than 2 x radius changes.
    QString healImage(QString path, int x, int y, int radius);
    // A control point: brightness, contrast and saturation (-100..100) around
    // (x, y), fading with the distance and stronger on colours like the one
    // under the point; nothing beyond 1.75 x radius changes.
    QString selectiveImage(QString path, int x, int y, int radius, int brightness, int contrast, int saturation);
    // Keystone correction (-45..45 degrees each; vertical > 0 widens the top,
    // horizontal > 0 widens the right side), cropped to the largest rectangle
    // of the photo's proportions inside; 0, 0 gives the picture unchanged.
    QString perspectiveImage(QString path, double vertical, double horizontal);
    // The size perspectiveImage gives a width x height picture.
    QSize perspectiveSize(int width, int height, double vertical, double horizontal);
    // The library's tone curve through `points` ("x,y x,y ...", 0..255, at
    // least two, x increasing) on `channel` "rgb", "red", "green" or "blue".
    QString curvesImage(QString path, QString channel, QString points);
    // The 256 levels of that curve (for drawing it), or an empty list.
    QVariantList curveLevels(QString points);
    // Colour mixer: hue, saturation and lightness (-100..100) of the colours
    // of one `band` (red, orange, yellow, green, aqua, blue, purple, magenta),
    // blending smoothly into the neighbouring bands.
    QString hslImage(QString path, QString band, int hue, int saturation, int lightness);

    // --- steps (steps/stepstools.cpp; the file is described in docs/steps.md) ---

    // `step` (a JS object: object, call, args in the picture's pixels, or
    // calls; strength, label, tool) checked, with its picture-unit arguments
    // turned into proportions of a width x height picture; an empty map when
    // it is refused (the reason in lastError()).
    QVariantMap stepFor(QVariantMap step, int width, int height);
    // The steps file's text for `steps` (as stepFor gives them); "" when one
    // is refused (the reason in lastError()).
    QString stepsJson(QVariantList steps);
    // {"steps": [...], "error": ""}; on a refusal "steps" is empty and
    // "error" says which step and why.
    QVariantMap readSteps(QString json);
    // The steps file's text the saved picture carries in its XMP, checked as
    // any steps file is, or "" (the reason in lastError()); reads metadata only.
    QString stepsOf(QString picture);
    // Every step of `stepsJson` replayed on `picture`: each step's working
    // file, in order, or an empty list (the reason recorded).
    QStringList replaySteps(QString picture, QString stepsJson);
    // The steps replayed on `photo` and the result saved as exportImageAs
    // saves it, with the steps in its XMP; the saved file, or "" (the reason
    // recorded). The working files of the replay are removed.
    QString applySteps(QString photo, QString stepsJson, QString format, int quality, int longSide,
                       bool keepLocation);

public:
    // Where applySteps and exportImageAs save from now on: `folder`, or the
    // saved-pictures folder when "" (the command line's --out).
    void setSaveFolder(const QString &folder);

    // The pixel work of strength, tone and the histogram on pictures already
    // decoded, as the file forms above run it after decoding (the live
    // previews run these on the screen copy kept in memory). A null picture
    // or an empty list, the reason recorded, where the file form fails.
    static QImage blended(QImage original, QImage edited, double strength);
    static QImage toned(const QImage &picture, int exposure, int highlights, int shadows, int warmth, int tint,
                        int vignette);
    static QVariantList histogramOf(const QImage &picture, int bins);
    // The same for the retouching tools above (the live previews' steps).
    static QImage healed(const QImage &picture, int x, int y, int radius);
    static QImage selected(const QImage &picture, int x, int y, int radius, int brightness, int contrast,
                           int saturation);
    static QImage keystoned(const QImage &picture, double vertical, double horizontal);
    static QImage curved(const QImage &picture, const QString &channel, const QString &points);
    static QImage hslMixed(const QImage &picture, const QString &band, int hue, int saturation, int lightness);

private:
    // Whether the amounts are usable (each -100..100), the reason recorded if not.
    static bool tonable(const tone::Settings &settings);
    // Whether `bins` divides 256, the reason recorded if not.
    static bool histogramBins(int bins);
    // exportImageAs and exportCollage: `collage` names the file for the day.
    QString exportPicture(const QString &source, const QString &original, QString format, int quality, int longSide,
                          bool keepLocation, bool collage, const QByteArray &steps = {});

    ZQDCommunication *m_communication = nullptr;
    QString m_saveFolder;
};
