// Where the program's QML documents are. An installed program finds them
// relative to its own folder (bin/../share/zeltanorvik/qml); nothing else is
// looked at then, so an installed editor never reads a source or build tree,
// whatever the working directory. A program run from its build folder uses
// the development rules (QmlApplicationViewer::adjustPath).
#pragma once

#include <QString>

namespace DataPaths {

// The installed data folder (".../share/zeltanorvik") when the program runs
// installed, "" otherwise.
QString installedDataFolder();

// `relative` ("qml/zeltanorvik/main.qml") in the installed data folder, or ""
// when the program does not run installed.
QString installedFile(const QString &relative);

}  // namespace DataPaths
