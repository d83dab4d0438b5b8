// Strength (blendImage): the edited picture mixed over the original, byte by
// byte, with a weight in 256ths, so strength 0 and 1 give the two pictures
// exactly.
#include "blend.h"

#include "EditorTools.h"
#include "operationerror.h"
#include "toolpicture.h"

#include <cmath>

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
    for (int y = 0; y < original.height(); ++y) {
        const uchar *o = original.constScanLine(y);
        const uchar *e = edited.constScanLine(y);
        uchar *d = out.scanLine(y);
        for (int i = 0; i < bytes; ++i)
            d[i] = mixByte(o[i], e[i], weight);
    }
    return out;
}

QImage matchedOriginal(const QImage &original, const QImage &edited)
{
    QImage matched = original.convertToFormat(edited.format() == QImage::Format_ARGB32
                                                  ? QImage::Format_ARGB32
                                                  : original.format());
    if (matched.size() != edited.size())
        matched = matched.scaled(edited.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(matched.format());
    return matched;
}

}  // namespace blend

QString EditorTools::blendImage(QString original, QString edited, double strength)
{
    OperationError::clear();
    const QString operation = QStringLiteral("Strength");
    if (!std::isfinite(strength) || strength < 0 || strength > 1) {
        OperationError::set(QStringLiteral("Strength: %1 is not between 0 and 1.").arg(strength));
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
    if (after.format() != before.format())
        after = after.convertToFormat(QImage::Format_ARGB32);
    before = blend::matchedOriginal(before, after);
    return toolpicture::write(communication(), blend::mix(before, after, weight), edited, operation);
}
