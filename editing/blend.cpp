// Strength (blendImage): the edited picture mixed over the original, byte by
// byte, with a weight in 256ths, so strength 0 and 1 give the two pictures
// exactly.
#include "blend.h"

#include "EditorTools.h"
#include "bandworkers.h"
#include "operationerror.h"
#include "toolpicture.h"

#include <cmath>
#include <cstring>

namespace blend {

int weightOf(double strength)
{
    if (!(strength > 0))  // NaN too
        return 0;
    if (strength >= 1)
        return 256;
    return static_cast<int>(std::lround(strength * 256));
}

QImage mix(const QImage &original, const QImage &edited, int weight)
{
    if (original.size() != edited.size() || original.format() != edited.format() || original.depth() != 32)
        return {};
    if (weight <= 0)
        return original;
    if (weight >= 256)
        return edited;
    QImage out(original.size(), original.format());
    if (out.isNull())
        return {};
    const int bytes = original.width() * 4;
    uchar *bits = out.bits();  // detached once, before the bands share it
    // Null when the job was replaced before every band ran.
    const bool whole = bandworkers::forRows(out.height(), out.width(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const uchar *o = original.constScanLine(y);
            const uchar *e = edited.constScanLine(y);
            uchar *d = bits + y * out.bytesPerLine();
            for (int i = 0; i < bytes; ++i)
                d[i] = mixByte(o[i], e[i], weight);
        }
    });
    return whole ? out : QImage();
}

QImage matchedOriginal(const QImage &original, const QImage &edited)
{
    const QImage::Format format = edited.format() == QImage::Format_ARGB32 ? QImage::Format_ARGB32 : original.format();
    const QImage source = original.convertToFormat(format);
    if (source.size() == edited.size())
        return source;
    const QSize inner = source.size(), outer = edited.size();
    if (inner.width() > outer.width() || inner.height() > outer.height())
        return source.scaled(outer, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(format);
    // A border laid around the photo (a frame): the photo stays where the
    // frame holds it, at its own size in the centre, so the two never show
    // twice; under the border lies the photo enlarged to cover the whole.
    const QImage cover = source.scaled(outer, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QImage matched = cover.copy((cover.width() - outer.width()) / 2, (cover.height() - outer.height()) / 2,
                                outer.width(), outer.height()).convertToFormat(format);
    const int left = (outer.width() - inner.width()) / 2, top = (outer.height() - inner.height()) / 2;
    for (int y = 0; y < inner.height(); ++y)
        std::memcpy(matched.scanLine(top + y) + 4 * left, source.constScanLine(y), 4 * size_t(inner.width()));
    return matched;
}

}  // namespace blend

namespace {

// Why a strength cannot be used, or "" when it can.
QString strengthProblem(double strength)
{
    if (!std::isfinite(strength) || strength < 0 || strength > 1)
        return QStringLiteral("Strength: %1 is not between 0 and 1.").arg(strength);
    return {};
}

}  // namespace

QString EditorTools::blendImage(QString original, QString edited, double strength)
{
    OperationError::clear();
    const QString operation = QStringLiteral("Strength");
    if (const QString problem = strengthProblem(strength); !problem.isEmpty()) {
        OperationError::set(problem);
        return {};
    }
    const int weight = blend::weightOf(strength);
    if (weight == 256 || weight == 0) {
        const QImage end = toolpicture::load(weight == 0 ? original : edited);
        return end.isNull() ? QString() : toolpicture::write(communication(), end, edited, operation);
    }
    // The two pictures decode at the same time.
    auto [before, after] = toolpicture::loadTwo(original, edited);
    if (before.isNull() || after.isNull())
        return {};
    return toolpicture::write(communication(), blended(before, after, strength), edited, operation);
}

QImage EditorTools::blended(QImage original, QImage edited, double strength)
{
    if (const QString problem = strengthProblem(strength); !problem.isEmpty()) {
        OperationError::set(problem);
        return {};
    }
    QImage before = toolpicture::prepared(original), after = toolpicture::prepared(edited);
    const int weight = blend::weightOf(strength);
    if (weight == 0 || weight == 256)
        return weight == 0 ? before : after;
    if (after.format() != before.format())
        after = after.convertToFormat(QImage::Format_ARGB32);
    before = blend::matchedOriginal(before, after);
    return blend::mix(before, after, weight);
}
