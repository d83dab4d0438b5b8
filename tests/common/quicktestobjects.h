// For the Qt Quick test programs: a document folder of their own and the
// program's objects published to the test's QML engine as the program
// publishes them ("communication", "tools", "multitouch", "nami", "runner" and
// the "working" picture provider), plus "testFolder",
// the folder where the test puts its pictures.
#pragma once

#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "multitouch.h"
#include "networkaccessmanagerinteractor.h"
#include "operationrunner.h"
#include "pictureprovider.h"

#include <QDir>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>

class QuickTestFolder
{
public:
    // Before any facade exists: it reads its document folder once.
    QuickTestFolder()
    {
        qputenv("ZELTANORVIK_ROOT", (work.path() + "/MyDocs/").toUtf8());
        qputenv("XDG_RUNTIME_DIR", work.path().toUtf8());
    }

    QString pictures() const
    {
        const QString folder = work.path() + "/pictures/";
        QDir().mkpath(folder);
        return folder;
    }

private:
    QTemporaryDir work;
};

// The objects belong to the engine and go with it.
inline void publishProgramObjects(QQmlEngine *engine, const QString &pictures)
{
    QQmlContext *context = engine->rootContext();
    auto *communication = new ZQDCommunication(engine);
    context->setContextProperty("communication", communication);
    context->setContextProperty("tools", new EditorTools(communication, engine));
    context->setContextProperty("multitouch", new MultiTouch(engine));
    context->setContextProperty("nami", new NetworkAccessManagerInteractor(engine, engine));
    context->setContextProperty("testFolder", pictures);
    auto *runner = new OperationRunner(engine);
    context->setContextProperty("runner", runner);
    engine->addImageProvider(PictureProvider::kName, new PictureProvider(runner->displayCopies()));
}
