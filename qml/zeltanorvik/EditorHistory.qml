// The editor's list of working files, the opened photo first. Apply appends
// and moves to the new entry; undo and redo move through the list; an apply
// after an undo drops the entries after the current one.
//
// It also knows which entry was last saved, and where: the current picture
// has unsaved edits when it is not the opened photo itself and not that
// saved entry.
//
// The budget: the photo as opened and at most `undoSteps` edits. Each kept
// edit is a working file of the photo's size (a 48-megapixel photo's is
// 45-55 MB, an 8-megapixel one's about 10 MB), so the working folder holds at
// most about 450 MB at 48 MP. An edit older than that is let go: undoing past
// the oldest kept edit returns to the photo as opened. A working file that
// leaves the list (dropped for a newer edit, past the budget, or with the
// whole list when the photo is closed) is removed with its screen copies at
// once, and closing a photo gives back the memory of its pictures.
import QtQuick

QtObject {
    id: history

    property var entries: []
    property int index: -1
    property int savedIndex: -1
    property string savedWhere: ""
    property int undoSteps: 8
    // Where working files are let go and memory given back (the program's
    // objects; absent in tests of the list alone).
    property var workingFolder: typeof communication !== "undefined" && communication ? communication.workingFolder : null
    property var pictureKeeper: typeof runner !== "undefined" && runner ? runner : null

    readonly property string current: index >= 0 && index < entries.length ? entries[index] : ""
    readonly property string original: entries.length > 0 ? entries[0] : ""
    readonly property bool canUndo: index > 0
    readonly property bool canRedo: index >= 0 && index < entries.length - 1
    readonly property int count: entries.length
    readonly property bool currentIsSaved: index >= 0 && index === savedIndex
    readonly property bool hasUnsavedEdits: index > 0 && !currentIsSaved

    function open(path) {
        var before = entries;
        entries = [path];
        index = 0;
        forgetSaved();
        letGo(before);
        releasePictures();
    }

    function clear() {
        var before = entries;
        entries = [];
        index = -1;
        forgetSaved();
        letGo(before);
        releasePictures();
    }

    function apply(path) {
        if (index < 0)
            return;
        var dropped = entries.slice(index + 1);
        var kept = entries.slice(0, index + 1);
        kept.push(path);
        // The saved entry goes with the dropped ones; the new one takes its place.
        if (savedIndex > index)
            forgetSaved();
        // Past the budget the oldest edits go; the opened photo stays first.
        var excess = kept.length - 1 - Math.max(1, undoSteps);
        if (excess > 0) {
            dropped = dropped.concat(kept.splice(1, excess));
            if (savedIndex >= 1 && savedIndex <= excess)
                forgetSaved();
            else if (savedIndex > excess)
                savedIndex -= excess;
        }
        entries = kept;
        index = kept.length - 1;
        letGo(dropped);
    }

    // Removes the working files of `dropped` that no entry still names (the
    // facade refuses anything that is not this instance's working file).
    function letGo(dropped) {
        var gone = dropped.filter(function(p) { return p && entries.indexOf(p) < 0; });
        if (gone.length > 0 && workingFolder)
            workingFolder.forget(gone);
    }

    function releasePictures() {
        if (pictureKeeper)
            pictureKeeper.dropKeptPictures();
    }

    function undo() {
        if (canUndo)
            index = index - 1;
    }

    function redo() {
        if (canRedo)
            index = index + 1;
    }

    // The current picture was saved; `where` says where (a file or a folder).
    function markSaved(where) {
        savedIndex = index;
        savedWhere = where;
    }

    function forgetSaved() {
        savedIndex = -1;
        savedWhere = "";
    }

    // Entries after the current one whose files are about to be replaced go.
    function dropAfterCurrent() {
        if (savedIndex > index)
            forgetSaved();
        var dropped = entries.slice(index + 1);
        entries = entries.slice(0, index + 1);
        letGo(dropped);
    }
}
