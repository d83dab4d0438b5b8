// Adjustments, geometry and the focus blur.
//
//   SharpenImage, MixingColorBCS      library passes on the decoded picture
//   revolvImage, rotate, reverse      turn, scale and mirror, cut to a box
//   getScaleImage                     decode at a fraction of the stored size
//   weakinit, weakprogress,           focus blur: one blurred copy per
//   weakRectprogress, weakrelease     sequence, then one masked merge a step
//   drawGradientCircle/Rect           the masks of the steps
//
// A blur mask is an opaque 32-bit picture whose red byte says how much of the
// blurred copy replaces the picture: black keeps it sharp, white blurs fully.
#include "ZQDImageEngine.h"

#include "logging.h"
#include "photoreader.h"

#include "qtqveffect.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QTransform>

#include <climits>
#include <cmath>
#include <memory>

namespace {

// Strength of the focus blur's Gaussian on a picture of the screen's size; a
// larger picture gets it grown with its long side, so that the blur looks the
// same once the picture is shown at the screen's size (where it was previewed).
constexpr int kWeakBlurRadius = 9;

int weakBlurRadius(const QImage &picture)
{
    return int(std::lround(kWeakBlurRadius * ZQDImageEngine::screenScale(picture.width(), picture.height())));
}

// The decode size for `times` of a stored size: trunc(w * times) by
// trunc(h * times), then the stored size fitted inside it with its aspect
// ratio kept. Invalid when that leaves nothing to decode.
QSize scaledDecodeSize(QSize stored, double times)
{
    const double tw = std::trunc(stored.width() * times);
    const double th = std::trunc(stored.height() * times);
    if (!(tw >= 1 && th >= 1 && tw <= INT_MAX && th <= INT_MAX))
        return {};
    stored.scale(QSize(int(tw), int(th)), Qt::KeepAspectRatio);
    return stored.isEmpty() ? QSize() : stored;
}

// A colour stop, dropped (as the toolkit drops it, but also when it is not a
// number) when it lies outside 0 to 1.
void addStop(QGradient &gradient, double position, const QColor &color)
{
    if (position >= 0.0 && position <= 1.0)
        gradient.setColorAt(position, color);
}

// The whole picture painted with `brush` and the painter's default pen; the
// pen's outline leaves the top row and the left column black (the right and
// bottom outline fall outside the picture).
QImage paintMask(int width, int height, const QBrush &brush)
{
    if (width <= 0 || height <= 0)
        return {};
    QImage mask(width, height, QImage::Format_RGB32);
    if (mask.isNull())
        return {};
    QPainter painter(&mask);
    painter.setBrush(brush);
    painter.drawRect(mask.rect());
    painter.end();
    return mask;
}

// The picture as opaque 32-bit RGB (grey, palette and alpha pictures too).
QImage toRgb32(QImage image)
{
    if (image.isNull() || image.format() == QImage::Format_RGB32)
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

// The photo for a library call that takes width and height as the buffer's
// size, as opaque 32-bit RGB: null when it is null or not width x height.
QImage photoOfSize(QImage qim, int width, int height, const char *operation)
{
    qim = toRgb32(std::move(qim));
    if (qim.isNull() || width != qim.width() || height != qim.height()) {
        qCWarning(lcEngine).nospace() << operation << ": size " << width << "x" << height
                                      << " is not the picture's " << qim.width() << "x" << qim.height();
        return {};
    }
    return qim;
}

}  // namespace

// --- sharpen and colour mixer ------------------------------------------------

QPixmap ZQDImageEngine::SharpenImage(QString path, int width, int height, float depth)
{
    QImage qim = imageio::readPicture(path);
    qCDebug(lcEngine) << "qim status=" << (qim.isNull() ? "true" : "false");
    if (qim.isNull())
        return {};
    return SharpenImage(std::move(qim), width, height, depth);
}

QPixmap ZQDImageEngine::SharpenImage(QImage qim, int width, int height, float depth)
{
    const QImage alpha = alphaOf(qim);
    qim = photoOfSize(std::move(qim), width, height, "SharpenImage");
    if (qim.isNull())
        return {};
    uchar *image = pixelBuffer(qim);
    std::unique_ptr<uchar[]> blurred(iTheEngine->SharpInit(image, width, height));
    if (!blurred)
        return {};
    iTheEngine->SharpProcess(image, blurred.get(), width, height, depth);
    return resultPixmap(withAlpha(std::move(qim), alpha));
}

QPixmap ZQDImageEngine::MixingColorBCS(QString path, int width, int height, int brightness, int contrast,
                                       int saturation)
{
    QImage qim = imageio::readPicture(path);
    qCDebug(lcEngine) << "qim status=" << (qim.isNull() ? "true" : "false");
    if (qim.isNull())
        return {};
    return MixingColorBCS(std::move(qim), width, height, brightness, contrast, saturation);
}

QPixmap ZQDImageEngine::MixingColorBCS(QImage qim, int width, int height, int brightness, int contrast,
                                       int saturation)
{
    const QImage alpha = alphaOf(qim);
    qim = photoOfSize(std::move(qim), width, height, "MixingColorBCS");
    if (qim.isNull())
        return {};
    iTheEngine->ColorMixing(pixelBuffer(qim), width, height, brightness, contrast, saturation);
    return resultPixmap(withAlpha(std::move(qim), alpha));
}

// --- geometry ----------------------------------------------------------------

QPixmap ZQDImageEngine::revolvImage(QString imagePath, double scale, double degree, bool horizontal,
                                    bool vertical, bool swap)
{
    QImage currentImage;
    const bool exists = QFile::exists(imagePath);
    qCDebug(lcEngine) << imagePath << "existStatus=" << (exists ? "true" : "false");
    if (!exists)
        return {};

    const QSize stored = imageio::uprightSize(imagePath);
    qCDebug(lcEngine) << "imageSize width=" << stored.width();
    qCDebug(lcEngine) << "imageSize height=" << stored.height();
    if (!stored.isValid() || stored.isEmpty())
        return {};
    // The box has the upright proportions, or their transpose.
    const QSize box = swap ? stored : stored.transposed();
    currentImage = imageio::readPicture(imagePath, [scale](QSize upright) { return scaledDecodeSize(upright, scale); });
    qCDebug(lcEngine) << "revolvImage currentImage " << (currentImage.isNull() ? "is null" : "is not null");
    if (currentImage.isNull())
        return {};
    // Grey and palette pictures are turned as 32-bit ones.
    if (currentImage.depth() != 32)
        currentImage = currentImage.convertToFormat(currentImage.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                                  : QImage::Format_RGB32);

    currentImage = rotate(std::move(currentImage), degree).mirrored(horizontal, vertical);
    qCDebug(lcEngine) << "srcWidth=" << box.width();
    qCDebug(lcEngine) << "srcHeight=" << box.height();
    const int left = int(float(currentImage.width() - box.width()) * 0.5f);
    const int top = int(float(currentImage.height() - box.height()) * 0.5f);
    // Pixels of the box outside the picture come out all zero.
    return resultPixmap(currentImage.copy(left, top, box.width(), box.height()));
}

QImage ZQDImageEngine::rotate(QImage photomap, double degree)
{
    QTransform matrix;
    matrix.rotate(float(degree));
    return photomap.transformed(matrix, Qt::SmoothTransformation);
}

QImage ZQDImageEngine::reverse(QImage srcImage, bool horizontal, bool vertical)
{
    return srcImage.mirrored(horizontal, vertical);
}

QImage ZQDImageEngine::getScaleImage(QString filename, double times)
{
    QImage currentImage;
    const bool exists = QFile::exists(filename);
    qCDebug(lcEngine) << "times=" << times << filename << "existStatus=" << (exists ? "true" : "false");
    if (exists) {
        if (times == 1.0)
            currentImage = imageio::readPicture(filename);
        else
            currentImage =
                imageio::readPicture(filename, [times](QSize upright) { return scaledDecodeSize(upright, times); });
    }
    qCDebug(lcEngine) << "getScaleImage currentImage " << (currentImage.isNull() ? "is null" : "is not null");
    qCDebug(lcEngine) << "ZQDImageEngine::getScaleImage end width=" << currentImage.width();
    qCDebug(lcEngine) << "ZQDImageEngine::getScaleImage end height=" << currentImage.height();
    return currentImage;
}

// --- focus blur --------------------------------------------------------------

void ZQDImageEngine::weakinit(QString weakImagePath)
{
    qCDebug(lcEngine) << "weakinit 1.0";
    weakrelease();
    // The blur and the merge work on opaque 32-bit pixels.
    weakImage = new QImage(toRgb32(getScaleImage(weakImagePath, 1.0)));
    qCDebug(lcEngine) << "weakinit 1.1";
    qCDebug(lcEngine) << "weakinit 1.2 weakImage null=" << (weakImage->isNull() ? "true" : "false");
    if (!weakImage->isNull())
        pWeakInitArray = iTheEngine->WeakInit(pixelBuffer(*weakImage), weakImage->width(), weakImage->height(),
                                              weakBlurRadius(*weakImage));
    qCDebug(lcEngine) << "weakinit 2.0";
}

namespace {

// One step: the picture as loaded, merged with its blurred copy through mask.
QPixmap weakStep(Qtqveffect *effects, const QImage &picture, uchar *blurred, QImage &mask)
{
    QImage work = picture.copy();
    uchar *workBits = ZQDImageEngine::pixelBuffer(work);
    uchar *maskBits = ZQDImageEngine::pixelBuffer(mask);
    if (!workBits || !maskBits || mask.size() != work.size())
        return {};
    const int weakStatus = effects->WeakProcess(workBits, blurred, maskBits, work.width(), work.height());
    qCDebug(lcEngine) << "tempImage " << (work.isNull() ? "is null" : "is not null");
    qCDebug(lcEngine) << "weakStatus=" << weakStatus;
    return ZQDImageEngine::resultPixmap(std::move(work));
}

}  // namespace

QPixmap ZQDImageEngine::weakprogress(double r1, double r2, int pointX, int pointY)
{
    if (!weakImage || weakImage->isNull() || !pWeakInitArray) {
        qCDebug(lcEngine) << "weakprogress: no focus-blur picture (weakinit first)";
        return {};
    }
    QImage mask = drawGradientCircle(weakImage->width(), weakImage->height(), r1, r2, pointX, pointY);
    return weakStep(iTheEngine, *weakImage, pWeakInitArray, mask);
}

QPixmap ZQDImageEngine::weakRectprogress(double r1, double r2, int pointX1, int pointY1, int pointX2,
                                         int pointY2)
{
    if (!weakImage || weakImage->isNull() || !pWeakInitArray) {
        qCDebug(lcEngine) << "weakRectprogress: no focus-blur picture (weakinit first)";
        return {};
    }
    QImage mask =
        drawGradientRect(weakImage->width(), weakImage->height(), r1, r2, pointX1, pointY1, pointX2, pointY2);
    QPixmap result = weakStep(iTheEngine, *weakImage, pWeakInitArray, mask);
    qCDebug(lcEngine) << "weakprogress 2.0";
    return result;
}

void ZQDImageEngine::weakrelease()
{
    if (pWeakInitArray) {
        delete[] pWeakInitArray;
        pWeakInitArray = nullptr;
    }
    if (weakImage) {
        delete weakImage;
        weakImage = nullptr;
    }
}

QImage ZQDImageEngine::drawGradientCircle(int bgWidth, int bgHeight, double r1, double r2, int pointX,
                                          int pointY)
{
    const double firstPart = r1 / r2;
    qCDebug(lcEngine) << "firstPart=" << firstPart;
    QRadialGradient gradient(QPointF(pointX, pointY), float(r2));
    gradient.setSpread(QGradient::PadSpread);
    addStop(gradient, 0.0, Qt::black);
    addStop(gradient, firstPart, Qt::black);
    addStop(gradient, 1.0, Qt::white);
    return paintMask(bgWidth, bgHeight, QBrush(gradient));
}

QImage ZQDImageEngine::drawGradientRect(int bgWidth, int bgHeight, double r1, double r2, int pointX1,
                                        int pointY1, int pointX2, int pointY2)
{
    const double firstPart = (r2 - r1) / (2 * r2);
    const double secondPart = r1 / (2 * r2);
    QLinearGradient gradient(QPointF(pointX1, pointY1), QPointF(pointX2, pointY2));
    gradient.setSpread(QGradient::PadSpread);
    addStop(gradient, 0.0, Qt::white);
    addStop(gradient, firstPart, Qt::black);
    addStop(gradient, firstPart + 2 * secondPart, Qt::black);
    addStop(gradient, 1.0, Qt::white);
    return paintMask(bgWidth, bgHeight, QBrush(gradient));
}
