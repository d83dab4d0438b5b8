// KeptSteps: the steps of the photos being edited, kept under the document
// root so that they outlive the program (published as the working folder's
// "keptSteps"):
//
//   root/.qvrkSteps/<sha1 of the photo's path>.json
//     {"format": "zeltanorvik-kept-steps", "photo": "/abs/photo.jpg",
//      "steps": { ...the steps file... }}
//
// Each file is written whole (QSaveFile), so a crash leaves the last complete
// one. What is read back is untrusted: bounded in size, and a file that does
// not name the photo asked for, or whose photo no longer exists, is removed
// and reads as nothing. The steps themselves are checked by the caller
// (tools.readSteps). At most `kMaxKept` photos are remembered; the oldest go.
//
// It also remembers which photo a saved picture was made from
// (root/.qvrkSteps/<sha1 of the picture's path>.original, as bounded and
// checked), for "Edit steps" when the picture's own steps do not say; and it
// reads a steps file the user picked (bounded), which the interface cannot
// read by itself.
#pragma once

#include <QObject>
#include <QString>

class KeptSteps : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
    static constexpr int kMaxKept = 64;

    // `root` is the document root ending with "/"; without one nothing is kept.
    explicit KeptSteps(const QString &root, QObject *parent = nullptr);

    // root + ".qvrkSteps/"; "" without a root.
    QString folder() const { return m_folder; }

    // Keeps `steps` (a steps file's text: a JSON object) for `photo` (a path
    // or file URL), replacing what was kept. False, with the reason in
    // lastError(), when it cannot be written.
    Q_INVOKABLE bool keep(const QString &photo, const QString &steps);
    // The steps file's text kept for `photo`, or "" (nothing kept, the photo
    // gone, or a damaged file, which is removed).
    Q_INVOKABLE QString kept(const QString &photo);
    // Forgets what was kept for `photo`.
    Q_INVOKABLE void forget(const QString &photo);
    // `picture` (saved) was made from the photo `original`.
    Q_INVOKABLE bool rememberOriginal(const QString &picture, const QString &original);
    // The photo `picture` was saved from, or "" when not remembered.
    Q_INVOKABLE QString originalOf(const QString &picture);
    // The text of the steps file at `path` (a path or file URL), at most
    // kMaxBytes; "" with the reason in lastError() when it cannot be read.
    Q_INVOKABLE QString readStepsFile(const QString &path);
    Q_INVOKABLE QString lastError() const { return m_error; }

    // The file that keeps the steps of `photo` (for tests).
    QString fileFor(const QString &photo, const QString &suffix = QStringLiteral(".json")) const;

private:
    bool writeRecord(const QString &file, const QByteArray &data);
    void prune(const QString &pattern);

    QString m_folder;
    QString m_error;
};
