#include "step.h"

#include "operationtable.h"

namespace steps {

QString Call::object() const
{
    return op && op->object == operations::Object::Tools ? QStringLiteral("tools") : QStringLiteral("communication");
}

QString Call::call() const
{
    return op ? QString::fromLatin1(op->method) : QString();
}

const operations::Operation *operationFor(const QString &object, const QString &call)
{
    QString name;
    if (object.isEmpty() || object == QLatin1String("communication"))
        name = call;
    else if (object == QLatin1String("tools"))
        name = QStringLiteral("tools.") + call;
    else
        return nullptr;
    // "tools.x" asked as a call of the facade is not the tool's operation.
    const operations::Operation *op = operations::find(name);
    return op && QLatin1String(op->method) == call ? op : nullptr;
}

QVariantList withoutPicture(const operations::Operation &op, const QVariantList &args)
{
    QVariantList rest = args;
    if (op.source >= 0 && op.source < rest.size())
        rest.removeAt(op.source);
    return rest;
}

QVariantList withPicture(const operations::Operation &op, const QVariantList &args, const QString &picture)
{
    QVariantList all = args;
    if (op.source >= 0)
        all.insert(std::min<qsizetype>(op.source, all.size()), picture);
    return all;
}

}  // namespace steps
