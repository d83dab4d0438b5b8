// The reason, in words for the user, why the last operation on this thread
// failed ("The photo is 15000 × 12000 pixels; the editor handles up to …").
//
// Operations return "" or false when they fail; the code that knows why
// records the reason here, and the caller (the command-line front, or the
// interface through tools.lastError()) takes it after a failed call. Each
// thread has its own reason, so work on a worker thread reports its own.
#pragma once

#include <QString>

namespace OperationError {

// Records why the current operation failed. The first reason recorded since
// the last clear() wins: it is the cause, later ones are consequences.
void set(const QString &reason);
// The reason recorded since the last clear(), or "" when there is none.
QString peek();
// Returns the reason and forgets it.
QString take();
void clear();

}  // namespace OperationError
