#include "clicall.h"

#include "operationtable.h"

#include <QFileInfo>
#include <QImage>
#include <QMetaObject>
#include <QPixmap>

#include <cmath>

namespace {

bool isCallable(const QMetaMethod &method)
{
    return method.access() == QMetaMethod::Public
        && (method.methodType() == QMetaMethod::Slot || method.methodType() == QMetaMethod::Method);
}

QString typeName(QMetaType type)
{
    return QString::fromLatin1(type.name());
}

// "1 argument", "3 arguments", "1 to 11 arguments".
QString countText(int least, int most)
{
    const QString unit = most == 1 ? QStringLiteral("argument") : QStringLiteral("arguments");
    if (least == most)
        return QStringLiteral("%1 %2").arg(least).arg(unit);
    return QStringLiteral("%1 to %2 %3").arg(least).arg(most).arg(unit);
}

bool resolveOne(const QStringList &words, const QList<PublishedObject> &objects, CliCall *call, QString *error)
{
    QStringList rest = words;
    QString objectName = QStringLiteral("communication");
    if (!rest.isEmpty() && rest.first() == QLatin1String("--object")) {
        if (rest.size() < 2) {
            *error = QStringLiteral("--object needs a name");
            return false;
        }
        objectName = rest.at(1);
        rest = rest.mid(2);
    }
    const PublishedObject *target = nullptr;
    for (const PublishedObject &o : objects) {
        if (o.name == objectName)
            target = &o;
    }
    if (!target || !target->object) {
        *error = QStringLiteral("no published object named '%1'").arg(objectName);
        return false;
    }
    if (rest.isEmpty()) {
        *error = QStringLiteral("no operation given for %1").arg(objectName);
        return false;
    }
    const QString methodName = rest.takeFirst();
    int least = INT_MAX;
    int most = -1;
    const QMetaMethod *chosen = nullptr;
    const QList<QMetaMethod> methods = callableMethods(target->object);
    for (const QMetaMethod &m : methods) {
        if (QString::fromLatin1(m.name()) != methodName)
            continue;
        least = std::min(least, m.parameterCount());
        most = std::max(most, m.parameterCount());
        if (m.parameterCount() == rest.size())
            chosen = &m;
    }
    if (most < 0) {
        *error = QStringLiteral("%1 has no operation '%2'").arg(objectName, methodName);
        return false;
    }
    if (!chosen) {
        *error = QStringLiteral("%1.%2 takes %3, %4 given")
                     .arg(objectName, methodName, countText(least, most))
                     .arg(rest.size());
        return false;
    }
    call->target = target;
    call->method = *chosen;
    call->arguments.clear();
    for (int i = 0; i < rest.size(); ++i) {
        QVariant value;
        const QMetaType type = chosen->parameterMetaType(i);
        if (!convertWord(rest.at(i), type, &value)) {
            const QByteArray name = chosen->parameterNames().value(i);
            *error = QStringLiteral("argument %1 of %2.%3 ('%4') is not a %5%6")
                         .arg(i + 1)
                         .arg(objectName, methodName, rest.at(i), typeName(type),
                              name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(QString::fromLatin1(name)));
            return false;
        }
        call->arguments.append(value);
    }
    // A picture operation takes the arguments its table entry allows; the
    // other published methods (queries) are called as they are.
    if (const operations::Operation *op = tableEntry(objectName, methodName)) {
        QString reason;
        if (!operations::check(*op, call->arguments, &reason)) {
            *error = reason;
            return false;
        }
    }
    return true;
}

}  // namespace

const operations::Operation *tableEntry(const QString &objectName, const QString &methodName)
{
    const QString name = objectName == QLatin1String("communication") ? methodName
                         : objectName == QLatin1String("tools")       ? QStringLiteral("tools.") + methodName
                                                                      : QString();
    const operations::Operation *op = name.isEmpty() ? nullptr : operations::find(name);
    return op && op->object != operations::Object::Runner ? op : nullptr;
}

QList<QMetaMethod> callableMethods(const QObject *object)
{
    QList<QMetaMethod> methods;
    const QMetaObject *meta = object->metaObject();
    for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod m = meta->method(i);
        if (isCallable(m))
            methods.append(m);
    }
    return methods;
}

QString signatureText(const QMetaMethod &method)
{
    QStringList parameters;
    const QList<QByteArray> names = method.parameterNames();
    for (int i = 0; i < method.parameterCount(); ++i) {
        QString p = typeName(method.parameterMetaType(i));
        if (!names.value(i).isEmpty())
            p += QLatin1Char(' ') + QString::fromLatin1(names.at(i));
        parameters.append(p);
    }
    return QStringLiteral("%1 %2(%3)")
        .arg(QString::fromLatin1(method.typeName()), QString::fromLatin1(method.name()),
             parameters.join(QStringLiteral(", ")));
}

bool convertWord(const QString &word, QMetaType type, QVariant *out)
{
    bool ok = false;
    switch (type.id()) {
    case QMetaType::QString:
        *out = word;
        return true;
    case QMetaType::QVariant:
        *out = word;  // handed over as the QVariant itself (runCall)
        return true;
    case QMetaType::Int: {
        const int v = word.toInt(&ok);
        *out = v;
        return ok;
    }
    case QMetaType::Double: {
        const double v = word.toDouble(&ok);
        *out = v;
        return ok && std::isfinite(v);
    }
    case QMetaType::Float: {
        const double v = word.toDouble(&ok);
        *out = QVariant::fromValue(float(v));
        return ok && std::isfinite(float(v));
    }
    case QMetaType::Bool:
        if (word == QLatin1String("true") || word == QLatin1String("1")) {
            *out = true;
            return true;
        }
        if (word == QLatin1String("false") || word == QLatin1String("0")) {
            *out = false;
            return true;
        }
        return false;
    default:
        break;
    }
    if (type.flags() & QMetaType::PointerToQObject) {
        // No object can be named on a command line; "null" gives none.
        if (word != QLatin1String("null"))
            return false;
        QVariant v(type);  // a null pointer of the parameter's type
        *out = v;
        return true;
    }
    QVariant v(word);
    if (!v.convert(type))
        return false;
    *out = v;
    return true;
}

QVariant runCall(const CliCall &call)
{
    const QMetaType returnType = call.method.returnMetaType();
    QVariant result;
    QList<void *> argv;
    if (returnType.id() == QMetaType::Void) {
        argv.append(nullptr);
    } else if (returnType.id() == QMetaType::QVariant) {
        argv.append(&result);
    } else {
        result = QVariant(returnType);
        argv.append(result.data());
    }
    // Each argument already holds its parameter's exact type.
    QVariantList arguments = call.arguments;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QVariant &a = arguments[i];
        const bool wholeVariant = call.method.parameterMetaType(int(i)).id() == QMetaType::QVariant;
        argv.append(wholeVariant ? static_cast<void *>(&a) : a.data());
    }
    QMetaObject::metacall(call.target->object, QMetaObject::InvokeMetaMethod, call.method.methodIndex(),
                          argv.data());
    if (call.target->afterCall)
        call.target->afterCall();
    return result;
}

bool resultIsFailure(const QVariant &result)
{
    if (!result.isValid())
        return false;
    switch (result.metaType().id()) {
    case QMetaType::Bool:
        return !result.toBool();
    case QMetaType::QString: {
        const QString text = result.toString();
        if (text.isEmpty())
            return true;
        // Only paths are checked; a name or a word is not a file to look for.
        return text.startsWith(QLatin1Char('/')) && !QFileInfo::exists(text);
    }
    case QMetaType::QStringList:  // a chain of working files
        return result.toStringList().isEmpty();
    case QMetaType::QPixmap:
        return result.value<QPixmap>().isNull();
    case QMetaType::QImage:
        return result.value<QImage>().isNull();
    default:
        return false;
    }
}

QString callName(const CliCall &call)
{
    return call.target->name + QLatin1Char('.') + QString::fromLatin1(call.method.name());
}

QString resultText(const QVariant &result)
{
    if (!result.isValid())
        return {};
    const QMetaType type = result.metaType();
    switch (type.id()) {
    case QMetaType::Bool:
        return result.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Float:
        return QString::number(double(result.value<float>()), 'g', 9);
    case QMetaType::Double:
        return QString::number(result.toDouble(), 'g', 17);
    case QMetaType::QPixmap: {
        const QPixmap p = result.value<QPixmap>();
        return p.isNull() ? QStringLiteral("null") : QStringLiteral("%1x%2").arg(p.width()).arg(p.height());
    }
    case QMetaType::QImage: {
        const QImage p = result.value<QImage>();
        return p.isNull() ? QStringLiteral("null") : QStringLiteral("%1x%2").arg(p.width()).arg(p.height());
    }
    case QMetaType::QByteArray:
        return QString::fromUtf8(result.toByteArray());
    case QMetaType::QStringList:
        return result.toStringList().join(QLatin1Char(' '));
    default:
        break;
    }
    if (type.flags() & QMetaType::PointerToQObject) {
        QObject *object = *static_cast<QObject *const *>(result.constData());
        if (!object)
            return QStringLiteral("null");
        QStringList pairs;
        for (const QMetaMethod &m : callableMethods(object)) {
            if (m.parameterCount() != 0 || m.returnMetaType().id() == QMetaType::Void)
                continue;
            CliCall getter;
            PublishedObject owner{QString(), object, {}};
            getter.target = &owner;
            getter.method = m;
            pairs.append(QStringLiteral("%1=%2").arg(QString::fromLatin1(m.name()), resultText(runCall(getter))));
        }
        return pairs.join(QLatin1Char(' '));
    }
    return result.toString();
}

bool resolveCalls(const QStringList &words, const QList<PublishedObject> &objects, QList<CliCall> *calls,
                  QString *error)
{
    calls->clear();
    QList<QStringList> groups(1);
    for (const QString &w : words) {
        if (w == QLatin1String("--"))
            groups.append(QStringList());
        else
            groups.last().append(w);
    }
    for (const QStringList &group : groups) {
        CliCall call;
        if (!resolveOne(group, objects, &call, error))
            return false;
        calls->append(call);
    }
    return true;
}
