#include "httpwait.h"

#include "ZQCHttpController.h"

#include <QFileDevice>
#include <QEventLoop>
#include <QTimer>

HttpWait::HttpWait(ZQCHttpController *http, QIODevice *out, QIODevice *err, int timeoutMs)
    : http(http), out(out), err(err), timeoutMs(timeoutMs)
{
}

std::function<void()> HttpWait::afterCall()
{
    return [this] { waitForOutcome(); };
}

void HttpWait::waitForOutcome()
{
    if (!http || !http->isBusy())
        return;

    QEventLoop loop;
    bool failed = false;
    auto write = [](QIODevice *device, const QByteArray &bytes) {
        if (device) {
            device->write(bytes);
            if (auto *file = qobject_cast<QFileDevice *>(device))
                file->flush();
        }
    };
    auto answer = [&](const QVariant &body) {
        QByteArray bytes = body.toByteArray();
        if (!bytes.endsWith('\n'))
            bytes += '\n';
        write(out, bytes);
    };
    // The outcome signals come from inside the controller's finish handling;
    // the loop ends once that has returned and nothing is in flight any more
    // (a redirect starts the next request before it returns).
    auto quitWhenIdle = [&] {
        QTimer::singleShot(0, &loop, [&] {
            if (!http->isBusy())
                loop.quit();
        });
    };
    const QList<QMetaObject::Connection> connections = {
        QObject::connect(http, &ZQCHttpController::s_progress, &loop,
                         [&](QVariant sent, QVariant total) {
                             write(err, "progress " + QByteArray::number(sent.toLongLong()) + '/'
                                            + QByteArray::number(total.toLongLong()) + '\n');
                         }),
        QObject::connect(http, &ZQCHttpController::s_httpError, &loop,
                         [&] {
                             failed = true;
                             write(err, "error\n");
                             quitWhenIdle();
                         }),
        QObject::connect(http, &ZQCHttpController::sinaUpload, &loop,
                         [&](QVariant body) { answer(body); quitWhenIdle(); }),
        QObject::connect(http, &ZQCHttpController::renrenUpload, &loop,
                         [&](QVariant body) { answer(body); quitWhenIdle(); }),
    };

    // A request that ends with no signal at all (nothing to deliver) is seen
    // by this check.
    QTimer idleCheck;
    idleCheck.setInterval(50);
    QObject::connect(&idleCheck, &QTimer::timeout, &loop, [&] {
        if (!http->isBusy())
            loop.quit();
    });
    idleCheck.start();
    QTimer limit;
    limit.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    limit.start(timeoutMs);

    loop.exec();

    for (const auto &c : connections)
        QObject::disconnect(c);
    if (timedOut) {
        http->cancelDownload();
        write(err, "error: no answer within " + QByteArray::number(timeoutMs / 1000) + " s\n");
        failed = true;
    }
    if (failed)
        status = 1;
}
