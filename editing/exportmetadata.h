// The original photo's metadata carried over to a saved picture: EXIF, XMP,
// IPTC and the ICC colour profile, made true of the saved pixels (upright,
// their own size, no embedded thumbnail of the old pixels).
#pragma once

#include <QByteArray>
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
// `steps`, when not empty, is a steps file's text written into the XMP in the
// program's own namespace; steps the original carried never come along.
bool carryOver(const QString &original, const QString &target, QSize pixels, bool keepLocation = true,
               const QByteArray &steps = {});

// The steps file's text the picture at `path` carries in its XMP, or empty
// (none, or the picture's metadata cannot be read). Reads at most `limit`
// bytes of steps; more gives `tooLarge` true and nothing.
QByteArray stepsIn(const QString &path, qint64 limit, bool *tooLarge);

// The XMP key the steps are kept under.
extern const char *const kStepsKey;

}  // namespace exportmetadata
