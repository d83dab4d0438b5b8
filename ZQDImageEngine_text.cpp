// Text in speech bubbles: the text rectangle of a bubble file
// (preparetoDrawText), and the bubble with its text burnt into a photo at the
// photo's full resolution (drawTextOnImage).
//
// The interface works in screen units: the bubble is shown at a zoom over a
// photo that is itself shown scaled, so every bubble measure is multiplied by
// k = zoom x screen scale (photo pixels per screen unit) before drawing.
//
// Contents
//   bubbleFont (the family, with a fallback for Chinese and Japanese)
//   placeBubble (the sizes and places, checked against the cap)
//   preparetoDrawText
//   drawTextOnImage
#include "ZQDImageEngine.h"

#include "collagesupport.h"
#include "logging.h"
#include "photoreader.h"

#include "csbubble.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <climits>

using collagesupport::allocatable;
using collagesupport::kMaxPictureSide;

namespace {

// drawText flags: centred both ways, wrapped at word boundaries.
constexpr int kTextFlags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap;
static_assert(kTextFlags == 0x1084);

}  // namespace

// --- bubbleFont --------------------------------------------------------------

QFont ZQDImageEngine::bubbleFont(int pointSize, bool bold)
{
    // The default family first; where it has no glyph for a character (the
    // usual Latin families have no Chinese or Japanese), the CJK family the
    // install script provides.
    QFont font;
    font.setFamilies({font.family(), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

// --- placeBubble -------------------------------------------------------------

std::optional<collagesupport::BubblePlacement> collagesupport::placeBubble(QSize picture, float srcScale,
                                                                           float innerx, float innery, float zoom,
                                                                           int textSize, float degree, float areaW,
                                                                           float areaH, float areaX, float areaY)
{
    const float k = zoom * srcScale;
    if (!std::isfinite(k) || !(k > 0.0f))
        return std::nullopt;
    BubblePlacement place;
    const auto bubbleW = truncatedWithin(float(picture.width()) * k, 0, kMaxPictureSide);
    const auto bubbleH = truncatedWithin(float(picture.height()) * k, 0, kMaxPictureSide);
    if (!bubbleW || !bubbleH)
        return std::nullopt;
    place.bubble = QSize(*bubbleW, *bubbleH);
    if (!place.bubble.isEmpty() && !allocatable(turnedSize(place.bubble, degree)))
        return std::nullopt;

    // A text area without pixels (or a negative one) gets no layer.
    const auto layerW = truncatedWithin(areaW * k, INT_MIN, kMaxPictureSide);
    const auto layerH = truncatedWithin(areaH * k, INT_MIN, kMaxPictureSide);
    if (!layerW || !layerH)
        return std::nullopt;
    place.layer = QSize(std::max(0, *layerW), std::max(0, *layerH));
    const auto layerAt = drawPoint(areaX * k, areaY * k);
    if (!layerAt)
        return std::nullopt;
    place.layerAt = *layerAt;

    // The font size: at least one point, never beyond the cap (a layer cannot
    // show more anyway).
    const float points = float(textSize) * k;
    place.pointSize = points >= float(kMaxPictureSide) ? kMaxPictureSide : std::max(1, int(points));

    const auto photoAt = drawPoint(innerx * srcScale, innery * srcScale);
    if (!photoAt)
        return std::nullopt;
    place.photoAt = *photoAt;
    return place;
}

// --- preparetoDrawText -------------------------------------------------------

QRectF ZQDImageEngine::preparetoDrawText(QString stylepath)
{
    qCDebug(lcEngine) << "stylepath=" << stylepath;
    if (std::optional<QByteArray> inifileByte = collagesupport::readLayoutBytes(stylepath)) {
        qCDebug(lcEngine) << "inifileByte.length()=" << inifileByte->size();
        bubble->ReadFrameFile(reinterpret_cast<uchar *>(inifileByte->data()), int(inifileByte->size()));
        qCDebug(lcEngine) << "inifileByte.length()=" << inifileByte->size();
    }
    const _tagCGRect r = bubble->GetTextDrawRect();
    return QRectF(r.x, r.y, r.w, r.h);
}

// --- drawTextOnImage ---------------------------------------------------------

QPixmap ZQDImageEngine::drawTextOnImage(QString stylepath, QString srcImagePath, float srcScale, float innerx,
                                        float innery, QString textImageFile, float textImageFileScale,
                                        QString textContent, float rotateDegree, int textSize, QString textColor,
                                        int shadow, int bold, float areaW, float areaH, float areaX, float areaY)
{
    Q_UNUSED(stylepath);
    Q_UNUSED(shadow);

    const QImage bubbleImage = imageio::readPicture(textImageFile);
    qCDebug(lcEngine) << "drawTextOnImage status=" << (bubbleImage.isNull() ? "false" : "true");

    const auto place = collagesupport::placeBubble(bubbleImage.isNull() ? QSize(0, 0) : bubbleImage.size(), srcScale,
                                                   innerx, innery, textImageFileScale, textSize, rotateDegree, areaW,
                                                   areaH, areaX, areaY);
    if (!place) {
        qCDebug(lcEngine) << "drawTextOnImage: no bubble at zoom" << textImageFileScale << "screen scale" << srcScale;
        return {};
    }

    // The bubble at its size on the photo, with the text laid into its area.
    QImage turned;
    if (!bubbleImage.isNull() && !place->bubble.isEmpty()) {
        QImage scaled = bubbleImage.scaled(place->bubble, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!place->layer.isEmpty()) {
            QImage innerRectbg(place->layer, QImage::Format_ARGB32);
            innerRectbg.fill(0);
            {
                QPainter painter(&innerRectbg);
                QColor color;
                color.setNamedColor(textColor);
                painter.setPen(QPen(color));
                painter.setFont(bubbleFont(place->pointSize, bold != 0));
                painter.drawText(innerRectbg.rect(), kTextFlags, textContent);
            }
            QPainter painter(&scaled);
            painter.drawImage(place->layerAt, innerRectbg);
        }
        turned = rotate(scaled, rotateDegree);
    }

    // A photo with transparency keeps it under the bubble.
    QImage photo = imageio::drawable(imageio::readPicture(srcImagePath));
    qCDebug(lcEngine) << "drawTextOnImage srcStatus=" << (photo.isNull() ? "false" : "true");
    if (photo.isNull())
        return {};
    if (!turned.isNull()) {
        QPainter painter(&photo);
        painter.drawImage(place->photoAt, turned);
    }
    return QPixmap::fromImage(std::move(photo));
}
