// One call of an operation of the table, by name, on a worker's own facade and
// "tools" object: looked up and checked, "$previous" replaced, then invoked
// through the meta-object. The runner's jobs and the steps' replay both call
// operations through here.
#pragma once

#include "operationtable.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

class QObject;

namespace operations {

// One call looked up in the table, its "$previous" arguments replaced.
struct Call {
    const Operation *op = nullptr;
    QString name;
    QVariantList args;
};

// `entry` ([name, args...]) looked up and checked, every "$previous" replaced
// by `previous`; false with the reason, in words for the user, when the call
// is unknown or its arguments do not suit it.
bool resolve(const QVariantList &entry, const QString &previous, Call *call, QString *error);

// Runs a resolved call of the facade or the "tools" object on `facade` or
// `tools`; false when the object has no such method taking these arguments
// (the runner's own operations are the runner's to run).
bool invoke(QObject &facade, QObject &tools, const Call &call, QVariant *result);

// Calls the method `name` of `object` with `args` converted to its parameter
// types; false when it has no such public method taking that many arguments
// or an argument does not convert.
bool invokeByName(QObject *object, const QByteArray &name, const QVariantList &args, QVariant *result);

}  // namespace operations
