// ZQDImageEngine: turns picture files into new pictures. One engine lives in
// the QML facade; it owns one object of the effects library and one reader of
// each data-file kind, and keeps the collage's cell and picture lists between
// calls.
//
// Contents
//   construction / destruction       ZQDImageEngine.cpp
//   loaders (picture, mask, bytes)   ZQDImageEngine.cpp
//   pixel-buffer handover            ZQDImageEngine.cpp
//   collage lists                    ZQDImageEngine.cpp
//   one-touch looks                  ZQDImageEngine_effects.cpp
//   frames                           ZQDImageEngine_frames.cpp
//   adjustments, geometry, focus blur ZQDImageEngine_adjust.cpp
//   template collage                 ZQDImageEngine_template.cpp
//   free collage and stitching       ZQDImageEngine_free.cpp
//   text and speech bubbles          ZQDImageEngine_text.cpp
//
// Each family of operations lives in its own file and declares its members in
// the marked section of this class.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QRectF>
#include <QString>

#include <vector>

#include "ZQDImageRect.h"
#include "ZQDPaintImage.h"

class Qtqveffect;
class cframe;
class cfreepuzzle;
class ctemplatepuzzle;
class csbubble;

class ZQDImageEngine : public QObject
{
    Q_OBJECT
public:
    explicit ZQDImageEngine(QObject *parent = nullptr);
    ~ZQDImageEngine() override;

    // --- loaders -------------------------------------------------------------

    // The picture at `path` (a file or a ":/" resource) upright at full size
    // in Format_RGB32; null when it cannot be read or decoded, or is beyond
    // the photo budget (photoreader.h). `alpha`, when given, receives the
    // picture's alpha when it has transparency (alphaOf).
    QImage loadPic(QString path, QImage *alpha = nullptr);
    // The picture at `path` stretched to exactly winW x winH (fast scaling,
    // aspect ignored): the loader of masks and textures. Null when unreadable.
    QPixmap loadPic(QString path, int winW, int winH);
    // The whole content of the file at `path`; empty when it cannot be opened.
    QByteArray loadBytes(const char *path);

    // --- pixel-buffer handover -----------------------------------------------

    // A mask or texture as a pixel buffer of exactly width x height: loadPic
    // (path, width, height) converted to Format_RGB32. Null when unreadable; an
    // operation must then not call the library with it.
    QImage loadMask(const QString &path, int width, int height);
    // The first byte of the top row of a Format_RGB32 / Format_ARGB32 picture,
    // whose rows follow each other with no padding (width * height * 4 bytes,
    // B, G, R, A). Null for a null picture or any other format. Detaches the
    // picture, so the library writes into this image alone.
    static uchar *pixelBuffer(QImage &image);
    // The picture after the library changed its buffer, as the result pixmap.
    static QPixmap resultPixmap(QImage &&image);
    // Transparency through the opaque operations (looks, sharpening, the
    // colour mixer): the alpha of a picture with a pixel that is not fully
    // opaque (Format_Alpha8; null for an opaque picture), and a result given
    // that alpha back (unchanged when `alpha` is null or of another size).
    static QImage alphaOf(const QImage &picture);
    static QImage withAlpha(QImage result, const QImage &alpha);

    // --- sizes the interface previews at ------------------------------------

    // The long side of the screen-size copy on which the interface previews the
    // focus blur and the frames (the interface's own copy size is the same).
    static constexpr int kScreenSide = 854;
    // How much the size-dependent values of those operations (the blur's
    // strength, a frame's pieces and insets) grow for a picture of width x
    // height: exactly 1 up to kScreenSide on the long side, so such pictures
    // get the fixed values; beyond, long side / kScreenSide, so that the
    // result brought down to the screen's size is what the preview showed.
    static double screenScale(int width, int height)
    {
        const int longSide = width > height ? width : height;
        return longSide > kScreenSide ? double(longSide) / kScreenSide : 1.0;
    }
    // The size of the screen-size copy the interface previews on: the scaled
    // decode (as the facade's qualityImage makes it) by kScreenSide / long
    // side, at most 1. Empty when nothing would be left.
    static QSize screenCopySize(QSize picture);

    // --- time ----------------------------------------------------------------

    // Fourteen digits: year, month, day, hour, minute, second (local time).
    Q_INVOKABLE QString getCurrentTimeString();

    // --- collage lists -------------------------------------------------------

    const QList<ZQDPaintImage *> &paintImages() const { return paintImageList; }
    Q_INVOKABLE int paintImageCount();
    Q_INVOKABLE ZQDPaintImage *getPaintImage(int index);
    Q_INVOKABLE void clearPaintImageList();
    Q_INVOKABLE void addPaintImage(QString imagepath, float posx = 0, float posy = 0, float width = 0,
                                   float height = 0, float copyx = 0, float copyy = 0, float degree = 0,
                                   bool horizontal = false, bool vertical = false, float scale = 1.0f);

    const QList<ZQDImageRect *> &imageRects() const { return imageRectList; }
    Q_INVOKABLE int imageRectCount();
    Q_INVOKABLE ZQDImageRect *getImageRect(int index);
    Q_INVOKABLE void clearImageRectList();
    // Appends a cell made by a layout reader; the engine takes it over.
    void addImageRect(ZQDImageRect *rect);

    // --- operations of the other families (declared by their files) ----------

    // --- one-touch looks (ZQDImageEngine_effects.cpp) -------------------------

    // What a look is given: the library overload it goes through (1 to 5, by
    // the number of pictures; 5 also takes a blend table), its masks in the
    // order they are passed, and the file it reads whole (a blend table, or
    // for 1104 the file of two masks that is its second buffer) with the
    // least byte count the library reads from it.
    struct LookRecipe {
        int id;
        int overload;
        const char *masks[3];
        const char *data;
        int dataLength;
    };
    // The recipe of a look number; null for a number that no look uses.
    static const LookRecipe *lookRecipe(int id);
    // Every look's number, in increasing order.
    static std::vector<int> lookNumbers();
    // The picture at `path` with look `id` applied, at full size. Null when
    // the picture cannot be decoded, or (the reason recorded) when a mask or
    // data file is unreadable or does not fit; the picture unchanged (opaque
    // 32-bit RGB) for a number that no look uses.
    QPixmap Process(QString path, int id);
    // The same on a picture already decoded (the steps replayed in memory).
    QPixmap Process(const QImage &picture, int id);
    // A recipe's masks stretched to width x height as 32-bit pictures, and its
    // data file. False when one of them cannot be decoded or is too short.
    bool loadLookInputs(const LookRecipe &recipe, int width, int height, QList<QImage> &masks,
                        QByteArray &data);
    // Runs the recipe's library overload on `picture` in place (32-bit);
    // false, the picture untouched, when its inputs do not fit the overload.
    bool applyLook(const LookRecipe &recipe, QImage &picture, QList<QImage> &masks, QByteArray &data);

    // --- frames (ZQDImageEngine_frames.cpp) ----------------------------------

    // The photo inside simple frame `id` (1701 to 1714), larger than the photo.
    // Null when the photo cannot be decoded; the photo unchanged when the frame
    // is unknown or its file or one of its pieces cannot be read.
    QPixmap FrameSimple(QString path, int id);
    // The photo with colourful frame `id` (1500 to 1505) screened over it.
    // Null when the photo cannot be decoded; unchanged for an unknown id or
    // an unreadable mask.
    QPixmap FrameColorful(QString path, int id);
    // Reads simple frame `id` into the frame compositor with its eight pieces
    // decoded to 32-bit pixels; false (nothing to compose) when the id is
    // unknown or the file or a piece cannot be read.
    bool loadSimpleFrame(int id);
    // The loaded frame laid around a 32-bit photo; null when it cannot be made.
    QImage composeSimpleFrame(QImage &photo);
    // For a photo larger than the screen: the loaded frame as it is laid
    // around the photo's screen-size copy, scaled up to the photo's size over
    // the photo itself (placed where the copy lies). Null when the copy would
    // be empty, the frame trims all of it or the result exceeds the limits.
    QImage composeScaledFrame(QImage &photo);
    // The mask and ColorfulFrame mode of colourful frame `id`; false if unknown.
    static bool colorfulFrameRecipe(int id, const char **mask, int *mode);

    // --- adjustments, geometry, focus blur (ZQDImageEngine_adjust.cpp) -------

    // Unsharp mask of strength `depth`. width and height must be the decoded
    // picture's: any other size gives a null result.
    QPixmap SharpenImage(QString path, int width, int height, float depth);
    // Brightness and contrast, then saturation. Null for a size that is not the
    // decoded picture's.
    QPixmap MixingColorBCS(QString path, int width, int height, int brightness, int contrast, int saturation);
    // The same two on a picture already decoded (made opaque 32-bit RGB
    // first): the live previews run these on the screen copy kept in memory.
    QPixmap SharpenImage(QImage picture, int width, int height, float depth);
    QPixmap MixingColorBCS(QImage picture, int width, int height, int brightness, int contrast, int saturation);
    // Scaled decode, rotation, mirroring, then the centred box of the upright
    // size (transposed unless `swap`).
    QPixmap revolvImage(QString imagePath, double scale, double degree, bool horizontal, bool vertical,
                        bool swap);
    // The bounding box of the picture turned by `degree` clockwise, smoothly;
    // what the picture does not cover is transparent.
    QImage rotate(QImage photomap, double degree);
    QImage reverse(QImage srcImage, bool horizontal, bool vertical);
    // The picture decoded upright at its size times `times` (aspect kept), in
    // the reader's own format; null when it cannot be read.
    QImage getScaleImage(QString filename, double times);
    // Focus blur: weakinit once (the picture and its blurred copy), then any
    // number of steps, each from the picture as loaded, then weakrelease.
    void weakinit(QString weakImagePath);
    QPixmap weakprogress(double r1, double r2, int pointX, int pointY);
    QPixmap weakRectprogress(double r1, double r2, int pointX1, int pointY1, int pointX2, int pointY2);
    void weakrelease();
    // Blur masks: red 0 keeps the picture, 255 takes the blurred copy. The
    // circle is sharp within r1 of the point and fully blurred from r2; the
    // band is sharp across the middle of the segment between the two points.
    QImage drawGradientCircle(int bgWidth, int bgHeight, double r1, double r2, int pointX, int pointY);
    QImage drawGradientRect(int bgWidth, int bgHeight, double r1, double r2, int pointX1, int pointY1,
                            int pointX2, int pointY2);

    // --- template collage (ZQDImageEngine_template.cpp) ----------------------

    // Reads a cell layout and a border, fills the cell list with the layout's
    // cells fitted inside the border, and returns the background: the pattern
    // tiled over the grown canvas, cut to the border's shape. Null (cell list
    // untouched) while no border was ever read or its size cannot be built.
    QPixmap getTemplateRule(QString templateStyle, QString frameStyle, QString pingpuFile);
    // Draws every placed photo (revolvImageTemplate at posx, posy) on the
    // background and empties the picture list. Also renders stitched collages.
    Q_INVOKABLE QPixmap mixtemplateImages(QString bgImagePath);
    // The same collage `printScale` times larger (see collagePrintScale):
    // the background enlarged smoothly, each photo decoded afresh from its
    // file at the larger zoom and cut, turned and placed at the larger
    // coordinates, its corners rounded by `cornerRadius` collage pixels
    // (times the scale). Scale 1 without rounding is mixtemplateImages itself.
    QPixmap mixtemplateImages(QString bgImagePath, int printScale, double cornerRadius = 0);
    // One placed photo: decoded at `scale`, turned, mirrored, then the
    // srcWidth x srcHeight cut at (xTemp, yTemp). Null for a missing photo or
    // a cut or zoom whose picture would exceed the cap.
    QImage revolvImageTemplate(QString imagePath, float srcWidth, float srcHeight, float xTemp, float yTemp,
                               float scale, float degree, bool horizontal, bool vertical);

    // --- free collage and stitching (ZQDImageEngine_free.cpp) ----------------

    // Reads a free layout and fills the cell list with each placed photo
    // fitted into its cell, with the cell's tilt; false (list kept) when the
    // layout cannot be read.
    Q_INVOKABLE bool getMixRule(QString style);
    // Draws every placed photo, zoomed and turned, at posx, posy on the
    // background and empties the picture list.
    Q_INVOKABLE QPixmap mixImages(QString bgImagePath);
    // The free collage `printScale` times larger, as mixtemplateImages does.
    QPixmap mixImages(QString bgImagePath, int printScale);
    // The largest print scale (4, 3 or 2) at which no placed photo is drawn
    // larger than its own pixels unless the canvas already enlarges it, so a
    // larger collage is sharper, never blurrier; 1 when none is (a photo
    // already enlarged on the canvas, or no photo at all).
    int collagePrintScale() const;
    // The background zoomed by `scale` and cut to wTemp x hTemp around its centre.
    QPixmap revolvFreeBgImage(QString imagePath, float scale, float wTemp, float hTemp);
    // A width x height ARGB picture tiled with the pattern from its top-left;
    // transparent when the pattern does not load, null beyond the cap.
    QImage pingpu(int width, int height, QString styleImagePath);
    // The bordered, patterned background of a stitched area of w x h. Null
    // while no border was ever read or for an area beyond the cap.
    QPixmap joinIn(QString frameStyle, QString pingpuFile, float w, float h);

    // --- text and speech bubbles (ZQDImageEngine_text.cpp) -------------------

    // The font of bubble text: the default family, falling back to a family
    // with Chinese and Japanese glyphs where the default has none.
    static QFont bubbleFont(int pointSize, bool bold);

    // Reads a bubble file; its text rectangle in bubble-picture pixels (the
    // previous bubble's when the file does not exist).
    QRectF preparetoDrawText(QString stylepath);
    // The photo at full size with the bubble picture and its text drawn on it,
    // every bubble measure times k = textImageFileScale x srcScale; a photo
    // with transparency keeps it. Null when the photo cannot be read or the
    // bubble would exceed the cap.
    QPixmap drawTextOnImage(QString stylepath, QString srcImagePath, float srcScale, float innerx, float innery,
                            QString textImageFile, float textImageFileScale, QString textContent,
                            float rotateDegree, int textSize, QString textColor, int shadow, int bold, float areaW,
                            float areaH, float areaX, float areaY);

private:
    // Whether a border file was read: reads `frameStyle` into the template
    // reader when the file exists.
    enum class BorderRead { Missing, Refused, Read };
    BorderRead readTemplateBorder(const QString &frameStyle);
    // The background both collages are drawn on, at full size, from a path,
    // a file URL or a "qrc:" path; null when it cannot be read.
    QImage collageBackground(QString bgImagePath);
    // The pattern tiled over width x height and cut to the border the template
    // reader holds: the background of template and stitched collages. Null
    // when it cannot be made.
    QPixmap borderedBackground(int width, int height, const QString &pingpuFile);
    // The collage background for a print scale: as collageBackground gives it
    // at 1. Larger, a bordered background this engine made last is drawn again
    // at that scale from the border's and the pattern's print variants; any
    // other background (or a pattern without a variant) is enlarged smoothly.
    QImage printBackground(QString bgImagePath, int printScale);
    // `background` drawn again `printScale` times larger from the border and
    // pattern it was made of, when it is the last bordered background this
    // engine made; null otherwise.
    QImage redrawnBackground(const QImage &background, int printScale);
    // Look `id` on the opaque 32-bit `picture` with its inputs (read when
    // `inputsRead`), `alpha` given back after.
    QPixmap lookApplied(const LookRecipe *recipe, int id, QImage picture, const QImage &alpha,
                        QList<QImage> &masks, QByteArray &data, bool inputsRead);

private:
    Qtqveffect *iTheEngine = nullptr;
    cframe *frame = nullptr;
    cfreepuzzle *freePuzzle = nullptr;
    ctemplatepuzzle *templatePuzzle = nullptr;
    csbubble *bubble = nullptr;
    QList<ZQDPaintImage *> paintImageList;
    QList<ZQDImageRect *> imageRectList;
    uchar *pWeakInitArray = nullptr;
    QImage *weakImage = nullptr;
    // Set once a border file was read: only then has a collage a size.
    bool templateBorderRead = false;
    // The simple frame read last: its corners' insets and its pieces as
    // handed to the compositor (null for a piece the file lacks).
    int frameInsets[8] = {};
    QImage framePieces[8];
    // The border file read last, and what the last bordered background was
    // made of (so a print can draw it again larger).
    QString borderFile;
    struct BorderedRecipe {
        QString border, pattern;
        QSize size;
    } lastBordered;
};
