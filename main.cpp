// zeltanorvik: the photo editor. `zeltanorvik --help` lists the options; the
// files given open in the editor (one) or in the collage picker (several).
// The documents read their own options (--open FILE, --tool NAME, ...), which
// are declared here too so that --help shows them and their values are not
// taken for files.
#include "ImageDispose.h"
#include "MainView.h"
#include "operationerror.h"
#include "qmlapplicationviewer/qmlapplicationviewer.h"
#include "startfiles.h"
#include "startup/allocator.h"
#include "touchapplicationviewer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QQuickStyle>

#include <cstdio>

#ifndef ZN_VERSION
#define ZN_VERSION "0"
#endif

namespace {

// Options the documents read from Qt.application.arguments.
void addDocumentOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {QStringLiteral("fullscreen"), QStringLiteral("Full screen, even on a desktop.")},
        {QStringLiteral("size"), QStringLiteral("The window's size, such as 1280x800 (else the last one used)."),
         QStringLiteral("WIDTHxHEIGHT")},
        {QStringLiteral("open"), QStringLiteral("Open FILE in the editor."), QStringLiteral("FILE")},
        {QStringLiteral("tool"), QStringLiteral("With --open: open the tool NAME (looks, frames, adjust, tone, "
                                                "focus, rotate, crop, text)."),
         QStringLiteral("NAME")},
        {QStringLiteral("apply"), QStringLiteral("With --tool: apply the tool at once.")},
        {QStringLiteral("text"), QStringLiteral("With --tool text: the words in the bubble."), QStringLiteral("WORDS")},
        {QStringLiteral("share"), QStringLiteral("With --open: open the share page.")},
        {QStringLiteral("browse"), QStringLiteral("Open the file dialog.")},
        {QStringLiteral("collage"), QStringLiteral("Open the collage page.")},
        {QStringLiteral("collage-kind"), QStringLiteral("With --collage: template, free or stitched."),
         QStringLiteral("KIND")},
        {QStringLiteral("collage-photos"), QStringLiteral("With --collage: compose these photos."),
         QStringLiteral("FILE,FILE,...")},
        {QStringLiteral("collage-save"), QStringLiteral("With --collage-photos: save the collage at once.")},
    });
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Photos to open: one opens in the editor, several in the collage picker."),
                                 QStringLiteral("[FILE...]"));
}

QSize parseSize(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return {};
    bool okW = false, okH = false;
    const QSize size(parts[0].toInt(&okW), parts[1].toInt(&okH));
    return okW && okH && size.width() >= 200 && size.height() >= 200 ? size : QSize();
}

}  // namespace

int main(int argc, char *argv[])
{
    startup::tuneAllocator(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zeltanorvik"));
    QApplication::setOrganizationName(QStringLiteral("zeltanorvik"));
    QApplication::setApplicationVersion(QStringLiteral(ZN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zeltanorvik.Zeltanorvik"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A touch-friendly photo editor."));
    parser.addHelpOption();
    parser.addVersionOption();
    addDocumentOptions(parser);
    // --help and --version print and end here; a wrong option ends with status 2.
    parser.process(app);

    if (parser.isSet(QStringLiteral("fullscreen")))
        QmlApplicationViewer::setFullScreenRequested(true);
    QSize size;
    if (parser.isSet(QStringLiteral("size"))) {
        size = parseSize(parser.value(QStringLiteral("size")));
        if (!size.isValid()) {
            std::fprintf(stderr, "zeltanorvik: --size wants WIDTHxHEIGHT of at least 200x200, such as 1280x800\n");
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Material"));
    // The looks and frames strips read their labels from the bundle's index
    // with an XMLHttpRequest, which Qt refuses for local files unless allowed.
    if (qEnvironmentVariableIsEmpty("QML_XHR_ALLOW_FILE_READ"))
        qputenv("QML_XHR_ALLOW_FILE_READ", "1");
    // The document root and the saved-pictures folder are made now, so that
    // Home shows that folder from the start and a missing root is said at
    // once (the interface says it too; every operation then fails).
    if (ImageDispose().savedFolder().isEmpty())
        std::fprintf(stderr, "zeltanorvik: %s\n", qPrintable(OperationError::take()));
    const StartFiles::Result files = StartFiles::resolve(parser.positionalArguments());
    for (const QString &problem : files.problems)
        std::fprintf(stderr, "zeltanorvik: %s\n", qPrintable(problem));
    MainView mainView;
    if (size.isValid())
        mainView.view()->resize(size);
    mainView.setStartFiles(files.paths, files.problems);
    return app.exec();
}
