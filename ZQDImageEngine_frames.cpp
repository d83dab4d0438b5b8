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
#include "framegeometry.h"
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

// What the compositor lays over the photo, on a layer of its composite's size:
// the white it starts from, clear where the photo (`photo`) lies, for the
// pieces to be laid over.
QImage frameLayer(QSize size, const QRect &photo)
{
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return {};
    layer.fill(qRgb(255, 255, 255));
    QPainter clear(&layer);
    clear.setCompositionMode(QPainter::CompositionMode_Source);
    clear.fillRect(photo, Qt::transparent);
    clear.end();
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
    const auto *bytes = reinterpret_cast<uchar *>(inifileByte.data());
    if (!frame->ReadFrameFile(const_cast<uchar *>(bytes), int(inifileByte.size()))
        || !framegeometry::readInsets(bytes, int(inifileByte.size()), frameInsets))
        return false;

    for (QImage &piece : framePieces)
        piece = QImage();
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
        framePieces[i] = std::move(tempImage);
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
    // The frame laid around the copy, by the compositor's own rule.
    long long pieceSize[framegeometry::PieceCount][2] = {};
    for (int p = 0; p < framegeometry::PieceCount; ++p) {
        pieceSize[p][0] = framePieces[p].width();
        pieceSize[p][1] = framePieces[p].height();
    }
    const int cutWidth[4] = {frameInsets[0], frameInsets[2], frameInsets[4], frameInsets[6]};
    const int cutHeight[4] = {frameInsets[1], frameInsets[3], frameInsets[5], frameInsets[7]};
    const framegeometry::Layout l = framegeometry::layout(copy.width(), copy.height(), cutWidth, cutHeight, pieceSize);
    if (l.left >= l.right || l.top >= l.bottom || l.width > kFrameMaxSide || l.height > kFrameMaxSide)
        return {};

    const double sx = double(photo.width()) / copy.width();
    const double sy = double(photo.height()) / copy.height();
    const QSize size(qRound(l.width * sx), qRound(l.height * sy));
    if (size.width() > kFrameMaxSide || size.height() > kFrameMaxSide ||
        qint64(size.width()) * size.height() > kFrameMaxPixels)
        return {};
    QImage result = plainPicture(size, qRgb(255, 255, 255));
    QImage layer = frameLayer(QSize(int(l.width), int(l.height)),
                              QRect(int(l.x), int(l.y), int(l.right - l.left), int(l.bottom - l.top)));
    if (result.isNull() || layer.isNull())
        return {};
    QPainter pieces(&layer);
    framegeometry::forEachPiece(l, pieceSize, [&](int p, long long x, long long y) {
        if (!framePieces[p].isNull())
            pieces.drawImage(QPoint(int(x), int(y)), framePieces[p]);
    });
    pieces.end();
    QPainter painter(&result);
    painter.drawImage(QPointF(qRound(sx * double(l.x - l.left)), qRound(sy * double(l.y - l.top))), photo);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), layer);
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
