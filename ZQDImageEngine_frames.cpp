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
#include "ZQDImageEngine.h"

#include "logging.h"
#include "photoreader.h"

#include "cframe.h"
#include "qtqveffect.h"

#include <QFile>

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
    QImage resultImage = composeSimpleFrame(originImage);
    qCDebug(lcEngine) << "here is over";
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
