// ZQDCommunication: the one object through which the QML documents ask for
// image work (published as "communication").
//
// An editing step takes the path of the picture QML shows (a plain path or a
// file:// URL), has the engine compute a new picture, writes it as the PNG
// working file named after the source and returns that file's path. Besides
// that the facade forwards the collage lists to the engine and the file
// operations to ImageDispose, renders a QML item into a cache picture and
// makes scaled copies of a picture.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>

#include "ZQDImageRect.h"
#include "ZQDPaintImage.h"
#include "workingfolder.h"

class ImageDispose;
class ZQDImageEngine;

class ZQDCommunication : public QObject
{
    Q_OBJECT
    // This instance's working files (workingfolder.h).
    Q_PROPERTY(WorkingFolder *workingFolder READ workingFolder CONSTANT)
public:
    explicit ZQDCommunication(QObject *parent = nullptr);
    ~ZQDCommunication() override;

    // Local date and time as "yyyy-MM-dd hh:mm:ss", for the log lines.
    QString getCurrentTimeString();

    ZQDImageEngine *engine() const { return iImageEngine; }
    ImageDispose *files() const { return imagedispose; }
    WorkingFolder *workingFolder() const { return workingfolder; }

public slots:
    // Scaled working copy of a picture (times 1.0: the whole picture).
    QString qualityImage(QString pathimage, double timesTemp = 1.0);
    // The picture decoded at its size times `times`, aspect kept; writes nothing.
    QPixmap compressImage(QString filename, double times = 1.0);

    // One-touch looks and frames.
    QString loadImage(QString, int);
    QString framesimpleImage(QString pathimage, int processid);
    QString framecolorfulImage(QString, int);
    // Adjustments.
    QString mixingcolorImage(QString, int, int, int, int, int);
    QString SharpImage(QString, int, int, float);
    // Text and speech bubbles.
    QString writingFontImage(QString stylepath, QString srcImagePath, float srcScale, float innerx,
                             float innery, QString textImageFile, float textImageFileScale,
                             QString textContent, float rotateDegree, int textSize, QString textColor,
                             int shadow, int bold, float areaW, float areaH, float areaX, float areaY);
    // Focus blur: weakinit, then any number of steps, then weakrelease.
    void weakinit(QString weakImagePath);
    QString weakprogress(QString pathimage, double r1, double r2, int pointX, int pointY);
    void weakrelease();
    QString weakRectprogress(QString pathimage, double r1, double r2, int pointX1, int pointY1, int pointX2,
                             int pointY2);
    // Rotate, scale and mirror.
    QString revolvingImage(QString pathimage, double scale, double degree, bool horizontal, bool vertical,
                           bool swap);
    // Collages.
    bool getMixRule(QString style);
    QString getTemplateRule(QString templateStyle, QString frameStyle, QString pingpuFile);
    QString getStitchingRule(QString frameStyle, QString pingpuFile, float w, float h);
    int imageRectCount();
    ZQDImageRect *getImageRect(int index);
    void clearPaintImageList();
    void addPaintImage(QString imagepath, float posx = 0, float posy = 0, float width = 0, float height = 0,
                       float copyx = 0, float copyy = 0, float degree = 0, bool horizontal = false,
                       bool vertical = false, float scale = 1.0f);
    QString savePuzzleFree(QString bgImagePath);
    QString savePuzzleTemplate(QString bgImagePath);
    QString savePuzzleStitching(QString bgImagePath);
    // Identity: fixed values, whatever the device.
    QString getImei();
    QString getDeviceName();
    QString revolvFreeBgImage(QString imagePath, float scale, float wTemp, float hTemp);
    // Cache pictures of shown items.
    QString saveCacheImage(QString pathimage, QObject *imageObj);
    QString isHaveSaveCacheImage(QString pathimage);

public:
    // Working files.
    Q_INVOKABLE bool clearTemporaryPic();
    Q_INVOKABLE QString getMeeGoRootDir();
    Q_INVOKABLE bool copyImage(QString qvrkTempPath, QString copyPath);
    Q_INVOKABLE QString cropPic(QString filename, int imsgeScreenWidth, int imageScreenHeight, int boxWidth,
                                int boxHeight, int boxStartx, int boxStarty);
    Q_INVOKABLE QString turnPic(QObject *imageObj, QString filename, int boxWidth, int boxHeight);

    // Writes `pix` as the working file named after `source` and returns its
    // path, or "" when nothing was written (a null picture, no folder, a full
    // or read-only disk); an older file under that name is replaced only by a
    // completely written new one, and is left intact on failure.
    // The "tools" object writes its results through this too.
    QString writeWorkingFile(const QPixmap &pix, const QString &source);

private:
    QString phonedeviceName;
    QString imei;
    QString imsi;
    ZQDImageEngine *iImageEngine = nullptr;
    int m_nId = 0;
    ImageDispose *imagedispose = nullptr;
    WorkingFolder *workingfolder = nullptr;
};
