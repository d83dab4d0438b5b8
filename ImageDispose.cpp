#include "ImageDispose.h"

#include "logging.h"
#include "photoreader.h"
#include "operationerror.h"
#include "picturememory.h"
#include "quietremoval.h"
#include "workingpngwriter.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QQuickItem>
#include <QQuickItemGrabResult>
#include <QQuickWindow>
#include <QTimer>

#include <cmath>

namespace {

const QString kTempFolder = QStringLiteral(".qvrkTemp");
const QString kCacheFolder = QStringLiteral(".qvrkCache");
const QString kSavedFolder = QStringLiteral("zeltanorvik");

// How long a render of a shown item may take before it counts as failed.
constexpr int kGrabTimeoutMs = 5000;

void recordNoRoot()
{
    OperationError::set(QStringLiteral("There is no folder for your pictures: %1.").arg(documentRootProblem()));
}

// What a source's working files are named after: the source cut before its
// last "." (on the whole path: a dot in a folder name counts too), then its
// part after the last "/".
QString sourceStem(QString source)
{
    const int dot = source.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        source.truncate(dot);
    return source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

QString stripFileUrl(QString path)
{
    return path.remove(QStringLiteral("file://"));
}

QString timeStampDigits(const QDateTime &when)
{
    QString s = when.toString(Qt::ISODate);
    s.remove(QLatin1Char('T'));
    s.remove(QLatin1Char(':'));
    s.remove(QLatin1Char('-'));
    return s;
}

QImage grabItemImage(QObject *imageObj)
{
    auto *item = qobject_cast<QQuickItem *>(imageObj);
    if (!item)
        return {};
    const QSize size(int(std::lround(item->width())), int(std::lround(item->height())));
    if (size.isEmpty() || !item->window() || !item->window()->isVisible()) {
        qCDebug(lcFiles) << "item cannot be rendered, size" << size;
        return {};
    }
    QSharedPointer<QQuickItemGrabResult> grab = item->grabToImage(size);
    if (!grab)
        return {};
    // The picture is ready after the next frame; wait for it without letting
    // user input reach the interface in the meantime.
    QEventLoop loop;
    bool ready = false;
    QObject::connect(grab.data(), &QQuickItemGrabResult::ready, &loop, [&] {
        ready = true;
        loop.quit();
    });
    QTimer::singleShot(kGrabTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!ready) {
        qCDebug(lcFiles) << "item render timed out";
        return {};
    }
    return grab->image();
}

ImageDispose::ImageDispose(QObject *parent)
    : QObject(parent)
    , area(WorkingArea::forProcess())
{
}

void ImageDispose::setWorkingArea(std::shared_ptr<WorkingArea> other)
{
    area = std::move(other);
}

QString ImageDispose::temporaryFolder()
{
    const QString root = createRootPath();
    if (root.isEmpty())
        return {};
    const QString folder = area ? area->folder() : QString();
    if (folder.isEmpty() || !folder.startsWith(root)) {
        const QString problem = area ? area->problem() : QString();
        OperationError::set(problem.isEmpty()
                                ? QStringLiteral("No working folder could be locked in %1.").arg(root + kTempFolder)
                                : problem);
        return {};
    }
    return setRootPath(folder.mid(root.size()).chopped(1));
}

QStringList ImageDispose::forgetWorkingFile(const QString &path)
{
    const QString folder = area ? area->folder() : QString();
    const QString source = stripFileUrl(path);
    if (folder.isEmpty() || source.isEmpty())
        return {};
    // The screen and thumbnail copies of any source are named as its working
    // file is, less "_norvik.png" (OperationRunner's screenCopy).
    QString base = workingFileName(sourceStem(source), QStringLiteral("_norvik.png"));
    base.chop(qsizetype(qstrlen("_norvik.png")));
    QStringList names;
    const QStringList all = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : all) {
        if (name.startsWith(base + QStringLiteral(".screen")) || name.startsWith(base + QStringLiteral(".thumbs")))
            names.append(name);
    }
    // The file itself only when it is one of this instance's.
    const QFileInfo file(source);
    if (file.absolutePath() + QLatin1Char('/') == folder)
        names.prepend(file.fileName());
    // Called on the window's thread: the names go now, the blocks soon.
    QStringList removed;
    for (const QString &name : std::as_const(names)) {
        if (quietremoval::remove(folder + name))
            removed.append(folder + name);
    }
    return removed;
}

QString ImageDispose::getMeeGoRootDir()
{
    if (meeGoRootDir().isEmpty())
        recordNoRoot();
    return meeGoRootDir();
}

QString ImageDispose::createRootPath()
{
    const QString &root = meeGoRootDir();
    if (root.isEmpty()) {
        recordNoRoot();
        return {};
    }
    if (!makesurePath(root)) {
        OperationError::set(QStringLiteral("The folder for your pictures, %1, cannot be made.").arg(root));
        return {};
    }
    return root;
}

bool ImageDispose::makesurePath(const QString &path)
{
    return QDir().mkpath(path);
}

QString ImageDispose::setRootPath(QString pathTemp)
{
    const QString root = createRootPath();
    if (root.isEmpty())
        return {};
    const QString folder = root + pathTemp + QLatin1Char('/');
    if (!makesurePath(folder)) {
        OperationError::set(QStringLiteral("The folder %1 cannot be made.").arg(folder));
        return {};
    }
    return folder;
}

QString ImageDispose::outputPath(QString originalPic, const QString &folder, const QString &suffix)
{
    const QString stem = sourceStem(stripFileUrl(std::move(originalPic)));
    const QString dir = folder == kTempFolder ? temporaryFolder() : setRootPath(folder);
    if (dir.isEmpty())
        return {};  // never a bare name, which would land in the current folder
    return dir + workingFileName(stem, suffix);
}

QString ImageDispose::setTemporaryPic(QString originalPic)
{
    const QString path = outputPath(std::move(originalPic), kTempFolder, QStringLiteral("_norvik.png"));
    qCDebug(lcFiles) << "qvrkTempPath: " << path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    qCDebug(lcFiles) << "qvrkTempImageName: " << path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    qCDebug(lcFiles) << "qvrkTempImagePath: " << path;
    return path;
}

QString ImageDispose::setTemporaryCachePic(QString originalPic)
{
    return outputPath(std::move(originalPic), kCacheFolder, QStringLiteral("_cache.png"));
}

bool ImageDispose::clearTemporaryPic()
{
    const QString root = createRootPath();
    if (root.isEmpty())
        return false;
    const QString own = area ? area->folder() : QString();
    const bool ownCleared = !own.isEmpty() && deleteDir(own);
    const bool othersCleared = workingarea::sweepOrphans(root);
    return ownCleared && othersCleared;
}

bool ImageDispose::deleteDir(QString dirName)
{
    return workingarea::removeTree(std::move(dirName));
}

QString ImageDispose::getCurrentTimeString()
{
    const QString s = timeStampDigits(QDateTime::currentDateTime());
    qCDebug(lcFiles) << "getCurrentTimeString s=" << s;
    return s;
}

QString ImageDispose::savedFolder()
{
    return setRootPath(kSavedFolder);
}

bool ImageDispose::copyImage(QString qvrkTempPath, QString copyPath)
{
    const QString source = stripFileUrl(std::move(qvrkTempPath));
    const QString folder = savedFolder();
    if (folder.isEmpty())
        return false;
    const QString destination = folder + getCurrentTimeString() + QStringLiteral(".png");
    qCDebug(lcFiles) << "_qvrkTempPath: " << source;
    qCDebug(lcFiles) << "_copyPath: " << folder << copyPath;
    qCDebug(lcFiles) << "_copyPathImage: " << destination;
    // A byte copy; QFile::copy never replaces an existing file.
    const bool copyFlag = QFile::copy(source, destination);
    qCDebug(lcFiles) << "copyFlag: " << copyFlag;
    if (!copyFlag && QFileInfo::exists(destination))
        OperationError::set(QStringLiteral("A picture was saved as %1 this very second.").arg(destination));
    return copyFlag;
}

QImage ImageDispose::croppedPicture(QImage image, int imsgeScreenWidth, int imageScreenHeight, int boxWidth,
                                    int boxHeight, int boxStartx, int boxStarty)
{
    // A screen of no size has no ratio to map the box with.
    if (imsgeScreenWidth <= 0 || imageScreenHeight <= 0) {
        qCDebug(lcFiles) << "cropPic: screen size" << imsgeScreenWidth << imageScreenHeight << "refused";
        return {};
    }
    const int h = image.height();
    const int w = image.width();
    if (h > imageScreenHeight || w > imsgeScreenWidth) {
        qCDebug(lcFiles) << "img need scaled";
        image = image.scaledToHeight(imageScreenHeight).scaledToWidth(imsgeScreenWidth);
    } else {
        // Picture pixels per screen pixel, by the height ratio for all four values.
        auto toPicture = [&](int v) { return int(qint64(v) * h / imageScreenHeight); };
        boxWidth = toPicture(boxWidth);
        boxHeight = toPicture(boxHeight);
        boxStartx = toPicture(boxStartx);
        boxStarty = toPicture(boxStarty);
    }
    if (boxWidth <= 0 || boxHeight <= 0) {
        OperationError::set(QStringLiteral("The crop box is empty."));
        return {};
    }
    return image.copy(boxStartx, boxStarty, boxWidth, boxHeight);
}

QString ImageDispose::cropPic(QString filename, int imsgeScreenWidth, int imageScreenHeight,
                              int boxWidth, int boxHeight, int boxStartx, int boxStarty)
{
    // Always cut anew: an older file under the output name is another
    // picture (a look or an earlier crop of the same source), replaced only
    // once the new crop is written.
    const QString output = setTemporaryPic(filename);
    qCDebug(lcFiles) << "uploadImageName=" << output;
    if (output.isEmpty())
        return {};

    // The box is on the picture as shown: upright.
    const QImage image = imageio::readPicture(stripFileUrl(filename));
    qCDebug(lcFiles) << "loadStatus=" << !image.isNull();
    if (image.isNull()) {
        OperationError::set(QStringLiteral("The picture %1 cannot be read.").arg(stripFileUrl(filename)));
        return {};
    }
    const QImage cropped = croppedPicture(image, imsgeScreenWidth, imageScreenHeight, boxWidth, boxHeight, boxStartx,
                                          boxStarty);
    if (cropped.isNull())
        return {};
    const bool saved = imageio::saveWorkingPicture(cropped, output);
    qCDebug(lcFiles) << "save upload  logo image " << saved;
    qCDebug(lcFiles) << "logo qvrkTempImagePath=" << output;
    return saved ? output : QString();
}

QString ImageDispose::turnPic(QObject *imageObj, QString filename, int boxWidth, int boxHeight)
{
    // Always rendered anew, like the crop.
    const QString output = setTemporaryPic(filename);
    qCDebug(lcFiles) << "uploadImageName=" << output;
    if (output.isEmpty())
        return {};

    const bool loadStatus = !imageio::readPicture(stripFileUrl(filename)).isNull();
    qCDebug(lcFiles) << "loadStatus=" << loadStatus;
    if (!loadStatus)
        return {};

    if (!qobject_cast<QQuickItem *>(imageObj)) {
        qCDebug(lcFiles) << "Item is NULL";
        return {};
    }
    const QImage shot = grabItemImage(imageObj);
    if (shot.isNull())
        return {};

    // The item's picture over black, at the item's own size.
    QImage canvas(shot.size(), QImage::Format_RGB32);
    canvas.fill(0);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, shot);
    }
    const bool saved = saveWorkingPng(canvas.copy(0, 0, boxWidth, boxHeight), output);
    qCDebug(lcFiles) << "save upload  logo image " << saved;
    qCDebug(lcFiles) << "logo qvrkTempImagePath=" << output;
    return saved ? output : QString();
}
