// Replaying steps on a picture: each step's calls made one after the other on
// a worker's own facade and "tools" object, through the same look-up and call
// as the runner's jobs (operationcall.h), so a replay gives exactly the pixels
// of the same calls made one by one. Picture-unit arguments are turned into
// pixels of the step's input picture; the focus blur is wrapped in weakinit
// and weakrelease; a strength below 1 mixes the step's result over its input.
#pragma once

#include "step.h"

#include <QList>
#include <QString>
#include <QStringList>

class QObject;

namespace steps {

// The working file of every step, in order; empty with the reason ("Step 3
// (Crop 4:3): ...") when a step fails or the job is cancelled (then nothing
// it wrote is left). The files of earlier steps are let go from the picture
// memory as the replay moves on, so a long replay holds few pictures.
QStringList replay(QObject &facade, QObject &tools, const QString &picture, const QList<Step> &steps,
                   QString *error);

// Removes working files a replay wrote (and their pictures in memory).
void removeWorkingFiles(const QStringList &files);

}  // namespace steps
