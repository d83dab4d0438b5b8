#include "proportions.h"

#include "operationtable.h"

#include <cmath>

namespace steps {

namespace {

// The table's argument at position `i` of the arguments after the picture.
const operations::Argument *argumentAfterPicture(const operations::Operation &op, qsizetype i)
{
    const qsizetype at = op.source >= 0 && i >= op.source ? i + 1 : i;
    return at < qsizetype(op.arguments.size()) ? &op.arguments[std::size_t(at)] : nullptr;
}

double sideFor(operations::Axis axis, QSize picture)
{
    switch (axis) {
    case operations::Axis::Width:
        return picture.width();
    case operations::Axis::Height:
        return picture.height();
    case operations::Axis::LongSide:
        return std::max(picture.width(), picture.height());
    case operations::Axis::None:
        break;
    }
    return 1;
}

template <typename Turn>
QVariantList turned(const operations::Operation &op, const QVariantList &args, QSize picture, Turn turn)
{
    QVariantList out = args;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const operations::Argument *a = argumentAfterPicture(op, i);
        if (!a || a->axis == operations::Axis::None)
            continue;
        bool ok = false;
        const double v = out.at(i).toDouble(&ok);
        if (ok)
            out[i] = turn(*a, v, sideFor(a->axis, picture));
    }
    return out;
}

}  // namespace

QVariantList toProportions(const operations::Operation &op, const QVariantList &args, QSize picture)
{
    return turned(op, args, picture, [](const operations::Argument &, double v, double side) {
        return QVariant(side > 0 ? v / side : 0.0);
    });
}

QVariantList toPixels(const operations::Operation &op, const QVariantList &args, QSize picture)
{
    return turned(op, args, picture, [](const operations::Argument &a, double p, double side) {
        double v = p * side;
        if (a.kind == operations::Kind::Integer)
            return QVariant(int(std::clamp(std::round(v), double(INT_MIN), double(INT_MAX))));
        // A pixel measure made on a picture of this size comes back as it
        // was, not one rounding step beside it.
        const double whole = std::round(v * 256) / 256;
        if (std::abs(whole - v) <= 1e-9 * std::max(1.0, std::abs(v)))
            v = whole;
        return QVariant(v);
    });
}

}  // namespace steps
