// Free collages and stitching: the cells of a free layout fitted to the placed
// photos (getMixRule), the free collage drawn on its background (mixImages),
// a background picture zoomed and cut to the canvas (revolvFreeBgImage), a
// pattern tiled over a canvas of any size (pingpu), and the bordered, patterned
// background of a stitched collage (joinIn).
//
// Contents
//   getMixRule
//   mixImages
//   revolvFreeBgImage
//   pingpu
//   joinIn
#include "ZQDImageEngine.h"

#include "ImageDispose.h"
#include "collagesupport.h"
#include "logging.h"
#include "photoreader.h"

#include "cfreepuzzle.h"
#include "ctemplatepuzzle.h"

#include <QFile>
#include <QPainter>

#include <cmath>

using collagesupport::allocatable;
using collagesupport::kMaxPictureSide;
using collagesupport::PlacedPicture;

// --- getMixRule --------------------------------------------------------------

bool ZQDImageEngine::getMixRule(QString style)
{
    std::optional<QByteArray> inifileByte = collagesupport::readLayoutBytes(style);
    if (!inifileByte) {
        qCDebug(lcCollage) << "not get inifile";
        return false;
    }
    const int read = freePuzzle->ReadFrameFile(reinterpret_cast<uchar *>(inifileByte->data()),
                                               int(inifileByte->size()));
    qCDebug(lcCollage) << "inifileByte.length()=" << inifileByte->size();
    if (read == 0)
        return false;

    const int n = freePuzzle->GetCount();
    clearImageRectList();
    for (int i = 0; i < n; ++i) {
        // A cell without a placed photo, or with one whose size cannot be
        // read, is fitted with its own size: it stays as the layout has it.
        const _tagCGRect cell = freePuzzle->GetMaxRectWithIndex(i);
        _tagCGSize size{cell.w, cell.h};
        if (i < paintImageList.size()) {
            const QSize stored = imageio::uprightSize(paintImageList.at(i)->getImagePath());
            if (stored.isValid() && !stored.isEmpty())
                size = {stored.width(), stored.height()};
        }
        const _tagCGRect rectViewDraw = freePuzzle->GetViewRectWithIndex(i, size);
        const float rotation = freePuzzle->GetRotationWithIndex(i);
        qCDebug(lcCollage) << "rectViewDraw.x=" << rectViewDraw.x;
        qCDebug(lcCollage) << "rectViewDraw.y=" << rectViewDraw.y;
        qCDebug(lcCollage) << "rectViewDraw.w=" << rectViewDraw.w;
        qCDebug(lcCollage) << "rectViewDraw.h=" << rectViewDraw.h;
        // Parented to the engine, so QML never takes the cell over.
        addImageRect(new ZQDImageRect(rectViewDraw.x, rectViewDraw.y, rectViewDraw.w, rectViewDraw.h, rotation, this));
    }
    return true;
}

// --- mixImages ---------------------------------------------------------------

QPixmap ZQDImageEngine::mixImages(QString bgImagePath)
{
    return mixImages(std::move(bgImagePath), 1);
}

QPixmap ZQDImageEngine::mixImages(QString bgImagePath, int printScale)
{
    if (printScale < 1) {
        clearPaintImageList();
        return {};
    }
    const QImage bgImage = printBackground(std::move(bgImagePath), printScale);
    const float k = float(printScale);

    QList<PlacedPicture> pictures;
    for (ZQDPaintImage *p : std::as_const(paintImageList)) {
        const auto at = collagesupport::drawPoint(double(p->getposx() * k), double(p->getposy() * k));
        const double scale = p->getscale() * k;
        const double degree = p->getdegree();
        if (!at || !std::isfinite(degree))
            continue;
        // The zoomed photo and its turned box must stay within the cap.
        const QSize stored = imageio::uprightSize(p->getImagePath());
        const QSize decoded = collagesupport::decodeSize(stored, scale);
        if (decoded.isEmpty() || !allocatable(collagesupport::turnedSize(decoded, degree))) {
            qCDebug(lcCollage) << "mixImages: no picture of" << p->getImagePath() << "at scale" << scale;
            continue;
        }
        QImage picture = getScaleImage(p->getImagePath(), scale);
        if (picture.isNull())
            continue;
        pictures.append({rotate(picture, degree), *at});
    }
    clearPaintImageList();
    // Without a background the photos go on the layout's canvas.
    const _tagCGSize canvas = freePuzzle->GetResultSize();
    return collagesupport::drawCollage(bgImage, pictures, QSize(canvas.w, canvas.h) * printScale);
}

// --- revolvFreeBgImage -------------------------------------------------------

QPixmap ZQDImageEngine::revolvFreeBgImage(QString imagePath, float scale, float wTemp, float hTemp)
{
    const bool existStatus = QFile::exists(imagePath);
    qCDebug(lcCollage) << "existStatus=" << existStatus;
    if (!existStatus)
        return {};
    const auto window = collagesupport::pictureSize(wTemp, hTemp);
    if (!window) {
        qCDebug(lcCollage) << "revolvFreeBgImage: no window of" << wTemp << "x" << hTemp;
        return {};
    }

    const QSize imageSize = imageio::uprightSize(imagePath);
    qCDebug(lcCollage) << "imageSize height=" << imageSize.height();
    if (!imageSize.isValid() || imageSize.isEmpty())
        return {};
    const QImage image = imageio::readPicture(
        imagePath, [scale](QSize upright) { return collagesupport::decodeSize(upright, scale); });
    qCDebug(lcCollage) << (image.isNull() ? "is null" : "is not null");
    if (image.isNull())
        return {};

    // The window is centred on the zoomed picture, as its stored size gives it.
    const auto copyx = collagesupport::copyOffset((float(imageSize.width()) * scale - wTemp) * 0.5f);
    const auto copyy = collagesupport::copyOffset((float(imageSize.height()) * scale - hTemp) * 0.5f);
    if (!copyx || !copyy)
        return {};
    qCDebug(lcCollage) << "revolvFreeBgImage::copyx: " << *copyx;
    qCDebug(lcCollage) << "revolvFreeBgImage::copyy: " << *copyy;
    return QPixmap::fromImage(image.copy(QRect(QPoint(*copyx, *copyy), *window)));
}

// --- pingpu ------------------------------------------------------------------

QImage ZQDImageEngine::pingpu(int width, int height, QString styleImagePath)
{
    qCDebug(lcCollage) << "----------------pingpu styleImagePath: " << styleImagePath;
    styleImagePath.remove(QStringLiteral("file://"));
    styleImagePath.remove(QStringLiteral("qrc://"));
    if (!allocatable(width, height)) {
        qCDebug(lcCollage) << "pingpu: no picture of" << width << "x" << height;
        return {};
    }
    qCDebug(lcCollage) << "----------------pingpu 1";
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    image.fill(0);
    qCDebug(lcCollage) << "----------------pingpu 2";
    const QPixmap pattern(styleImagePath);
    qCDebug(lcCollage) << "----------------pingpu 3" << (pattern.isNull() ? "no pattern" : "pattern loaded");
    if (!pattern.isNull()) {
        QPainter painter(&image);
        qCDebug(lcCollage) << "----------------pingpu 4";
        painter.drawTiledPixmap(image.rect(), pattern, QPoint(0, 0));
        qCDebug(lcCollage) << "----------------pingpu 5";
    }
    qCDebug(lcCollage) << "----------------pingpu 8";
    return image;
}

// --- joinIn ------------------------------------------------------------------

QPixmap ZQDImageEngine::joinIn(QString frameStyle, QString pingpuFile, float w, float h)
{
    readTemplateBorder(frameStyle);
    if (!templateBorderRead) {
        qCDebug(lcCollage) << "joinIn: no border was ever read";
        return {};
    }
    const auto area = collagesupport::pictureSize(w, h);
    if (!area) {
        qCDebug(lcCollage) << "joinIn: no stitched area of" << w << "x" << h;
        return {};
    }
    const _tagCGSize full = templatePuzzle->ResetSize({area->width(), area->height()});
    if (!allocatable(full.w, full.h)) {
        qCDebug(lcCollage) << "joinIn: no background of" << full.w << "x" << full.h;
        return {};
    }
    return borderedBackground(full.w, full.h, pingpuFile);
}
