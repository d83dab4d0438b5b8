// The on-disk layout of working pictures under the document root, and the
// whole-file picture operations (crop by a screen box, render a shown item).
//
//   root + ".qvrkTemp/"     output of every editing step   <base>_norvik.png
//   root + ".qvrkCache/"    cache pictures kept between runs <base>_cache.png
//   root + "zeltanorvik/"   pictures the user saves        <14-digit time>.png
//
// The root is documentroot.h's. When there is none, every path here is "" and
// every operation fails, with the reason recorded (OperationError).
#pragma once

#include "documentroot.h"
#include "workingfilename.h"

#include <QObject>
#include <QString>

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
    explicit ImageDispose(QObject *parent = nullptr);

    Q_INVOKABLE QString getMeeGoRootDir();
    QString createRootPath();
    bool makesurePath(const QString &path);
    Q_INVOKABLE QString setRootPath(QString pathTemp);
    QString setTemporaryPic(QString originalPic);
    QString setTemporaryCachePic(QString originalPic);
    Q_INVOKABLE bool clearTemporaryPic();
    bool deleteDir(QString dirName);
    QString getCurrentTimeString();
    bool copyImage(QString qvrkTempPath, QString copyPath);
    // The saved-pictures folder, made if missing; "" (reason recorded) when it cannot be.
    QString savedFolder();
    Q_INVOKABLE QString cropPic(QString filename, int imsgeScreenWidth, int imageScreenHeight,
                                int boxWidth, int boxHeight, int boxStartx, int boxStarty);
    Q_INVOKABLE QString turnPic(QObject *imageObj, QString filename, int boxWidth, int boxHeight);

private:
    QString outputPath(QString originalPic, const QString &folder, const QString &suffix);
};

// Renders a QML item (with its children) into a picture of its own size, rounded
// to whole pixels. Null when the object is not an item or the item cannot be
// rendered (its window is not shown, or rendering did not finish in time).
QImage grabItemImage(QObject *imageObj);
