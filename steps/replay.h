// Replaying steps on a picture: each step's calls made one after the other on
// a worker's own facade and "tools" object, through the same look-up and call
// as the runner's jobs (operationcall.h), so a replay gives exactly the pixels
// of the same calls made one by one. Picture-unit arguments are turned into
// pixels of the step's input picture; the focus blur is wrapped in weakinit
// and weakrelease; a strength below 1 mixes the step's result over its input.
#pragma once

#include "step.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class QObject;
class ZQDImageEngine;

namespace steps {

// The working file of every step, in order; empty with the reason ("Step 3
// (Crop 4:3): ...") when a step fails or the job is cancelled (then nothing
// it wrote is left). The files of earlier steps are let go from the picture
// memory as the replay moves on, so a long replay holds few pictures.
QStringList replay(QObject &facade, QObject &tools, const QString &picture, const QList<Step> &steps,
                   QString *error);

// Whether every call of `steps` has a form in memory (operationtable.h) that
// needs nothing but its picture: replayInMemory can replay them.
bool replaysInMemory(const QList<Step> &steps);

// `steps` replayed on `picture` in memory, through the operations' forms in
// memory, with nothing written: each step takes the picture the one before
// would have left in its working file, so the result has the pixels of
// replay() on a file of `picture`. Null with the reason when a step has no
// form in memory, fails, or the job is cancelled. For the preview of a
// change, on a screen-size copy.
QImage replayInMemory(ZQDImageEngine &engine, const QImage &picture, const QList<Step> &steps, QString *error);

// Removes working files a replay wrote (and their pictures in memory).
void removeWorkingFiles(const QStringList &files);

}  // namespace steps
