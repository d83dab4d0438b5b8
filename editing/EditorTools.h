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
#include <QVariantList>

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

public:
    // The pixel work of strength, tone and the histogram on pictures already
    // decoded, as the file forms above run it after decoding (the live
    // previews run these on the screen copy kept in memory). A null picture
    // or an empty list, the reason recorded, where the file form fails.
    static QImage blended(QImage original, QImage edited, double strength);
    static QImage toned(const QImage &picture, int exposure, int highlights, int shadows, int warmth, int tint,
                        int vignette);
    static QVariantList histogramOf(const QImage &picture, int bins);

private:
    // Whether the amounts are usable (each -100..100), the reason recorded if not.
    static bool tonable(const tone::Settings &settings);
    // Whether `bins` divides 256, the reason recorded if not.
    static bool histogramBins(int bins);
    // exportImage and exportCollage: `collage` names the file for the day.
    QString exportPicture(const QString &source, const QString &original, QString format, int quality,
                          bool collage);

    ZQDCommunication *m_communication = nullptr;
};
