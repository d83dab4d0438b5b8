// Working-file names that always fit the file system, however long the
// chain of edits that made them.
#pragma once

#include "workingpngwriter.h"

#include <QString>

// The longest working-file name in bytes: the file system's 255 less the
// writer's temporary suffix.
constexpr int kWorkingNameBytesMax = 255 - kWorkingPngTemporarySuffixMax;

// The file name of a working file: `stem` + `suffix`, or, when that is longer
// than kWorkingNameBytesMax bytes in UTF-8, the stem's beginning cut at a
// character boundary, "~", eight hexadecimal digits of a hash of the whole
// stem, then the suffix. The same stem always gives the same name, and each
// step of a long chain of edits a different one (the interface's
// WorkingFiles.js predicts names by the same rule).
QString workingFileName(const QString &stem, const QString &suffix);
