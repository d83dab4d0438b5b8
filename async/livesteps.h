// The live previews' steps in memory: the operations of the table that have a
// form in memory (operationtable.h), run on pictures already decoded, with
// nothing written. The operations' file forms decode and then call the very
// same functions, so a step gives what the operation writes for the same
// picture.
#pragma once

#include "operationtable.h"

#include <QImage>
#include <QString>
#include <QVariantList>

#include <vector>

class ZQDCommunication;
class ZQDImageEngine;

namespace livesteps {

using Outcome = operations::LiveOutcome;

// Whether `operation` has a form in memory.
bool known(const QString &operation);

// The arguments of a step that name pictures it reads (the focus-blur steps
// read none: they work on the picture of weakinit).
std::vector<int> pictureArguments(const QString &operation);

// Runs `operation` with `args`, its picture arguments replaced by the
// pictures `pictures` holds in the same places; the reason of a failure is
// recorded (OperationError).
Outcome run(ZQDCommunication &facade, const QString &operation, const QVariantList &args,
            const std::vector<QImage> &pictures);
// The same with the engine of the worker running it.
Outcome run(ZQDImageEngine &engine, const QString &operation, const QVariantList &args,
            const std::vector<QImage> &pictures);

}  // namespace livesteps
