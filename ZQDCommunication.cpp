#include "ZQDCommunication.h"

#include "ImageDispose.h"
#include "ZQDImageEngine.h"
#include "collagesupport.h"
#include "deviceinfo.h"
#include "logging.h"
#include "operationerror.h"
#include "photoreader.h"
#include "picturememory.h"
#include "workingpngwriter.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QQuickItem>

#include <algorithm>
#include <cmath>

namespace {

// getImei answers with this fixed fifteen-digit value on every device.
const QString kFixedImei = QStringLiteral("353918050106375");
const QString kFixedDeviceName = QStringLiteral("Nokia N8");

// The fixed naming sources of the collage results (see the collage section).
QString rootFile(const char *name)
{
    return meeGoRootDir() + QLatin1String(name);
}

}  // namespace

ZQDCommunication::ZQDCommunication(QObject *parent)
    : QObject(parent)
{
    iImageEngine = new ZQDImageEngine(this);
    imagedispose = new ImageDispose(this);
    workingfolder = new WorkingFolder(imagedispose, this);
    m_nId = 1018;

    const DeviceInfo info;
    qCDebug(lcFacade) << "info.manufacturer()=" << info.manufacturer();
    qCDebug(lcFacade) << "info.productName()=" << info.productName();
    qCDebug(lcFacade) << "info.model()=" << info.model();
    phonedeviceName = info.manufacturer() + QLatin1Char(' ') + info.model();
    qCDebug(lcFacade) << "info.imei()=" << info.imei();
    imei = info.imei().remove(QLatin1Char('-'));
    imsi = info.imsi();
    qCDebug(lcFacade) << "info.phonedeviceName=" << phonedeviceName;
    qCDebug(lcFacade) << "info.imei=" << imei;
    qCDebug(lcFacade) << "info.imsi=" << imsi;
}

ZQDCommunication::~ZQDCommunication() = default;

QString ZQDCommunication::getCurrentTimeString()
{
    return QDateTime::currentDateTime().toString(Qt::ISODate).replace(QLatin1Char('T'), QLatin1Char(' '));
}

QString ZQDCommunication::writeWorkingFile(const QPixmap &pix, const QString &source)
{
    qCDebug(lcFacade) << "pix status=" << (pix.isNull() ? "true" : "false");
    const QString path = imagedispose->setTemporaryPic(source);
    qCDebug(lcFacade) << "path=" << path;
    if (path.isEmpty())
        return {};
    // The file already there (an earlier result of the same source) stays
    // until the new picture is completely written and renamed over it.
    // Kept in memory too, for the next operation on this file.
    const bool sta = !pix.isNull() && imageio::saveWorkingPicture(pix.toImage(), path);
    qCDebug(lcFacade) << "sta=" << (sta ? "true" : "false");
    return sta ? path : QString();
}

// --- scaled copies -----------------------------------------------------------

QString ZQDCommunication::qualityImage(QString pathimage, double timesTemp)
{
    const QString path = stripFileUrl(std::move(pathimage));
    return writeWorkingFile(compressImage(path, timesTemp), path);
}

namespace {

// The size a picture stored at `natural` is decoded at for the zoom `times`
// (the stored proportions inside (int)(w x times) by (int)(h x times)), or an
// empty size, with the reason recorded, when the zoom is not a finite
// positive number or the copy would have no pixels or a side beyond the cap.
QSize scaledCopySize(QSize natural, double times)
{
    const QSize size = collagesupport::decodeSize(natural, times);
    if (!size.isEmpty())
        return size;
    const auto pictureSize = QStringLiteral("%1 \u00d7 %2").arg(natural.width()).arg(natural.height());
    if (!std::isfinite(times) || times <= 0)
        OperationError::set(QStringLiteral("The scale %1 is not a positive number.").arg(times));
    else if (std::max(natural.width(), natural.height()) * times > collagesupport::kMaxPictureSide)
        OperationError::set(QStringLiteral("Scaled by %1, the %2 picture would be more than %3 pixels on a side.")
                                .arg(times).arg(pictureSize).arg(collagesupport::kMaxPictureSide));
    else
        OperationError::set(
            QStringLiteral("Scaled by %1, nothing is left of the %2 picture.").arg(times).arg(pictureSize));
    return {};
}

}  // namespace

QPixmap ZQDCommunication::compressImage(QString filename, double times)
{
    qCDebug(lcFacade) << "ZQDCommunication::compressImage begin " << getCurrentTimeString();
    const bool scaled = times != 1.0;
    // The upright size times `times`, truncated, with the aspect ratio kept.
    auto target = [&](QSize natural) {
        qCDebug(lcFacade) << "imageSize.width()=" << natural.width();
        qCDebug(lcFacade) << "imageSize.height()=" << natural.height();
        return scaledCopySize(natural, times);
    };
    qCDebug(lcFacade) << "ZQDCommunication::compressImage begin 2.0 " << getCurrentTimeString();
    QImage image = scaled ? imageio::readPicture(filename, target) : imageio::readPicture(filename);
    qCDebug(lcFacade) << "ZQDCommunication::compressImage end " << getCurrentTimeString();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(image));
}

// --- looks, frames, adjustments, text, focus blur, geometry ------------------
// Each entry strips "file://", asks the engine for the picture and writes it
// with writeWorkingFile(pix, path).

QString ZQDCommunication::loadImage(QString pathimage, int processid)
{
    const QString path = stripFileUrl(std::move(pathimage));
    return writeWorkingFile(iImageEngine->Process(path, processid), path);
}

QString ZQDCommunication::framesimpleImage(QString pathimage, int processid)
{
    const QString path = stripFileUrl(std::move(pathimage));
    return writeWorkingFile(iImageEngine->FrameSimple(path, processid), path);
}

QString ZQDCommunication::framecolorfulImage(QString pathimage, int processid)
{
    const QString path = stripFileUrl(std::move(pathimage));
    return writeWorkingFile(iImageEngine->FrameColorful(path, processid), path);
}

QString ZQDCommunication::mixingcolorImage(QString pathimage, int width, int height, int brightness,
                                           int contrast, int saturation)
{
    const QString path = stripFileUrl(std::move(pathimage));
    return writeWorkingFile(iImageEngine->MixingColorBCS(path, width, height, brightness, contrast, saturation),
                            path);
}

QString ZQDCommunication::SharpImage(QString pathimage, int width, int height, float depth)
{
    const QString path = stripFileUrl(std::move(pathimage));
    return writeWorkingFile(iImageEngine->SharpenImage(path, width, height, depth), path);
}

QString ZQDCommunication::writingFontImage(QString stylepath, QString srcImagePath, float srcScale, float innerx,
                                           float innery, QString textImageFile, float textImageFileScale,
                                           QString textContent, float rotateDegree, int textSize,
                                           QString textColor, int shadow, int bold, float areaW, float areaH,
                                           float areaX, float areaY)
{
    const QString path = stripFileUrl(std::move(srcImagePath));
    return writeWorkingFile(iImageEngine->drawTextOnImage(std::move(stylepath), path, srcScale, innerx, innery,
                                                          std::move(textImageFile), textImageFileScale,
                                                          std::move(textContent), rotateDegree, textSize,
                                                          std::move(textColor), shadow, bold, areaW, areaH, areaX,
                                                          areaY),
                            path);
}

void ZQDCommunication::weakinit(QString weakImagePath)
{
    iImageEngine->weakinit(stripFileUrl(std::move(weakImagePath)));
}

// The focus-blur steps work on the picture of weakinit; pathimage only names
// the working file.
QString ZQDCommunication::weakprogress(QString pathimage, double r1, double r2, int pointX, int pointY)
{
    return writeWorkingFile(iImageEngine->weakprogress(r1, r2, pointX, pointY), pathimage);
}

void ZQDCommunication::weakrelease()
{
    iImageEngine->weakrelease();
}

QString ZQDCommunication::weakRectprogress(QString pathimage, double r1, double r2, int pointX1, int pointY1,
                                           int pointX2, int pointY2)
{
    return writeWorkingFile(iImageEngine->weakRectprogress(r1, r2, pointX1, pointY1, pointX2, pointY2),
                            pathimage);
}

QString ZQDCommunication::revolvingImage(QString pathimage, double scale, double degree, bool horizontal,
                                         bool vertical, bool swap)
{
    const QString path = stripFileUrl(std::move(pathimage));
    // A zoom or a turn the editor cannot make (not a number, or a picture
    // beyond the cap) writes nothing; the engine is not asked.
    if (!std::isfinite(degree)) {
        OperationError::set(QStringLiteral("The turn %1 is not a number of degrees.").arg(degree));
        return writeWorkingFile(QPixmap(), path);
    }
    if (scale != 1.0) {
        const QSize stored = imageio::uprightSize(path);
        if (stored.isValid()) {
            const QSize decoded = scaledCopySize(stored, scale);
            if (decoded.isEmpty())
                return writeWorkingFile(QPixmap(), path);
            if (!collagesupport::allocatable(collagesupport::turnedSize(decoded, degree))) {
                OperationError::set(QStringLiteral("Turned by %1 degrees, the picture would be more than %2 pixels "
                                                   "on a side.").arg(degree).arg(collagesupport::kMaxPictureSide));
                return writeWorkingFile(QPixmap(), path);
            }
        }
    }
    return writeWorkingFile(iImageEngine->revolvImage(path, scale, degree, horizontal, vertical, swap), path);
}

// --- collages ----------------------------------------------------------------
// Template and stitched collages are named after root + "templatebg.png", the
// free collage after "free.png", its background after "freebgtemp.png", the
// saved collages after "template.png" and "stitching.png".

bool ZQDCommunication::getMixRule(QString style)
{
    return iImageEngine->getMixRule(std::move(style));
}

QString ZQDCommunication::getTemplateRule(QString templateStyle, QString frameStyle, QString pingpuFile)
{
    return writeWorkingFile(
        iImageEngine->getTemplateRule(std::move(templateStyle), std::move(frameStyle), std::move(pingpuFile)),
        rootFile("templatebg.png"));
}

QString ZQDCommunication::getStitchingRule(QString frameStyle, QString pingpuFile, float w, float h)
{
    return writeWorkingFile(iImageEngine->joinIn(std::move(frameStyle), std::move(pingpuFile), w, h),
                            rootFile("templatebg.png"));
}

int ZQDCommunication::imageRectCount()
{
    return iImageEngine->imageRectCount();
}

ZQDImageRect *ZQDCommunication::getImageRect(int index)
{
    return iImageEngine->getImageRect(index);
}

void ZQDCommunication::clearPaintImageList()
{
    iImageEngine->clearPaintImageList();
}

void ZQDCommunication::addPaintImage(QString imagepath, float posx, float posy, float width, float height,
                                     float copyx, float copyy, float degree, bool horizontal, bool vertical,
                                     float scale)
{
    iImageEngine->addPaintImage(std::move(imagepath), posx, posy, width, height, copyx, copyy, degree, horizontal,
                                vertical, scale);
}

QString ZQDCommunication::savePuzzleFree(QString bgImagePath)
{
    return writeWorkingFile(iImageEngine->mixImages(stripFileUrl(std::move(bgImagePath))), rootFile("free.png"));
}

QString ZQDCommunication::savePuzzleTemplate(QString bgImagePath)
{
    return writeWorkingFile(iImageEngine->mixtemplateImages(stripFileUrl(std::move(bgImagePath))),
                            rootFile("template.png"));
}

QString ZQDCommunication::savePuzzleStitching(QString bgImagePath)
{
    return writeWorkingFile(iImageEngine->mixtemplateImages(stripFileUrl(std::move(bgImagePath))),
                            rootFile("stitching.png"));
}

// --- identity ----------------------------------------------------------------

QString ZQDCommunication::getImei()
{
    return kFixedImei;
}

QString ZQDCommunication::getDeviceName()
{
    return kFixedDeviceName;
}

QString ZQDCommunication::revolvFreeBgImage(QString imagePath, float scale, float wTemp, float hTemp)
{
    return writeWorkingFile(iImageEngine->revolvFreeBgImage(std::move(imagePath), scale, wTemp, hTemp),
                            rootFile("freebgtemp.png"));
}

// --- cache pictures ----------------------------------------------------------

QString ZQDCommunication::saveCacheImage(QString pathimage, QObject *imageObj)
{
    const QString path = imagedispose->setTemporaryCachePic(pathimage);
    if (path.isEmpty())
        return {};
    if (QFile::exists(path)) {
        qCDebug(lcFacade) << "saveCacheImage::exists";
        return path;
    }
    if (!qobject_cast<QQuickItem *>(imageObj)) {
        qCDebug(lcFacade) << "Item is NULL";
        return {};
    }
    const QImage shot = grabItemImage(imageObj);
    if (shot.isNull()) {
        // Nothing rendered: a blank cache picture would be reused for good.
        qCDebug(lcFacade) << "saveCacheImage: the item could not be rendered";
        return {};
    }
    QImage image(shot.size(), QImage::Format_ARGB32);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.drawImage(0, 0, shot);
    }
    qCDebug(lcFacade) << "path=" << path;
    const bool sta = saveWorkingPng(image, path);
    qCDebug(lcFacade) << "saveCacheImage::sta=" << (sta ? "true" : "false");
    return sta ? path : QString();
}

QString ZQDCommunication::isHaveSaveCacheImage(QString pathimage)
{
    QString path = imagedispose->setTemporaryCachePic(pathimage);
    if (!QFile::exists(path))
        path.clear();
    qCDebug(lcFacade) << "isHaveSaveCacheImage::path=" << path;
    return path;
}

// --- working files -----------------------------------------------------------

bool ZQDCommunication::clearTemporaryPic()
{
    return imagedispose->clearTemporaryPic();
}

QString ZQDCommunication::getMeeGoRootDir()
{
    return imagedispose->getMeeGoRootDir();
}

bool ZQDCommunication::copyImage(QString qvrkTempPath, QString copyPath)
{
    return imagedispose->copyImage(std::move(qvrkTempPath), std::move(copyPath));
}

QString ZQDCommunication::cropPic(QString filename, int imsgeScreenWidth, int imageScreenHeight, int boxWidth,
                                  int boxHeight, int boxStartx, int boxStarty)
{
    return imagedispose->cropPic(std::move(filename), imsgeScreenWidth, imageScreenHeight, boxWidth, boxHeight,
                                 boxStartx, boxStarty);
}

QString ZQDCommunication::turnPic(QObject *imageObj, QString filename, int boxWidth, int boxHeight)
{
    return imagedispose->turnPic(imageObj, std::move(filename), boxWidth, boxHeight);
}
