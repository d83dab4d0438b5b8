// zeltanorvik-cli: the editor's operations without a display.
//
//   zeltanorvik-cli METHOD ARGS...                 an operation of "communication"
//   zeltanorvik-cli --object NAME METHOD ARGS...   an operation of another object
//   ... -- METHOD ARGS... -- ...                  several calls in one process
//   zeltanorvik-cli --list                         every operation and its signature
//
// Each call prints its result on one line. A call that fails (it returns ""
// or false, a path naming no file, or a null picture) also prints one line on
// stderr, with the reason when the program knows it, and ends the run with
// exit status 1: the calls after it are not made. A wrong name, a wrong number of
// arguments or an argument that does not convert is reported on one line on
// stderr with exit status 2, and then nothing at all is called. A call on
// "http" that starts a request waits for its outcome (progress on stderr, the
// answer body on stdout); the status is then 1 if a request failed.
#include "clicall.h"
#include "httpwait.h"

#include "OAuthSigner.h"

#include "ZQCHttpController.h"
#include "ZQDCommunication.h"
#include "EditorTools.h"
#include "operationerror.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int kOperationFailed = 1;
constexpr int kUsageError = 2;

void printUsage(QTextStream &out)
{
    out << "usage: zeltanorvik-cli [--object NAME] METHOD [ARGS...] [-- [--object NAME] METHOD [ARGS...]]...\n"
           "       zeltanorvik-cli --list\n"
           "Objects: communication (the default), tools, http, oauth. Words convert to the operation's\n"
           "parameter types (numbers, true/false, text; \"null\" for an object).\n";
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList words = QGuiApplication::arguments().mid(1);
    if (words.isEmpty() || words.first() == QLatin1String("--help") || words.first() == QLatin1String("-h")) {
        printUsage(words.isEmpty() ? err : out);
        return words.isEmpty() ? kUsageError : 0;
    }

    ZQDCommunication communication;
    EditorTools tools(&communication);
    ZQCHttpController http;
    OAuthSigner oauth;
    QFile stdoutFile;
    QFile stderrFile;
    stdoutFile.open(stdout, QIODevice::WriteOnly);
    stderrFile.open(stderr, QIODevice::WriteOnly);
    HttpWait httpWait(&http, &stdoutFile, &stderrFile);
    const QList<PublishedObject> objects = {
        {QStringLiteral("communication"), &communication, {}},
        {QStringLiteral("tools"), &tools, {}},
        {QStringLiteral("http"), &http, httpWait.afterCall()},
        {QStringLiteral("oauth"), &oauth, {}},
    };

    if (words.size() == 1 && words.first() == QLatin1String("--list")) {
        for (const PublishedObject &o : objects) {
            for (const QMetaMethod &m : callableMethods(o.object))
                out << o.name << ": " << signatureText(m) << '\n';
        }
        return 0;
    }

    QList<CliCall> calls;
    QString error;
    if (!resolveCalls(words, objects, &calls, &error)) {
        err << "zeltanorvik-cli: " << error << '\n';
        return kUsageError;
    }
    for (const CliCall &call : calls) {
        OperationError::clear();
        const QVariant result = runCall(call);
        if (result.isValid())
            out << resultText(result) << '\n';
        out.flush();
        if (resultIsFailure(result)) {
            const QString reason = OperationError::take().simplified();  // one line
            err << "zeltanorvik-cli: " << callName(call) << " failed"
                << (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason) << '\n';
            return kOperationFailed;
        }
    }
    return httpWait.exitStatus();
}
