// The original photo's metadata carried over to a saved picture: EXIF, XMP,
// IPTC and the ICC colour profile, made true of the saved pixels (upright,
// their own size, no embedded thumbnail of the old pixels).
#pragma once

#include <QSize>
#include <QString>

namespace exportmetadata {

// Rewrites the JPEG, PNG or WebP file at `target` (whose pixels are `pixels`
// in size, upright) with the metadata of `original`: every EXIF, XMP and IPTC
// entry and the colour profile, the orientation set to 1 (in EXIF and XMP),
// the pixel dimensions set to `pixels`, the EXIF thumbnail removed; without
// `keepLocation`, every entry that says where the photo was taken is left
// out. Only what fits the metadata budget is read (metadatabudget.h). An
// original that is missing or whose metadata cannot be read gives nothing to
// carry over: the target is left as it is. False, with the reason recorded
// for the user, when the target cannot be rewritten (a full disk, metadata
// too large for a JPEG).
bool carryOver(const QString &original, const QString &target, QSize pixels, bool keepLocation = true);

}  // namespace exportmetadata
