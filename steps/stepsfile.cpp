#include "stepsfile.h"

#include "operationtable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>

namespace steps {

namespace {

const QString kFormat = QStringLiteral("zeltanorvik-steps");
constexpr int kVersion = 1;
constexpr qsizetype kMaxTextLength = 10000;
constexpr qsizetype kMaxLabelLength = 1000;
// Whole numbers beyond this would not fit the operations' parameters.
constexpr double kMaxWhole = 1e9;

// The line and column of character `offset` of `text`.
QString whereIn(const QByteArray &text, int offset)
{
    int line = 1;
    int column = 1;
    for (int i = 0; i < offset && i < text.size(); ++i) {
        if (text.at(i) == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// A path of the program's own resources (":/bubble/round.qvqp"), never one
// of the file system.
bool isOwnResource(const QString &path)
{
    QString inside;
    if (path.startsWith(QLatin1String(":/")))
        inside = path.mid(2);
    else if (path.startsWith(QLatin1String("qrc:/")))
        inside = path.mid(5);
    else
        return false;
    return !inside.isEmpty() && !inside.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

QString quoted(const QString &text)
{
    const QString shown = text.size() > 60 ? text.left(57) + QStringLiteral("...") : text;
    return QStringLiteral("\u201c%1\u201d").arg(shown);
}

// What checking the table's kinds and ranges does not see: the files named,
// the length of texts, the size of whole numbers and proportions.
bool checkValues(const operations::Operation &op, const QVariantList &full, Units units, QString *reason)
{
    const QString name = QString::fromLatin1(op.name);
    for (qsizetype i = 0; i < full.size(); ++i) {
        if (i == op.source)
            continue;
        const operations::Argument &a = op.arguments[std::size_t(i)];
        const QVariant &value = full.at(i);
        const QString which = QStringLiteral("Argument %1 (%2) of \u201c%3\u201d").arg(i + 1).arg(QLatin1String(a.name), name);
        switch (a.kind) {
        case operations::Kind::File: {
            const QString text = value.toString();
            if (a.word) {
                if (text.size() > kMaxTextLength) {
                    *reason = QStringLiteral("%1 is longer than %2 characters.").arg(which).arg(kMaxTextLength);
                    return false;
                }
            } else if (!isOwnResource(text)) {
                *reason = QStringLiteral("%1 must be one of the program's own files, not %2.").arg(which, quoted(text));
                return false;
            }
            break;
        }
        case operations::Kind::Integer:
        case operations::Kind::Number: {
            const double v = value.toDouble();
            if (a.axis != operations::Axis::None && units == Units::Proportions) {
                if (std::abs(v) > kMaxProportion) {
                    *reason = QStringLiteral("%1 is %2 times the picture's size, which no picture has.")
                                  .arg(which, QString::number(v, 'g', 6));
                    return false;
                }
            } else if (a.kind == operations::Kind::Integer && std::abs(v) > kMaxWhole) {
                *reason = QStringLiteral("%1 is too large (%2).").arg(which, QString::number(v, 'g', 6));
                return false;
            }
            break;
        }
        default:
            break;
        }
    }
    return true;
}

bool callFrom(const QVariantMap &map, Units units, Call *call, QString *reason)
{
    const QVariant object = map.value(QStringLiteral("object"));
    const QVariant name = map.value(QStringLiteral("call"));
    if (name.typeId() != QMetaType::QString || (object.isValid() && object.typeId() != QMetaType::QString)) {
        *reason = QStringLiteral("It names no call (\"call\" and \"object\" are names).");
        return false;
    }
    const QString objectName = object.toString();
    const QString callName = name.toString();
    const operations::Operation *op = operationFor(objectName, callName);
    const QString shown = (objectName.isEmpty() || objectName == QLatin1String("communication")
                               ? QString()
                               : objectName + QLatin1Char('.'))
                          + callName;
    if (!op) {
        *reason = QStringLiteral("There is no edit called %1.").arg(quoted(shown));
        return false;
    }
    if (!operations::isPictureEdit(*op)) {
        *reason = QStringLiteral("%1 is not an edit of the picture, so it cannot be a step.").arg(quoted(shown));
        return false;
    }
    const QVariant args = map.value(QStringLiteral("args"), QVariantList());
    if (args.typeId() != QMetaType::QVariantList) {
        *reason = QStringLiteral("The arguments of %1 must be a list.").arg(quoted(shown));
        return false;
    }
    // The picture is implied; the table's checks see a placeholder there.
    const QVariantList given = args.toList();
    // Counted without the picture, as the step gives them.
    const int implied = op->source >= 0 ? 1 : 0;
    const int least = op->requiredArguments() - implied;
    const int most = int(op->arguments.size()) - implied;
    if (given.size() < least || given.size() > most) {
        *reason = least == most ? QStringLiteral("%1 takes %2 arguments after the picture, not %3.")
                                      .arg(quoted(shown)).arg(most).arg(given.size())
                                : QStringLiteral("%1 takes %2 to %3 arguments after the picture, not %4.")
                                      .arg(quoted(shown)).arg(least).arg(most).arg(given.size());
        return false;
    }
    const QVariantList full = withPicture(*op, given, QStringLiteral("$previous"));
    // Proportions of whole-pixel arguments are fractions: the table checks
    // them as the whole numbers they become, here only that they are finite
    // numbers.
    QVariantList asTableSees = full;
    if (units == Units::Proportions) {
        for (qsizetype i = 0; i < full.size(); ++i) {
            const operations::Argument &a = op->arguments[std::size_t(i)];
            if (a.axis == operations::Axis::None)
                continue;
            const int type = full.at(i).typeId();
            const bool number = type == QMetaType::Double || type == QMetaType::Int || type == QMetaType::LongLong
                                || type == QMetaType::UInt || type == QMetaType::ULongLong;
            if (!number || !std::isfinite(full.at(i).toDouble())) {
                *reason = QStringLiteral("Argument %1 (%2) of %3 must be a number (a proportion of the picture).")
                              .arg(i + 1)
                              .arg(QLatin1String(a.name), quoted(shown));
                return false;
            }
            asTableSees[i] = 0;
        }
    }
    if (!operations::check(*op, asTableSees, reason) || !checkValues(*op, full, units, reason))
        return false;
    call->op = op;
    call->args = given;
    return true;
}

QByteArray compact(const QJsonValue &value)
{
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    // A lone value, through an array of one.
    QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2);
}

// One call's members in the file's order: object (when not the facade), call, args.
QByteArray callText(const Call &call)
{
    QByteArray text;
    if (call.object() != QLatin1String("communication"))
        text += "\"object\": " + compact(call.object()) + ", ";
    text += "\"call\": " + compact(call.call()) + ", \"args\": " + compact(QJsonArray::fromVariantList(call.args));
    return text;
}

QByteArray stepText(const Step &step)
{
    QByteArray text = "{";
    if (step.several) {
        QList<QByteArray> calls;
        for (const Call &c : step.calls)
            calls.append("{" + callText(c) + "}");
        text += "\"calls\": [" + calls.join(", ") + "]";
    } else {
        text += callText(step.calls.first());
    }
    if (step.strength != 1)
        text += ", \"strength\": " + compact(step.strength);
    if (!step.label.isEmpty())
        text += ", \"label\": " + compact(step.label);
    if (!step.tool.isEmpty())
        text += ", \"tool\": " + compact(QJsonObject::fromVariantMap(step.tool));
    return text + "}";
}

QByteArray fileText(const QList<Step> &steps, const QString &original, const char *between)
{
    QByteArray text = "{\"format\": \"zeltanorvik-steps\", \"version\": 1, ";
    if (!original.isEmpty())
        text += "\"original\": " + QJsonDocument(QJsonArray{original}).toJson(QJsonDocument::Compact).mid(1).chopped(1)
                + ", ";
    text += "\"steps\": [";
    for (qsizetype i = 0; i < steps.size(); ++i)
        text += (i ? QByteArray(",") : QByteArray()) + between + stepText(steps.at(i));
    return text + (steps.isEmpty() ? "" : between == QByteArray(" ") ? "" : "\n") + "]}\n";
}

}  // namespace

QString refusal(int index, const QString &label, const QString &reason)
{
    return label.isEmpty() ? QStringLiteral("Step %1: %2").arg(index + 1).arg(reason)
                           : QStringLiteral("Step %1 (%2): %3").arg(index + 1).arg(label, reason);
}

bool stepFrom(const QVariantMap &map, Units units, Step *step, QString *reason)
{
    Step made;
    const QVariant label = map.value(QStringLiteral("label"));
    if (label.isValid() && label.typeId() != QMetaType::QString) {
        *reason = QStringLiteral("Its label must be a text.");
        return false;
    }
    made.label = label.toString().left(kMaxLabelLength);
    const QVariant tool = map.value(QStringLiteral("tool"));
    if (tool.isValid() && !tool.isNull() && tool.typeId() != QMetaType::QVariantMap) {
        *reason = QStringLiteral("Its tool must be an object.");
        return false;
    }
    made.tool = tool.toMap();
    const QVariant strength = map.value(QStringLiteral("strength"), 1.0);
    bool numeric = false;
    const double s = strength.typeId() == QMetaType::Bool || strength.typeId() == QMetaType::QString
                         ? NAN
                         : strength.toDouble(&numeric);
    if (!numeric || !std::isfinite(s) || s < 0 || s > 1) {
        *reason = QStringLiteral("Its strength must be a number from 0 to 1.");
        return false;
    }
    made.strength = s;
    if (map.contains(QStringLiteral("calls"))) {
        const QVariant calls = map.value(QStringLiteral("calls"));
        const QVariantList list = calls.toList();
        if (calls.typeId() != QMetaType::QVariantList || list.isEmpty() || list.size() > kMaxCallsPerStep) {
            *reason = QStringLiteral("Its calls must be a list of 1 to %1 calls.").arg(kMaxCallsPerStep);
            return false;
        }
        made.several = true;
        for (qsizetype i = 0; i < list.size(); ++i) {
            Call call;
            if (list.at(i).typeId() != QMetaType::QVariantMap) {
                *reason = QStringLiteral("Call %1 of it is not an object.").arg(i + 1);
                return false;
            }
            if (!callFrom(list.at(i).toMap(), units, &call, reason)) {
                *reason = QStringLiteral("Call %1: %2").arg(i + 1).arg(*reason);
                return false;
            }
            made.calls.append(call);
        }
    } else {
        Call call;
        if (!callFrom(map, units, &call, reason))
            return false;
        made.calls.append(call);
    }
    *step = std::move(made);
    return true;
}

QVariantMap mapOf(const Step &step)
{
    auto callMap = [](const Call &c) {
        QVariantMap m{{QStringLiteral("call"), c.call()}, {QStringLiteral("args"), c.args}};
        if (c.object() != QLatin1String("communication"))
            m.insert(QStringLiteral("object"), c.object());
        return m;
    };
    QVariantMap map;
    if (step.several) {
        QVariantList calls;
        for (const Call &c : step.calls)
            calls.append(callMap(c));
        map.insert(QStringLiteral("calls"), calls);
    } else if (!step.calls.isEmpty()) {
        map = callMap(step.calls.first());
    }
    if (step.strength != 1)
        map.insert(QStringLiteral("strength"), step.strength);
    if (!step.label.isEmpty())
        map.insert(QStringLiteral("label"), step.label);
    if (!step.tool.isEmpty())
        map.insert(QStringLiteral("tool"), step.tool);
    return map;
}

Read readFile(const QByteArray &text)
{
    Read read;
    if (text.size() > kMaxFileBytes) {
        read.error = QStringLiteral("The steps file is larger than %1 KB, more than any steps file is.")
                         .arg(kMaxFileBytes / 1024);
        return read;
    }
    QJsonParseError parsed{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        read.error = QStringLiteral("The steps file is not valid JSON: %1 at %2.")
                         .arg(parsed.errorString(), whereIn(text, parsed.offset));
        return read;
    }
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QLatin1String("format")).toString() != kFormat) {
        read.error = QStringLiteral("This is not a steps file of zeltanorvik (it has no \"format\": \"%1\").")
                         .arg(kFormat);
        return read;
    }
    const QJsonValue version = root.value(QLatin1String("version"));
    if (version.toDouble(-1) != kVersion) {
        read.error = version.isDouble()
                         ? QStringLiteral("The steps file is of version %1; this program reads version %2.")
                               .arg(version.toDouble())
                               .arg(kVersion)
                         : QStringLiteral("The steps file gives no version.");
        return read;
    }
    const QJsonValue original = root.value(QLatin1String("original"));
    if (!original.isUndefined()) {
        if (!original.isString() || original.toString().size() > 4096) {
            read.error = QStringLiteral("The steps file's \"original\" must be the path of a photo.");
            return read;
        }
        read.original = original.toString();
    }
    const QJsonValue list = root.value(QLatin1String("steps"));
    if (!list.isArray()) {
        read.error = QStringLiteral("The steps file has no list of steps.");
        return read;
    }
    const QJsonArray array = list.toArray();
    if (array.size() > kMaxSteps) {
        read.error = QStringLiteral("The steps file holds %1 steps, more than the %2 a photo can have.")
                         .arg(array.size())
                         .arg(kMaxSteps);
        return read;
    }
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue value = array.at(i);
        Step step;
        QString reason;
        if (!value.isObject()) {
            read.error = refusal(int(i), {}, QStringLiteral("It is not an object."));
            read.steps.clear();
            return read;
        }
        if (!stepFrom(value.toObject().toVariantMap(), Units::Proportions, &step, &reason)) {
            read.error = refusal(int(i), value.toObject().value(QLatin1String("label")).toString().left(60), reason);
            read.steps.clear();
            return read;
        }
        read.steps.append(std::move(step));
    }
    return read;
}

QByteArray writeFile(const QList<Step> &steps, const QString &original)
{
    return fileText(steps, original, "\n  ");
}

QByteArray writeCompact(const QList<Step> &steps, const QString &original)
{
    return fileText(steps, original, " ").trimmed();
}

}  // namespace steps
