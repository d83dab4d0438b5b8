// The sharing state folder: where the controller keeps its status file and the
// account store its fallback file. It lies under the program's own data folder
// (QStandardPaths::AppLocalDataLocation, "sharing" below it), never in the
// current folder, and only its owner may enter it (mode 0700).
#pragma once

#include <QString>

// The folder's path, without creating it; empty when there is no data folder.
QString sharingStateFolderPath();
// The same, created when missing (and restricted to its owner); empty when it
// cannot be created. Nothing is created before something is to be kept.
QString sharingStateFolder();

// Restricts `path` to its owner: read and write for a file, and enter as well
// for a folder. False when the mode could not be set.
bool keepToOwner(const QString &path, bool folder);
