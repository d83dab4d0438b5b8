// Frames around the photo.
//
//   FrameSimple      a ".qvrbk" frame file laid around the photo by the frame
//                    compositor; the result is larger than the photo
//   FrameColorful    a full-size mask screened over the photo by the library;
//                    the result keeps the photo's size
//
// The compositor works on 32-bit pixels with alpha in byte 3 (not
// premultiplied): the photo and the decoded pieces are converted to that
// before they are handed over, whatever their stored format.
//
// A frame file's pieces are drawn for a photo of the screen's size, where the
// interface previews the frames. A larger photo gets the frame its
// screen-size copy gets, scaled up to the photo's size and laid over the
// photo itself, so the frame keeps the thickness the preview showed.
#include "ZQDImageEngine.h"

#include "collagesupport.h"
#include "logging.h"
#include "photoreader.h"

#include "cframe.h"
#include "qtqveffect.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <iterator>

namespace {

struct SimpleFrame {
    int id;
    const char *file;
};

constexpr SimpleFrame kSimpleFrames[] = {
    {1701, ":/ini/baikuang.qvrbk"},          {1702, ":/ini/bodian.qvrbk"},
    {1703, ":/ini/dianyingjiaopian.qvrbk"},  {1704, ":/ini/feilin.qvrbk"},
    {1705, ":/ini/fenhongxinqing.qvrbk"},    {1706, ":/ini/fuguxiangkuang.qvrbk"},
    {1707, ":/ini/heikuang.qvrbk"},          {1708, ":/ini/jiaodai.qvrbk"},
    {1709, ":/ini/jingdianbiankuang.qvrbk"}, {1710, ":/ini/keaibanyuan.qvrbk"},
    {1711, ":/ini/leisibian.qvrbk"},         {1712, ":/ini/luxiangji.qvrbk"},
    {1713, ":/ini/xiangzhi.qvrbk"},          {1714, ":/ini/youpiao.qvrbk"},
};

struct ColorfulFrame {
    int id;
    const char *mask;
    int mode;
};

// Modes 1 and 2 both screen the mask over the photo at full strength.
constexpr ColorfulFrame kColorfulFrames[] = {
    {1500, ":/colorful/guangyun1.jpg", 1},   {1501, ":/colorful/yinhe2.jpg", 2},
    {1502, ":/colorful/xueye1.jpg", 1},      {1503, ":/colorful/aixin2.jpg", 2},
    {1504, ":/colorful/wujiaoxing1.jpg", 1}, {1505, ":/colorful/qisehua1.jpg", 1},
};

const char *simpleFrameFile(int id)
{
    for (const SimpleFrame &f : kSimpleFrames) {
        if (f.id == id)
            return f.file;
    }
    return nullptr;
}

// A picture as 32-bit pixels the compositor can read: RGB32 and ARGB32 stay
// as they are, anything else (grey, palette, premultiplied, 16-bit) becomes
// ARGB32 when it has alpha and RGB32 when it has none.
QImage to32Bit(QImage image)
{
    if (image.isNull() || image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage plainPicture(QSize size, QRgb colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// Where two pictures of one size first differ; (-1, -1) when nowhere.
QPoint firstDifference(const QImage &a, const QImage &b)
{
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (ra[x] != rb[x])
                return {x, y};
        }
    }
    return {-1, -1};
}

// The frame of two composites, around a black and around a white photo, as a
// premultiplied layer: where the photo shows through, the two differ by the
// part of it that shows.
QImage frameLayer(const QImage &onBlack, const QImage &onWhite)
{
    QImage layer(onBlack.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < layer.height(); ++y) {
        const auto *black = reinterpret_cast<const QRgb *>(onBlack.constScanLine(y));
        const auto *white = reinterpret_cast<const QRgb *>(onWhite.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const int alpha = 255 - std::clamp(qGreen(white[x]) - qGreen(black[x]), 0, 255);
            out[x] = qRgba(std::min(qRed(black[x]), alpha), std::min(qGreen(black[x]), alpha),
                           std::min(qBlue(black[x]), alpha), alpha);
        }
    }
    return layer;
}

}  // namespace

bool ZQDImageEngine::colorfulFrameRecipe(int id, const char **mask, int *mode)
{
    for (const ColorfulFrame &f : kColorfulFrames) {
        if (f.id == id) {
            if (mask)
                *mask = f.mask;
            if (mode)
                *mode = f.mode;
            return true;
        }
    }
    return false;
}

bool ZQDImageEngine::loadSimpleFrame(int id)
{
    const char *file = simpleFrameFile(id);
    if (!file)
        return false;
    QFile inifile(QString::fromLatin1(file));
    if (!inifile.open(QIODevice::ReadOnly)) {
        qCDebug(lcEngine) << "not get inifile";
        return false;
    }
    QByteArray inifileByte = inifile.readAll();
    qCDebug(lcEngine) << "inifileByte.length()=" << inifileByte.length();
    if (!frame->ReadFrameFile(reinterpret_cast<uchar *>(inifileByte.data()), int(inifileByte.size())))
        return false;

    for (int i = 0; i < frame->BODERPART_COUNT; ++i) {
        int nLen = 0;
        uchar *pImage = frame->GetFrameImage(i, nLen);
        if (!pImage) {
            qCDebug(lcEngine) << "pImage is null";
            continue;
        }
        QImage tempImage;
        if (nLen <= 0 || !tempImage.loadFromData(pImage, nLen)) {
            // A piece that is there but does not decode: the frame is damaged.
            qCWarning(lcEngine) << "frame" << id << "piece" << i << "cannot be decoded";
            return false;
        }
        tempImage = to32Bit(std::move(tempImage));
        uchar *pixels = pixelBuffer(tempImage);
        if (!pixels)
            return false;
        frame->SetFrameImageData(i, pixels, tempImage.width(), tempImage.height());
    }
    return true;
}

QImage ZQDImageEngine::composeSimpleFrame(QImage &photo)
{
    uchar *image = pixelBuffer(photo);
    if (!image)
        return {};
    int outWidth = 0;
    int outHeight = 0;
    uchar *composite = frame->GetCompositeImage(image, photo.width(), photo.height(), 1.0f, &outWidth, &outHeight);
    if (!composite || outWidth <= 0 || outHeight <= 0)
        return {};
    // The composite stays with the compositor: copy it out.
    return QImage(composite, outWidth, outHeight, QImage::Format_RGB32).copy();
}

QSize ZQDImageEngine::screenCopySize(QSize picture)
{
    const int longSide = std::max(picture.width(), picture.height());
    if (longSide <= kScreenSide)
        return picture.isEmpty() ? QSize() : picture;
    // The same double the interface hands over, for the same truncation.
    return collagesupport::decodeSize(picture, double(kScreenSide) / longSide);
}

QImage ZQDImageEngine::composeScaledFrame(QImage &photo)
{
    const QSize copy = screenCopySize(photo.size());
    if (copy.isEmpty())
        return {};
    QImage black = plainPicture(copy, qRgb(0, 0, 0));
    QImage white = plainPicture(copy, qRgb(255, 255, 255));
    const QImage onBlack = composeSimpleFrame(black);
    const QImage onWhite = composeSimpleFrame(white);
    // Where the copy lies in its composite: a black copy with one white pixel
    // at its centre is framed differently there alone.
    const QPoint centre(copy.width() / 2, copy.height() / 2);
    black.setPixel(centre, qRgb(255, 255, 255));
    const QImage marked = composeSimpleFrame(black);
    if (onBlack.isNull() || onWhite.size() != onBlack.size() || marked.size() != onBlack.size())
        return {};
    const QPoint landing = firstDifference(onBlack, marked);
    if (landing.x() < 0)
        return {};  // a frame that hides the copy's centre: nothing to align on

    const double sx = double(photo.width()) / copy.width();
    const double sy = double(photo.height()) / copy.height();
    const QSize size(qRound(onBlack.width() * sx), qRound(onBlack.height() * sy));
    if (size.width() > kFrameMaxSide || size.height() > kFrameMaxSide ||
        qint64(size.width()) * size.height() > kFrameMaxPixels)
        return {};
    QImage result = plainPicture(size, qRgb(255, 255, 255));
    if (result.isNull())
        return {};
    QPainter painter(&result);
    painter.drawImage(QPointF(qRound(sx * (landing.x() - centre.x())), qRound(sy * (landing.y() - centre.y()))),
                      photo);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), frameLayer(onBlack, onWhite));
    painter.end();
    return result;
}

QPixmap ZQDImageEngine::FrameSimple(QString path, int id)
{
    QImage originImage = to32Bit(imageio::readPicture(path));
    if (originImage.isNull()) {
        qCDebug(lcEngine) << "FrameSimple: the photo cannot be decoded";
        return {};
    }
    qCDebug(lcEngine).nospace() << "FrameSimple w=" << originImage.width() << " h=" << originImage.height();

    if (!loadSimpleFrame(id)) {
        qCDebug(lcEngine) << "FrameSimple: no frame" << id << "; the photo is unchanged";
        return resultPixmap(std::move(originImage));
    }
    // Beyond the screen's size, the frame of the screen-size copy scaled up.
    QImage resultImage;
    if (screenScale(originImage.width(), originImage.height()) > 1.0)
        resultImage = composeScaledFrame(originImage);
    if (resultImage.isNull())
        resultImage = composeSimpleFrame(originImage);
    if (resultImage.isNull())
        return resultPixmap(std::move(originImage));
    return resultPixmap(std::move(resultImage));
}

QPixmap ZQDImageEngine::FrameColorful(QString path, int id)
{
    qCDebug(lcEngine) << "FrameColorful id " << id;
    QImage qim = loadPic(path);
    qCDebug(lcEngine) << "FrameColorful qim status=" << (qim.isNull() ? "true" : "false");
    if (qim.isNull())
        return {};

    const char *maskPath = nullptr;
    int mode = 0;
    if (!colorfulFrameRecipe(id, &maskPath, &mode))
        return resultPixmap(std::move(qim));
    QImage mask1 = loadMask(QString::fromLatin1(maskPath), qim.width(), qim.height());
    uchar *maskBits = pixelBuffer(mask1);
    if (!maskBits) {
        qCWarning(lcEngine) << "FrameColorful: the mask of frame" << id << "cannot be read; the photo is unchanged";
        return resultPixmap(std::move(qim));
    }
    qCDebug(lcEngine).nospace() << "FrameColorful mask1 width=" << mask1.width() << " height=" << mask1.height()
                                << " len=" << mask1.sizeInBytes();
    iTheEngine->ColorfulFrame(pixelBuffer(qim), maskBits, qim.width(), qim.height(), mode);
    return resultPixmap(std::move(qim));
}
