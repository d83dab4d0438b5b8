// The editor's history: the steps made since the photo was opened and the
// working file each one made. `entries[0]` is the opened photo and
// `entries[i + 1]` the picture after `steps[i]`; "" where that file was let
// go. Apply appends a step and moves to it; undo and redo move through the
// steps; an apply after an undo drops the steps after the current one.
//
// It also knows which entry was last saved, and where: the current picture
// has unsaved edits when it is not the opened photo itself and not that
// saved entry.
//
// The budget: the photo as opened and at most `undoSteps` working files. Each
// kept file is of the photo's size (a 48-megapixel photo's is 45-55 MB, an
// 8-megapixel one's about 10 MB), so the working folder holds at most about
// 450 MB at 48 MP. Past it the files farthest from the current picture are
// let go, never the steps: moving to a step whose file went replays the
// steps from the nearest kept file (the editor does that, see `fileAt`). A
// working file that leaves the history (dropped for a newer edit, past the
// budget, or with the whole history when the photo is closed) is removed with
// its screen copies at once, and closing a photo gives back the memory of its
// pictures.
import QtQuick

QtObject {
    id: history

    property var entries: []
    property var steps: []
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
        steps = [];
        index = 0;
        forgetSaved();
        letGo(before);
        releasePictures();
    }

    function clear() {
        var before = entries;
        entries = [];
        steps = [];
        index = -1;
        forgetSaved();
        letGo(before);
        releasePictures();
    }

    // The steps that made the current picture.
    function currentSteps() {
        return steps.slice(0, Math.max(0, index));
    }

    // The working file of the picture after `position` steps; "" when it was
    // let go (or there is no such step).
    function fileAt(position) {
        return position >= 0 && position < entries.length ? entries[position] : "";
    }

    // The nearest position at or before `position` whose file is kept (the
    // opened photo, 0, always is).
    function keptAtOrBefore(position) {
        var p = Math.min(position, entries.length - 1);
        while (p > 0 && entries[p] === "")
            --p;
        return p;
    }

    // A new step made `path` from the current picture. `step` may be absent
    // (a picture made by a caller that records none).
    function apply(path, step) {
        if (index < 0)
            return;
        var dropped = entries.slice(index + 1);
        var kept = entries.slice(0, index + 1);
        kept.push(path);
        var made = steps.slice(0, index);
        made.push(step ? step : null);
        // The saved entry goes with the dropped ones; the new one takes its place.
        if (savedIndex > index)
            forgetSaved();
        entries = kept;
        steps = made;
        index = kept.length - 1;
        letGo(dropped.concat(trimmed()));
    }

    // Steps from `position` on replaced: `later` are the steps after the
    // first `position`, `files` the picture after each of them (as many), and
    // the history moves to `at`. The files of the steps before are kept.
    function replaceFrom(position, later, files, at) {
        var before = entries;
        var kept = entries.slice(0, position + 1);
        var made = steps.slice(0, position);
        for (var i = 0; i < later.length; ++i) {
            made.push(later[i]);
            kept.push(i < files.length ? files[i] : "");
        }
        if (savedIndex > position)
            forgetSaved();
        entries = kept;
        steps = made;
        index = Math.max(0, Math.min(at, kept.length - 1));
        letGo(before.slice(position + 1).concat(trimmed()));
    }

    // Files made again for the steps after `position` (a replay to reach a
    // picture whose file was let go); the history moves to `at`.
    function restore(position, files, at) {
        var e = entries.slice();
        var unused = [];
        for (var i = 0; i < files.length; ++i) {
            var p = position + 1 + i;
            if (p < e.length && (e[p] === "" || e[p] === files[i]))
                e[p] = files[i];
            else
                unused.push(files[i]);
        }
        entries = e;
        index = Math.max(0, Math.min(at, e.length - 1));
        letGo(unused.concat(trimmed()));
    }

    // Past the budget, the files farthest from the current picture go (the
    // opened photo and the current picture stay); returns them, out of the list.
    function trimmed() {
        var kept = [];
        for (var p = 1; p < entries.length; ++p) {
            if (entries[p] !== "" && p !== index)
                kept.push(p);
        }
        var excess = kept.length + (index > 0 ? 1 : 0) - Math.max(1, undoSteps);
        if (excess <= 0)
            return [];
        kept.sort(function(a, b) {
            var da = Math.abs(a - index), db = Math.abs(b - index);
            return da !== db ? db - da : a - b;
        });
        var e = entries.slice();
        var gone = [];
        for (var i = 0; i < excess; ++i) {
            gone.push(e[kept[i]]);
            e[kept[i]] = "";
        }
        entries = e;
        return gone;
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

    // Moves one step back or on when that picture's file is kept; the editor
    // replays the steps to a picture whose file went.
    function undo() {
        if (canUndo && entries[index - 1] !== "")
            index = index - 1;
    }

    function redo() {
        if (canRedo && entries[index + 1] !== "")
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

    // Entries after the current one whose files are about to be replaced go,
    // with their steps.
    function dropAfterCurrent() {
        if (savedIndex > index)
            forgetSaved();
        var dropped = entries.slice(index + 1);
        entries = entries.slice(0, index + 1);
        steps = steps.slice(0, index);
        letGo(dropped);
    }

    // A file about to be written again (for a step being changed) or
    // removed: the entries that name it lose their file (their steps stay,
    // and are replayed when they are needed); the current picture's stays.
    function invalidate(path) {
        var e = entries.slice();
        var gone = false;
        for (var p = 1; p < e.length; ++p) {
            if (e[p] === path && p !== index && path !== "") {
                e[p] = "";
                gone = true;
            }
        }
        if (gone)
            entries = e;
    }
}
