// The editor's list of working files, the opened photo first. Apply appends
// and moves to the new entry; undo and redo move through the list; an apply
// after an undo drops the entries after the current one.
//
// It also knows which entry was last saved, and where: the current picture
// has unsaved edits when it is not the opened photo itself and not that
// saved entry.
import QtQuick

QtObject {
    id: history

    property var entries: []
    property int index: -1
    property int savedIndex: -1
    property string savedWhere: ""

    readonly property string current: index >= 0 && index < entries.length ? entries[index] : ""
    readonly property string original: entries.length > 0 ? entries[0] : ""
    readonly property bool canUndo: index > 0
    readonly property bool canRedo: index >= 0 && index < entries.length - 1
    readonly property int count: entries.length
    readonly property bool currentIsSaved: index >= 0 && index === savedIndex
    readonly property bool hasUnsavedEdits: index > 0 && !currentIsSaved

    function open(path) {
        entries = [path];
        index = 0;
        forgetSaved();
    }

    function clear() {
        entries = [];
        index = -1;
        forgetSaved();
    }

    function apply(path) {
        if (index < 0)
            return;
        var kept = entries.slice(0, index + 1);
        kept.push(path);
        // The saved entry goes with the dropped ones; the new one takes its place.
        if (savedIndex > index)
            forgetSaved();
        entries = kept;
        index = kept.length - 1;
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
        entries = entries.slice(0, index + 1);
    }
}
