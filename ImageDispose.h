// The on-disk layout of working pictures under the document root, and the
// whole-file picture operations (crop by a screen box, render a shown item).
//
//   root + ".qvrkTemp/<n>/" output of every editing step   <base>_norvik.png
//                           (each running instance has a slot <n> of its own,
//                           workingarea.h)
//   root + ".qvrkCache/"    cache pictures kept between runs <base>_cache.png
//   root + "zeltanorvik/"   pictures the user saves        <14-digit time>.png
//
// The root is documentroot.h's. When there is none, every path here is "" and
// every operation fails, with the reason recorded (OperationError).
#pragma once

#include "documentroot.h"
#include "workingarea.h"
#include "workingfilename.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QDateTime;
class QImage;

// Removes every occurrence of "file://" (a file URL becomes a plain path).
QString stripFileUrl(QString path);

// The fourteen digits year, month, day, hours, minutes, seconds of a local time.
QString timeStampDigits(const QDateTime &when);

class ImageDispose : public QObject
{
    Q_OBJECT
public:
    // Works in the process's working area (WorkingArea::forProcess()).
    explicit ImageDispose(QObject *parent = nullptr);

    // Works in `area` instead: another instance's (tests run two instances in
    // one process this way).
    void setWorkingArea(std::shared_ptr<WorkingArea> area);
    // This instance's folder of working files (made if missing); "" (reason
    // recorded) when there is none.
    QString temporaryFolder();
    // Removes the working file `path` when it is this instance's, and the
    // screen and thumbnail copies made from it in this instance's folder
    // ("<name>.screen*", "<name>.thumbs*"); nothing outside that folder is
    // touched. Returns the files removed.
    QStringList forgetWorkingFile(const QString &path);

    Q_INVOKABLE QString getMeeGoRootDir();
    QString createRootPath();
    bool makesurePath(const QString &path);
    Q_INVOKABLE QString setRootPath(QString pathTemp);
    QString setTemporaryPic(QString originalPic);
    QString setTemporaryCachePic(QString originalPic);
    // Empties this instance's working folder, and removes what belongs to no
    // live instance (workingarea::sweepOrphans); true when all of it went.
    Q_INVOKABLE bool clearTemporaryPic();
    bool deleteDir(QString dirName);
    QString getCurrentTimeString();
    bool copyImage(QString qvrkTempPath, QString copyPath);
    // The saved-pictures folder, made if missing; "" (reason recorded) when it cannot be.
    QString savedFolder();
    Q_INVOKABLE QString cropPic(QString filename, int imsgeScreenWidth, int imageScreenHeight,
                                int boxWidth, int boxHeight, int boxStartx, int boxStarty);
    // The crop of cropPic on a picture already decoded (upright); null, the
    // reason recorded when there is one, when there is nothing to cut.
    static QImage croppedPicture(QImage image, int imsgeScreenWidth, int imageScreenHeight, int boxWidth,
                                 int boxHeight, int boxStartx, int boxStarty);
    Q_INVOKABLE QString turnPic(QObject *imageObj, QString filename, int boxWidth, int boxHeight);

private:
    std::shared_ptr<WorkingArea> area;
    QString outputPath(QString originalPic, const QString &folder, const QString &suffix);
};

// Renders a QML item (with its children) into a picture of its own size, rounded
// to whole pixels. Null when the object is not an item or the item cannot be
// rendered (its window is not shown, or rendering did not finish in time).
QImage grabItemImage(QObject *imageObj);
