// Removing a working file without the wait: ext4 frees a large file's blocks
// inside unlink() (5-8 ms for an 8 MP working file just written), so the
// history letting a dozen go at once held the window for a frame or five.
// Here the name goes at once, so a file written under that name next is never
// touched, and the blocks are freed on a background thread at low priority,
// where the last descriptor of the unlinked file is closed.
#pragma once

#include <QString>

namespace quietremoval {

// Removes the file `path` (its name at once, its blocks soon); false when it
// could not be removed (it is not there, or may not be).
bool remove(const QString &path);

// Waits until the blocks of every file removed so far are freed.
void settle();

}  // namespace quietremoval
