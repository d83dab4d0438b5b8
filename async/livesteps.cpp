#include "livesteps.h"

#include "ZQDCommunication.h"
#include "operationerror.h"

namespace livesteps {

namespace {

const operations::Operation *liveOperation(const QString &name)
{
    const operations::Operation *op = operations::find(name);
    return op && op->live ? op : nullptr;
}

}  // namespace

bool known(const QString &operation)
{
    return liveOperation(operation) != nullptr;
}

std::vector<int> pictureArguments(const QString &operation)
{
    const operations::Operation *op = liveOperation(operation);
    return op ? op->pictureArguments() : std::vector<int>();
}

Outcome run(ZQDCommunication &facade, const QString &operation, const QVariantList &args,
            const std::vector<QImage> &pictures)
{
    return run(*facade.engine(), operation, args, pictures);
}

Outcome run(ZQDImageEngine &engine, const QString &operation, const QVariantList &args,
            const std::vector<QImage> &pictures)
{
    const operations::Operation *op = liveOperation(operation);
    if (!op || args.size() != int(op->arguments.size()) || pictures.size() != op->pictureArguments().size()) {
        OperationError::set(QStringLiteral("\u201c%1\u201d cannot be previewed with these arguments.").arg(operation));
        return {};
    }
    for (const QImage &picture : pictures) {
        if (picture.isNull()) {
            OperationError::set(QStringLiteral("%1: the picture to preview on cannot be read.").arg(operation));
            return {};
        }
    }
    Outcome outcome = op->live(engine, args, pictures);
    if (!outcome.ok)  // the first reason recorded wins
        OperationError::set(QStringLiteral("%1: the preview could not be made.").arg(operation));
    return outcome;
}

}  // namespace livesteps
