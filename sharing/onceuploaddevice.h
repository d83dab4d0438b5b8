// OnceUploadDevice: the body of a POST, read by the network stack exactly
// once.
//
// When a connection drops before the answer, Qt's HTTP/1 channel sends the
// request again on a new connection (up to three more times after a garbled
// status line), rewinding the body it was given. A body posted as a byte array
// can always be rewound, so the service may receive the same upload two to
// four times. This device refuses to rewind once any byte has been handed
// out: the stack then ends the reply with ContentReSendError instead of
// sending it again, and the user decides whether to retry. Before the first
// byte (a connection that never opened) rewinding is still allowed.
#pragma once

#include <QByteArray>
#include <QIODevice>

class OnceUploadDevice : public QIODevice
{
    Q_OBJECT

public:
    explicit OnceUploadDevice(const QByteArray &body, QObject *parent = nullptr);

    bool isSequential() const override { return false; }
    qint64 size() const override { return body.size(); }
    bool seek(qint64 position) override;
    bool reset() override;
    // Some byte has gone to the network stack.
    bool handedOut() const { return started; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QByteArray body;
    bool started = false;
};
