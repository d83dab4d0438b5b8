// The on-disk layout of working pictures under the document root, and the
// whole-file picture operations (crop by a screen box, render a shown item).
//
//   root + ".qvrkTemp/"     output of every editing step   <base>_norvik.png
//   root + ".qvrkCache/"    cache pictures kept between runs <base>_cache.png
//   root + "zeltanorvik/"   pictures the user saves        <14-digit time>.png
#pragma once

#include <QObject>
#include <QString>

class QDateTime;
class QImage;

// The document root, always ending with "/": "/home/user/MyDocs/" unless the
// environment variable ZELTANORVIK_ROOT names another folder. Read once, on
// first use, and fixed for the rest of the process.
const QString &meeGoRootDir();

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
    // The saved-pictures folder (created when missing), ending with "/".
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
