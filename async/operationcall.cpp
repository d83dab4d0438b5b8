#include "operationcall.h"

#include <QMetaMethod>
#include <QObject>

#include <vector>

namespace operations {

namespace {
const QString kPrevious = QStringLiteral("$previous");
}

bool resolve(const QVariantList &entry, const QString &previous, Call *call, QString *error)
{
    QVariantList parts = entry;
    call->name = parts.isEmpty() ? QString() : parts.takeFirst().toString();
    call->op = find(call->name);
    if (!call->op) {
        *error = QStringLiteral("\u201c%1\u201d cannot run in the background.").arg(call->name);
        return false;
    }
    if (!check(*call->op, parts, error))
        return false;
    for (QVariant &arg : parts) {
        if (arg.typeId() == QMetaType::QString && arg.toString() == kPrevious)
            arg = previous;
    }
    call->args = std::move(parts);
    return true;
}

bool invoke(QObject &facade, QObject &tools, const Call &call, QVariant *result)
{
    const QByteArray method(call.op->method);
    switch (call.op->object) {
    case Object::Communication:
        return invokeByName(&facade, method, call.args, result);
    case Object::Tools:
        return invokeByName(&tools, method, call.args, result);
    case Object::Runner:
        break;
    }
    return false;
}

bool invokeByName(QObject *object, const QByteArray &name, const QVariantList &args, QVariant *result)
{
    const QMetaObject *meta = object->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != name || method.parameterCount() != args.size()
            || method.access() != QMetaMethod::Public)
            continue;
        std::vector<QVariant> values;
        values.reserve(std::size_t(args.size()));
        for (int a = 0; a < args.size(); ++a) {
            QVariant v = args.at(a);
            if (!v.convert(method.parameterMetaType(a)))
                return false;
            values.push_back(std::move(v));
        }
        const QMetaType returns = method.returnMetaType();
        QVariant ret = returns.id() == QMetaType::Void ? QVariant() : QVariant(returns);
        // Through the meta-call itself: QMetaMethod::invoke takes ten arguments
        // at most, and the text operation has seventeen.
        std::vector<void *> argv(values.size() + 1, nullptr);
        argv[0] = ret.isValid() ? ret.data() : nullptr;
        for (std::size_t a = 0; a < values.size(); ++a)
            argv[a + 1] = values[a].data();
        QMetaObject::metacall(object, QMetaObject::InvokeMetaMethod, i, argv.data());
        *result = ret;
        return true;
    }
    return false;
}

}  // namespace operations
