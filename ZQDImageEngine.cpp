// The engine's own part: construction and teardown, the three loaders, the
// handover of pictures to the effects library, and the collage lists.
#include "ZQDImageEngine.h"

#include "ImageDispose.h"
#include "logging.h"
#include "maskstretch.h"
#include "photoreader.h"

#include "cframe.h"
#include "cfreepuzzle.h"
#include "csbubble.h"
#include "ctemplatepuzzle.h"
#include "qtqveffect.h"

#include <QDateTime>
#include <QFile>
#include <QJSEngine>

#include <algorithm>

ZQDImageEngine::ZQDImageEngine(QObject *parent)
    : QObject(parent)
{
    iTheEngine = new Qtqveffect;
    frame = new cframe;
    bubble = new csbubble;
    freePuzzle = new cfreepuzzle;
    templatePuzzle = new ctemplatepuzzle;
    pWeakInitArray = nullptr;
    weakImage = nullptr;
}

ZQDImageEngine::~ZQDImageEngine()
{
    delete frame;
    delete bubble;
    delete freePuzzle;
    delete iTheEngine;
    delete templatePuzzle;
    // The engine owns what is still in its lists.
    clearPaintImageList();
    clearImageRectList();
    // A focus-blur sequence that was never ended still holds its buffers.
    delete[] pWeakInitArray;
    delete weakImage;
}

// --- loaders -----------------------------------------------------------------

QImage ZQDImageEngine::loadPic(QString path, QImage *alpha)
{
    const QImage image = imageio::readPicture(path);
    if (alpha)
        *alpha = alphaOf(image);
    if (image.isNull())
        return {};
    qCDebug(lcEngine).nospace() << "loadPic image 1.0 w=" << image.width() << " h=" << image.height()
                                << " len=" << image.sizeInBytes();
    // Palette, grey-scale and alpha pictures all become opaque 32-bit RGB.
    return image.convertToFormat(QImage::Format_RGB32);
}

QPixmap ZQDImageEngine::loadPic(QString path, int winW, int winH)
{
    const QImage image = imageio::readPicture(path);
    if (image.isNull())
        return {};
    qCDebug(lcEngine).nospace() << "loadPic image w=" << image.width() << " h=" << image.height()
                                << " len=" << image.sizeInBytes();
    return QPixmap::fromImage(image).scaled(winW, winH, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QByteArray ZQDImageEngine::loadBytes(const char *path)
{
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// --- pixel-buffer handover ---------------------------------------------------

namespace {

// The largest mask handed over: the size of the largest photo.
constexpr qint64 kMaxMaskPixels = imageio::kPhotoPixelBudget;

}  // namespace

QImage ZQDImageEngine::loadMask(const QString &path, int width, int height)
{
    if (width < 1 || height < 1 || qint64(width) * height > kMaxMaskPixels)
        return {};
    QImage picture = imageio::readPicture(path);
    if (picture.isNull())
        return {};
    qCDebug(lcEngine).nospace() << "loadMask image w=" << picture.width() << " h=" << picture.height()
                                << " len=" << picture.sizeInBytes() << " to " << width << "x" << height;
    // The small picture takes the pixmap's own colour handling (opaque
    // pictures become RGB32, those with translucent pixels premultiplied
    // ARGB32) and then the exact conversion to RGB32 of maskstretch::opaque;
    // both work pixel by pixel, so they give the same bytes before the
    // stretch as after it. The stretch
    // then picks the source pixels the pixmap's fast scaling would.
    const QPixmap pixmap = QPixmap::fromImage(std::move(picture));
    const QImage drawn = pixmap.toImage();
    if (maskstretch::stretchMatchesScaling(drawn.format(), drawn.size(), QSize(width, height)))
        return maskstretch::stretch(maskstretch::opaque(drawn), width, height);

    // Sizes the painter scales by other means: the pixmap itself does it.
    QImage image =
        maskstretch::opaque(pixmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation).toImage());
    if (image.width() != width || image.height() != height)
        return {};
    return image;
}

uchar *ZQDImageEngine::pixelBuffer(QImage &image)
{
    if (image.isNull())
        return nullptr;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        return nullptr;
    // 32-bit rows are whole words, so a row is exactly width * 4 bytes.
    if (image.bytesPerLine() != qsizetype(image.width()) * 4)
        return nullptr;
    return image.bits();
}

QPixmap ZQDImageEngine::resultPixmap(QImage &&image)
{
    return QPixmap::fromImage(std::move(image));
}

QImage ZQDImageEngine::alphaOf(const QImage &picture)
{
    if (picture.isNull() || !picture.hasAlphaChannel())
        return {};
    QImage alpha = picture.convertToFormat(QImage::Format_Alpha8);
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar *row = alpha.constScanLine(y);
        if (std::any_of(row, row + alpha.width(), [](uchar a) { return a != 255; }))
            return alpha;
    }
    return {};
}

QImage ZQDImageEngine::withAlpha(QImage result, const QImage &alpha)
{
    if (alpha.isNull() || result.isNull() || result.size() != alpha.size())
        return result;
    // The operations' colours stay as they are (not premultiplied); only
    // the alpha byte is the source's.
    result = result.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(result.scanLine(y));
        const uchar *a = alpha.constScanLine(y);
        for (int x = 0; x < result.width(); ++x)
            row[x] = (row[x] & 0x00ffffffu) | (uint(a[x]) << 24);
    }
    return result;
}

// --- time --------------------------------------------------------------------

QString ZQDImageEngine::getCurrentTimeString()
{
    const QString s = timeStampDigits(QDateTime::currentDateTime());
    qCDebug(lcEngine) << "getCurrentTimeString s=" << s;
    return s;
}

// --- collage lists -----------------------------------------------------------

namespace {

// The entry at `index` taken into the list: at or below 0 the first, at or past
// the end the last; null for an empty list.
template <typename T>
T *clampedEntry(const QList<T *> &list, int index)
{
    if (list.isEmpty())
        return nullptr;
    T *entry = list.at(std::clamp<qsizetype>(index, 0, list.size() - 1));
    // The lists own their objects: QML must never collect one it was handed.
    QJSEngine::setObjectOwnership(entry, QJSEngine::CppOwnership);
    return entry;
}

}  // namespace

int ZQDImageEngine::paintImageCount()
{
    qCDebug(lcCollage) << "paintImageCount=" << paintImageList.size();
    return int(paintImageList.size());
}

ZQDPaintImage *ZQDImageEngine::getPaintImage(int index)
{
    qCDebug(lcCollage) << "ZQDImageEngine::getPaintImage index=" << index;
    return clampedEntry(paintImageList, index);
}

void ZQDImageEngine::clearPaintImageList()
{
    qDeleteAll(paintImageList);
    paintImageList.clear();
}

void ZQDImageEngine::addPaintImage(QString imagepath, float posx, float posy, float width, float height,
                                   float copyx, float copyy, float degree, bool horizontal, bool vertical,
                                   float scale)
{
    paintImageList.append(new ZQDPaintImage(stripFileUrl(std::move(imagepath)), posx, posy, width, height,
                                            copyx, copyy, degree, horizontal, vertical, scale, this));
    qCDebug(lcCollage) << "addSGItem to  group List ";
}

int ZQDImageEngine::imageRectCount()
{
    qCDebug(lcCollage) << "paintImageCount=" << imageRectList.size();
    return int(imageRectList.size());
}

ZQDImageRect *ZQDImageEngine::getImageRect(int index)
{
    qCDebug(lcCollage) << "ZQDImageEngine::getImageRect index=" << index;
    return clampedEntry(imageRectList, index);
}

void ZQDImageEngine::clearImageRectList()
{
    qDeleteAll(imageRectList);
    imageRectList.clear();
}

void ZQDImageEngine::addImageRect(ZQDImageRect *rect)
{
    if (!rect)
        return;
    imageRectList.append(rect);
    qCDebug(lcCollage) << "add ImageRect to  List ";
}
