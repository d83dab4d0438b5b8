// Where the user's working, cache and saved pictures live: the document root.
//
// ZELTANORVIK_ROOT names it when set (a relative name is taken from the
// folder the program started in). Otherwise it is "/home/user/MyDocs/" when
// that exists or can be made, else the user's own documents folder. Nothing
// ever falls back to the current folder: when no root can be made there is
// none, and every operation that writes a picture fails and says why.
#pragma once

#include <QString>

struct DocumentRootChoice {
    QString root;     // absolute, ending with "/"; "" when none could be made
    QString problem;  // why there is no root, in words for the user
};

// The choice itself, with the candidates given: `requested` (the
// environment's; may be empty), then `preferred`, then `documents` (either
// may be empty). Creates the chosen folder.
DocumentRootChoice chooseDocumentRoot(const QString &requested, const QString &preferred, const QString &documents);

// The process's document root, chosen once on first use from the
// environment and Qt's standard locations; "" when none could be made.
const QString &meeGoRootDir();

// Why the process has no document root ("" when it has one).
const QString &documentRootProblem();
