// The command line's batch: a steps file replayed on many photos, each saved
// as Save names it, on several jobs at once; and the steps a saved picture
// carries, printed.
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace clisteps {

struct Batch {
    QString stepsFile;
    QStringList photos;
    int jobs = 0;         // 0: one per core
    QString outFolder;    // "": the saved-pictures folder
    QString format;       // "", "jpeg", "png" or "webp"
    int quality = 92;
    int longSide = 0;
    bool progress = false;  // a progress line on stderr
};

// Replays the steps on every photo and saves it; a photo that fails is
// named on `err` with its reason and the others are still done. Each saved
// picture's path on `out`, one a line. 0 when every photo was saved, 1 when
// one failed, 2 when nothing was done (the steps file or an option refused).
int apply(const Batch &batch, QTextStream &out, QTextStream &err);

// Prints the steps file the picture at `picture` carries; 1 (the reason on
// `err`) when it carries none.
int printSteps(const QString &picture, QTextStream &out, QTextStream &err);

}  // namespace clisteps
