#include "operationerror.h"

namespace {
thread_local QString lastReason;
}

namespace OperationError {

void set(const QString &reason)
{
    if (lastReason.isEmpty())
        lastReason = reason;
}

QString peek()
{
    return lastReason;
}

QString take()
{
    QString reason;
    reason.swap(lastReason);
    return reason;
}

void clear()
{
    lastReason.clear();
}

}  // namespace OperationError
