// Picture-unit arguments of a step, between the pixels of the picture a call
// works on and proportions of it: x-like ones of its width, y-like ones of
// its height, radii and lengths of its long side (the table says which).
// A step keeps proportions, so it replays on a photo of another size as the
// user meant; replayed on a picture of the size it was made on, it gives the
// very pixels it was made with.
#pragma once

#include <QSize>
#include <QVariantList>

namespace operations {
struct Operation;
}

namespace steps {

// `args` (after the picture) with the picture-unit ones divided by the side
// of `picture` they are measured against.
QVariantList toProportions(const operations::Operation &op, const QVariantList &args, QSize picture);

// `args` (after the picture) with the proportions turned back into pixels of
// `picture`: whole pixels for whole-number arguments.
QVariantList toPixels(const operations::Operation &op, const QVariantList &args, QSize picture);

}  // namespace steps
