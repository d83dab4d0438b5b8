// Files given to the editor on its command line (plain paths or file URLs):
// each as an absolute local path, or why it cannot be opened, in words for
// the first screen. Whether a readable file is a picture the editor can
// open is left to the documents (the runner reads its header).
#pragma once

#include <QString>
#include <QStringList>

namespace StartFiles {

struct Result
{
    QStringList paths;     // absolute local paths, in the order given
    QStringList problems;  // one sentence a file that cannot be opened
};

Result resolve(const QStringList &words);

// The local path a word names: a file URL decoded ("file:///a%20b.jpg" is
// "/a b.jpg"), a plain path made absolute; "" for a URL of another kind.
QString localPath(const QString &word);

// Why the file at `path` cannot be read, or "" when it can.
QString whyUnreadable(const QString &path);

}  // namespace StartFiles
