// A step: what one Apply did to the picture, so it can be replayed on the
// photo again or on another one. One or more calls of picture edits of the
// table of operations, each taking the picture the one before made (the
// picture argument is implied), then, with a strength below 1, the result
// mixed over the step's input. Picture-unit arguments are kept as
// proportions of the step's input picture (steps/proportions.h).
#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace operations {
struct Operation;
}

namespace steps {

// One call of a step: the table's operation, and its arguments after the
// picture (in proportions where the table says picture units).
struct Call {
    const operations::Operation *op = nullptr;
    QVariantList args;

    // "communication" or "tools", as the steps file names the object.
    QString object() const;
    // The method's name, as the steps file names the call ("toneImage").
    QString call() const;
};

struct Step {
    QList<Call> calls;
    double strength = 1;  // 1: the result as it is
    QString label;        // what the Steps list shows
    QVariantMap tool;     // how to reopen the tool; the core keeps it as it is
    bool several = false; // written as "calls" (several calls by one Apply)
};

// The table's operation a step calls `call` on `object` ("" for
// "communication"), or null.
const operations::Operation *operationFor(const QString &object, const QString &call);

// The arguments of `op` with the picture left out (where the table's
// source is), and back.
QVariantList withoutPicture(const operations::Operation &op, const QVariantList &args);
QVariantList withPicture(const operations::Operation &op, const QVariantList &args, const QString &picture);

}  // namespace steps
