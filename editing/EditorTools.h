// EditorTools: the editing operations beyond the facade's own (published to
// QML as "tools", and to the command-line front as `--object tools`).
//
// Like the facade's operations, each one takes the path of the picture QML
// shows (a plain path or a file:// URL), writes its result as a new working
// file and returns that file's path, or "" when nothing was written. Each
// family of operations lives in its own source file beside this one.
#pragma once

#include <QObject>
#include <QString>

class ZQDCommunication;

class EditorTools : public QObject
{
    Q_OBJECT
public:
    // The facade supplies the working-file folders and the engine; it must
    // outlive this object.
    explicit EditorTools(ZQDCommunication *communication, QObject *parent = nullptr);
    ~EditorTools() override;

    ZQDCommunication *communication() const { return m_communication; }

public slots:
    // Why the last failed operation on this thread failed, in words for the
    // user, or "" when no reason was recorded; asking forgets it.
    QString lastError();

private:
    ZQDCommunication *m_communication = nullptr;
};
