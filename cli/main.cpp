// zeltanorvik-cli: the editor's operations without a display.
//
//   zeltanorvik-cli METHOD ARGS...                 an operation of "communication"
//   zeltanorvik-cli --object NAME METHOD ARGS...   an operation of another object
//   ... -- METHOD ARGS... -- ...                  several calls in one process
//   zeltanorvik-cli --list                         every operation and its signature
//   zeltanorvik-cli --apply STEPS.json [--jobs N] [--out DIR] [--format jpeg|png|webp]
//                   [--quality Q] [--long-side N] PHOTO...
//                                                 the steps replayed on each photo, saved
//   zeltanorvik-cli --steps PICTURE                the steps a saved picture carries
//
// Each call prints its result on one line. A call that fails (it returns ""
// or false, a path naming no file, or a null picture) also prints one line on
// stderr, with the reason when the program knows it, and ends the run with
// exit status 1: the calls after it are not made. A wrong name, a wrong number of
// arguments or an argument that does not convert is reported on one line on
// stderr with exit status 2, and then nothing at all is called. A call on
// "http" that starts a request waits for its outcome (progress on stderr, the
// answer body on stdout); the status is then 1 if a request failed.
//
// Every word is the program's own: Qt's options (-platform, -reverse, ...)
// are not read from the command line, so a file of that name is just a file.
// A file URL ("file:///a%20b.jpg") is taken as the path it names. A result
// line escapes "\" as "\\" and a line break as "\n" (or "\r"), so a file
// name holding one still gives one line a result.
#include "applysteps.h"
#include "clicall.h"
#include "httpwait.h"

#include "OAuthSigner.h"

#include "ZQCHttpController.h"
#include "ZQDCommunication.h"
#include "EditorTools.h"
#include "operationerror.h"

#include "startfiles.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <QUrl>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int kOperationFailed = 1;
constexpr int kUsageError = 2;

void printUsage(QTextStream &out)
{
    out << "usage: zeltanorvik-cli [--object NAME] METHOD [ARGS...] [-- [--object NAME] METHOD [ARGS...]]...\n"
           "       zeltanorvik-cli --apply STEPS.json [--jobs N] [--out DIR] [--format jpeg|png|webp]\n"
           "                       [--quality Q] [--long-side N] PHOTO...\n"
           "       zeltanorvik-cli --steps PICTURE\n"
           "       zeltanorvik-cli --list | --help | --version\n"
           "Objects: communication (the default), tools, http, oauth. Words convert to the operation's\n"
           "parameter types (numbers, true/false, text; \"null\" for an object); a file URL is the path\n"
           "it names. Each result is one line: \"\\\" is written \"\\\\\", a line break \"\\n\" or \"\\r\".\n";
}

// The words as given, not as Qt would filter them: the application object
// sees the program's name alone.
QStringList givenWords(int argc, char *argv[])
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    return words;
}

// A file URL as the local path it names, escapes decoded; other words as they are.
QString decodedWord(const QString &word)
{
    if (!word.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return word;
    const QUrl url(word);
    return url.isValid() && url.isLocalFile() ? url.toLocalFile() : word;
}

// One result on one line, whatever the text holds.
QString oneLine(const QString &text)
{
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            line += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            line += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            line += QLatin1String("\\r");
        else
            line += c;
    }
    return line;
}

// When a call failed without a reason: what is wrong with a file it was
// given (missing, a symbolic-link loop, not readable, a folder), if anything.
QString fileReason(const CliCall &call)
{
    for (const QVariant &argument : call.arguments) {
        if (argument.typeId() != QMetaType::QString)
            continue;
        const QString path = argument.toString();
        if (!path.startsWith(QLatin1Char('/')))
            continue;
        const QString why = StartFiles::whyUnreadable(path);
        if (!why.isEmpty())
            return QStringLiteral("%1: %2").arg(oneLine(path), why);
    }
    return QString();
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QStringList given = givenWords(argc, argv);
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("zeltanorvik-cli"));
    QGuiApplication::setApplicationVersion(QStringLiteral(ZN_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    // The program's own options come first; from METHOD on every word is the
    // calls' (a later "--", "--object" or "-x" included).
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This help."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("The version."));
    const QCommandLineOption listOption(QStringLiteral("list"), QStringLiteral("Every operation and its signature."));
    const QCommandLineOption objectOption(QStringLiteral("object"), QStringLiteral("The object of the first call."),
                                          QStringLiteral("NAME"));
    parser.addOptions({helpOption, versionOption, listOption, objectOption});
    const QCommandLineOption applyOption(QStringLiteral("apply"), QStringLiteral("Replay a steps file on photos."),
                                         QStringLiteral("STEPS"));
    const QCommandLineOption jobsOption(QStringLiteral("jobs"), QStringLiteral("Photos at once."), QStringLiteral("N"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Where the pictures go."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("jpeg, png or webp."),
                                          QStringLiteral("FORMAT"));
    const QCommandLineOption qualityOption(QStringLiteral("quality"), QStringLiteral("1-100."), QStringLiteral("Q"));
    const QCommandLineOption longSideOption(QStringLiteral("long-side"), QStringLiteral("The saved long side."),
                                            QStringLiteral("N"));
    const QCommandLineOption stepsOption(QStringLiteral("steps"), QStringLiteral("The steps a picture carries."),
                                         QStringLiteral("PICTURE"));
    parser.addOptions({applyOption, jobsOption, outOption, formatOption, qualityOption, longSideOption, stepsOption});
    if (!parser.parse(QStringList{QStringLiteral("zeltanorvik-cli")} + given)) {
        err << "zeltanorvik-cli: " << parser.errorText() << '\n';
        printUsage(err);
        return kUsageError;
    }
    if (parser.isSet(helpOption)) {
        printUsage(out);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        out << "zeltanorvik-cli " << ZN_VERSION << '\n';
        return 0;
    }
    if (parser.isSet(stepsOption)) {
        if (!parser.positionalArguments().isEmpty() || parser.isSet(applyOption)) {
            printUsage(err);
            return kUsageError;
        }
        return clisteps::printSteps(decodedWord(parser.value(stepsOption)), out, err);
    }
    if (parser.isSet(applyOption)) {
        clisteps::Batch batch;
        batch.stepsFile = decodedWord(parser.value(applyOption));
        for (const QString &word : parser.positionalArguments())
            batch.photos << decodedWord(word);
        // A number option that is not a number is refused, not taken as 0.
        auto number = [&](const QCommandLineOption &option, int fallback, bool *ok) {
            if (!parser.isSet(option))
                return fallback;
            bool converted = false;
            const int v = parser.value(option).toInt(&converted);
            if (!converted) {
                err << "zeltanorvik-cli: --" << option.names().first() << " takes a number, not \""
                    << parser.value(option) << "\"\n";
                *ok = false;
            }
            return v;
        };
        bool ok = true;
        batch.jobs = number(jobsOption, 0, &ok);
        batch.quality = number(qualityOption, 92, &ok);
        batch.longSide = number(longSideOption, 0, &ok);
        batch.format = parser.value(formatOption).toLower();
        if (batch.format == QLatin1String("jpg"))
            batch.format = QStringLiteral("jpeg");
        batch.outFolder = decodedWord(parser.value(outOption));
        batch.progress = isatty(fileno(stderr));
        if (!ok)
            return kUsageError;
        if (batch.photos.isEmpty()) {
            printUsage(err);
            return kUsageError;
        }
        return clisteps::apply(batch, out, err);
    }
    for (const QCommandLineOption *batchOnly : {&jobsOption, &outOption, &formatOption, &qualityOption, &longSideOption}) {
        if (parser.isSet(*batchOnly)) {
            err << "zeltanorvik-cli: --" << batchOnly->names().first() << " goes with --apply\n";
            return kUsageError;
        }
    }
    QStringList words;
    if (parser.isSet(objectOption))
        words << QStringLiteral("--object") << parser.value(objectOption);
    for (const QString &word : parser.positionalArguments())
        words << decodedWord(word);
    const bool listing = parser.isSet(listOption);
    if (listing ? !words.isEmpty() : words.isEmpty()) {
        printUsage(err);
        return kUsageError;
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

    if (listing) {
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
            out << oneLine(resultText(result)) << '\n';
        out.flush();
        if (resultIsFailure(result)) {
            QString reason = OperationError::take().simplified();  // one line
            if (reason.isEmpty())
                reason = fileReason(call);
            err << "zeltanorvik-cli: " << callName(call) << " failed"
                << (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason) << '\n';
            return kOperationFailed;
        }
    }
    return httpWait.exitStatus();
}
