// The reasons a picture file is refused, in words for the user, shared by the
// decoders (photoreader.h says which refusals there are).
#pragma once

#include "photoreader.h"

#include <QSize>
#include <QString>

namespace imageio {

// "The photo is damaged: only the top 31 % could be read." With a negative
// share: the photo is damaged and could not be read.
QString damagedReason(int percentRead = -1);
// "The photo is 20000 × 15000 pixels (300 megapixels); ..."; "" within the budget.
QString budgetReason(QSize size);
// A file that is not a picture the editor reads: `what` says what it is ("a
// PDF document"); empty when nothing is known of it.
QString notPictureReason(const QString &path, const QString &what);

// The upright size to decode a picture of `upright` pixels at: the whole
// picture without a rule; empty when the rule asks for nothing.
QSize decodeSize(QSize upright, const SizeRule &sizeFor);

}  // namespace imageio
