// Calling the published objects' operations by name from words on a command
// line: look the operation up, convert each word to its parameter's type, call
// it through the meta-object and print what it returned.
#pragma once

#include <QList>
#include <QMetaMethod>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace operations {
struct Operation;
}

// An object the command line can reach, by the name QML knows it by.
struct PublishedObject {
    QString name;
    QObject *object = nullptr;
    // Runs after each call on this object (an object whose work finishes
    // later, on the event loop, waits for it here). May be empty.
    std::function<void()> afterCall;
};

// One resolved call, ready to run: every argument already has its
// parameter's type.
struct CliCall {
    const PublishedObject *target = nullptr;
    QMetaMethod method;
    QVariantList arguments;
};

// The operations of `object` that can be called by name: its own public slots
// and invokable methods (one entry per form of an operation with defaults).
QList<QMetaMethod> callableMethods(const QObject *object);

// "QString qualityImage(QString pathimage, double timesTemp)".
QString signatureText(const QMetaMethod &method);

// The table's entry of the operation `methodName` of the object the command
// line names `objectName` ("communication", "tools"), or null for a method
// that is not a picture operation.
const operations::Operation *tableEntry(const QString &objectName, const QString &methodName);

// Splits `words` at lone "--" into calls, each "[--object NAME] METHOD ARGS...",
// and resolves every one of them; a picture operation's arguments are
// checked against its entry in the table of operations (their number, kinds
// and ranges). On the first problem returns false with a one-line message in
// `error`; nothing has been called then.
bool resolveCalls(const QStringList &words, const QList<PublishedObject> &objects, QList<CliCall> *calls,
                  QString *error);

// Converts one word to `type`; false when it does not convert.
bool convertWord(const QString &word, QMetaType type, QVariant *out);

// Runs a resolved call and returns its result (invalid for void).
QVariant runCall(const CliCall &call);

// Whether a result says the operation failed: "" or false, a path (an
// absolute one) that names no file, or a null picture. Void, numbers, objects
// and other text are not failures.
bool resultIsFailure(const QVariant &result);

// "communication.qualityImage", for messages.
QString callName(const CliCall &call);

// A result as one line: a path or text as it is, numbers and true/false as
// words, a picture as WIDTHxHEIGHT (or "null"), an object as its getters'
// "name=value" pairs (or "null"). Nothing for void.
QString resultText(const QVariant &result);
