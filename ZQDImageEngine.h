// ZQDImageEngine: turns picture files into new pictures. One engine lives in
// the QML facade; it owns one object of the effects library and one reader of
// each data-file kind, and keeps the collage's cell and picture lists between
// calls.
//
// Contents
//   construction / destruction       ZQDImageEngine.cpp
//   loaders (picture, mask, bytes)   ZQDImageEngine.cpp
//   pixel-buffer handover            ZQDImageEngine.cpp
//   collage lists                    ZQDImageEngine.cpp
//   one-touch looks                  ZQDImageEngine_effects.cpp
//   frames                           ZQDImageEngine_frames.cpp
//   adjustments, geometry, focus blur ZQDImageEngine_adjust.cpp
//   template collage                 ZQDImageEngine_template.cpp
//   free collage and stitching       ZQDImageEngine_free.cpp
//   text and speech bubbles          ZQDImageEngine_text.cpp
//
// Each family of operations lives in its own file and declares its members in
// the marked section of this class.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>

#include "ZQDImageRect.h"
#include "ZQDPaintImage.h"

class Qtqveffect;
class cframe;
class cfreepuzzle;
class ctemplatepuzzle;
class csbubble;

class ZQDImageEngine : public QObject
{
    Q_OBJECT
public:
    explicit ZQDImageEngine(QObject *parent = nullptr);
    ~ZQDImageEngine() override;

    // --- loaders -------------------------------------------------------------

    // The picture at `path` (a file or a ":/" resource) at full size in
    // Format_RGB32; null when it cannot be read or decoded.
    QImage loadPic(QString path);
    // The picture at `path` stretched to exactly winW x winH (fast scaling,
    // aspect ignored): the loader of masks and textures. Null when unreadable.
    QPixmap loadPic(QString path, int winW, int winH);
    // The whole content of the file at `path`; empty when it cannot be opened.
    QByteArray loadBytes(const char *path);

    // --- pixel-buffer handover -----------------------------------------------

    // A mask or texture as a pixel buffer of exactly width x height: loadPic
    // (path, width, height) converted to Format_RGB32. Null when unreadable; an
    // operation must then not call the library with it.
    QImage loadMask(const QString &path, int width, int height);
    // The first byte of the top row of a Format_RGB32 / Format_ARGB32 picture,
    // whose rows follow each other with no padding (width * height * 4 bytes,
    // B, G, R, A). Null for a null picture or any other format. Detaches the
    // picture, so the library writes into this image alone.
    static uchar *pixelBuffer(QImage &image);
    // The picture after the library changed its buffer, as the result pixmap.
    static QPixmap resultPixmap(QImage &&image);

    // --- time ----------------------------------------------------------------

    // Fourteen digits: year, month, day, hour, minute, second (local time).
    Q_INVOKABLE QString getCurrentTimeString();

    // --- collage lists -------------------------------------------------------

    const QList<ZQDPaintImage *> &paintImages() const { return paintImageList; }
    Q_INVOKABLE int paintImageCount();
    Q_INVOKABLE ZQDPaintImage *getPaintImage(int index);
    Q_INVOKABLE void clearPaintImageList();
    Q_INVOKABLE void addPaintImage(QString imagepath, float posx = 0, float posy = 0, float width = 0,
                                   float height = 0, float copyx = 0, float copyy = 0, float degree = 0,
                                   bool horizontal = false, bool vertical = false, float scale = 1.0f);

    const QList<ZQDImageRect *> &imageRects() const { return imageRectList; }
    Q_INVOKABLE int imageRectCount();
    Q_INVOKABLE ZQDImageRect *getImageRect(int index);
    Q_INVOKABLE void clearImageRectList();
    // Appends a cell made by a layout reader; the engine takes it over.
    void addImageRect(ZQDImageRect *rect);

    // --- operations of the other families (declared by their files) ----------

private:
    Qtqveffect *iTheEngine = nullptr;
    cframe *frame = nullptr;
    cfreepuzzle *freePuzzle = nullptr;
    ctemplatepuzzle *templatePuzzle = nullptr;
    csbubble *bubble = nullptr;
    QList<ZQDPaintImage *> paintImageList;
    QList<ZQDImageRect *> imageRectList;
    uchar *pWeakInitArray = nullptr;
    QImage *weakImage = nullptr;
};
