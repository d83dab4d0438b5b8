// The editor's list of working files, the opened photo first. Apply appends
// and moves to the new entry; undo and redo move through the list; an apply
// after an undo drops the entries after the current one. `produced` remembers
// every working file written since the photo was opened, dropped entries
// included, because the crop reuses an existing output instead of writing it anew.
import QtQuick

QtObject {
    id: history

    property var entries: []
    property int index: -1
    property var produced: ({})

    readonly property string current: index >= 0 && index < entries.length ? entries[index] : ""
    readonly property string original: entries.length > 0 ? entries[0] : ""
    readonly property bool canUndo: index > 0
    readonly property bool canRedo: index >= 0 && index < entries.length - 1
    readonly property int count: entries.length

    function open(path) {
        entries = [path];
        index = 0;
        produced = ({});
    }

    function clear() {
        entries = [];
        index = -1;
        produced = ({});
    }

    function apply(path) {
        if (index < 0)
            return;
        var kept = entries.slice(0, index + 1);
        kept.push(path);
        entries = kept;
        index = kept.length - 1;
        noteProduced(path);
    }

    function undo() {
        if (canUndo)
            index = index - 1;
    }

    function redo() {
        if (canRedo)
            index = index + 1;
    }

    function noteProduced(path) {
        var p = produced;
        p[path] = true;
        produced = p;
    }

    function wasProduced(path) {
        return produced[path] === true;
    }
}
