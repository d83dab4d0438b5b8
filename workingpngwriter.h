// The one writer of working, cache and cropped pictures: a standard PNG
// (8-bit RGB for opaque pictures, 8-bit RGBA for pictures with alpha) with the
// same pixels that QImage::save(path, "png") writes, filtered and compressed
// for speed. The file is written under a temporary name in the same folder and
// renamed into place, so a failed save never leaves a half-written file under
// the final name.
#pragma once

class QImage;
class QString;

// Returns false (and leaves no file under `path`) when the picture is null or
// the file cannot be written completely.
bool saveWorkingPng(const QImage &image, const QString &path);
