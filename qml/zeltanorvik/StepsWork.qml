// The editor's steps made again: changing or removing a step replays every
// later one on its new result; moving (undo, redo) to a picture whose working
// file was let go replays the steps from the nearest kept file; a photo opened
// with steps replays them all. The files of the steps before are reused.
//
// A replay runs in the background with the busy indicator turning and Cancel
// offered: first on the screen copy (quick worker), shown at once, then on the
// photo (main worker). A replay that fails or is cancelled changes nothing: the
// picture and the steps stay as they were, and a failure says which step
// failed and why.
//
// Steps here are as the steps file holds them: picture units in proportions
// of the picture each step was applied to (tools.stepFor made them).
import QtQuick

QtObject {
    id: work

    property var editor: null
    // The step whose tool is open to change it: { step, from } (the position
    // to go back to), or null.
    property var revising: null
    property bool replaying: false

    readonly property var history: editor ? editor.history : null
    readonly property var app: editor ? editor.app : null

    // A step recorded for the current picture: its picture units (pixels of
    // that picture) in proportions; null when there is none or it is refused.
    function recorded(step) {
        if (!step)
            return null;
        var size = runner.pictureSize(history.current);
        if (size.width <= 0 || size.height <= 0)
            return null;
        var made = tools.stepFor(step, size.width, size.height);
        if (!made || !made.call && !made.calls) {
            console.warn("The step cannot be recorded: " + tools.lastError());
            return null;
        }
        return made;
    }

    // The first of `steps` that cannot be replayed (it was not recorded), or -1.
    function unrecorded(steps) {
        for (var i = 0; i < steps.length; ++i) {
            if (!steps[i])
                return i;
        }
        return -1;
    }

    // Replays `steps` on the picture `from`, showing the first `shown` of
    // them on its screen copy first; done(files) gets the file after each
    // step, failed(reason) the reason (its step numbers counted from
    // `firstNumber`). Nothing else changes.
    //
    // Working files are named after their source, so a replay writes the
    // names of the files already made down the same chain: when it fails or
    // is cancelled (the runner then removes what it wrote), the history's
    // files it may have written are let go, and the current picture, if it
    // was one of them, is made again with the steps it had.
    function replay(label, from, steps, shown, firstNumber, done, failed) {
        var missing = unrecorded(steps);
        if (missing >= 0) {
            failed("Step " + (firstNumber + missing) + " cannot be made again: it was not recorded.");
            return;
        }
        if (steps.length === 0) {
            done([]);
            return;
        }
        var json = tools.stepsJson(steps);
        var shownJson = shown > 0 ? tools.stepsJson(steps.slice(0, shown)) : "";
        if (json === "") {
            failed(numbered(tools.lastError(), firstNumber));
            return;
        }
        replaying = true;
        spoiled = namesWritten(from, steps);
        app.busyLabel = label;
        app.busy = true;
        app.busyCancel = cancel;
        var full = function() {
            if (!work.replaying)
                return;
            editor.work.start("steps-replay", [["tools.replaySteps", from, json]], function(path, value) {
                finish();
                var files = value ? Array.from(value) : [];
                if (files.length !== steps.length) {
                    spoil();
                    failed("the steps gave no picture.");
                    return;
                }
                spoiled = [];
                done(files);
            }, function(error) {
                finish();
                spoil();
                failed(numbered(error, firstNumber));
            });
        };
        if (shownJson === "") {
            full();
            return;
        }
        // The preview first, on a copy as large as the photo shows (no
        // larger), alone on the processor; then the photo. The preview is
        // made in memory, or through working files when a step has no form
        // in memory (a look, a frame, a turn...).
        var previewCalls = [["thumbnailCopy", from, shownSide(from)], ["tools.replaySteps", "$previous", shownJson]];
        var shownFirst = function(path) {
            if (work.replaying)
                editor.photo.standIn = path;
            full();
        };
        editor.work.preview("steps-preview", previewCalls, shownFirst, function() {
            if (work.replaying)
                editor.work.start("steps-preview", previewCalls, shownFirst, full, true);
        });
    }

    // The names a replay of `steps` from `from` may write: `from` itself when
    // it is not a kept file, and its chain as deep as the steps' calls (one
    // file each, and one more for a strength's mix).
    property var spoiled: []
    function namesWritten(from, steps) {
        var depth = 0;
        for (var i = 0; i < steps.length; ++i)
            depth += (steps[i].calls ? steps[i].calls.length : 1) + (steps[i].strength < 1 ? 1 : 0);
        var names = history.entries.indexOf(from) < 0 ? [from] : [];
        var name = from;
        for (var d = 0; d < depth && name !== ""; ++d) {
            name = runner.workingFileFor(name);
            names.push(name);
        }
        return names;
    }

    // After a replay that failed or was cancelled.
    function spoil() {
        var names = spoiled;
        spoiled = [];
        var current = history.current;
        for (var i = 0; i < names.length; ++i)
            history.invalidate(names[i]);
        if (names.indexOf(current) < 0)
            return;
        var at = history.index;
        var from = history.keptAtOrBefore(at - 1);
        var steps = history.steps.slice(from, at);
        Qt.callLater(function() {
            replay("Making the picture again", history.fileAt(from), steps, 0, from + 1, function(files) {
                history.restore(from, files, at);
                editor.photo.reload();
            }, function(reason) {
                editor.fail("The picture could not be made again. " + reason);
            });
        });
    }

    // The long side of the picture at `path` fitted into the photo view (in
    // device pixels), at most the screen copies' side.
    function shownSide(path) {
        var size = runner.pictureSize(path);
        var view = editor.photo.decodeSize;
        if (size.width <= 0 || size.height <= 0)
            return runner.screenSide;
        var fit = Math.min(view.width / size.width, view.height / size.height, 1);
        return Math.max(64, Math.min(runner.screenSide, Math.ceil(Math.max(size.width, size.height) * fit)));
    }

    // The replay's "Step n: ..." counts from the first step it was given.
    function numbered(error, firstNumber) {
        var text = error ? String(error) : "the steps could not be made again.";
        var m = /^Step (\d+)/.exec(text);
        if (m)
            text = "Step " + (Number(m[1]) + firstNumber - 1) + text.substring(m[0].length);
        return text;
    }

    function finish() {
        replaying = false;
        editor.work.cancel("steps-preview");
        editor.photo.standIn = "";
        app.busy = false;
        app.busyCancel = null;
    }

    function cancel() {
        if (!replaying)
            return;
        editor.work.cancel("steps-replay");
        finish();
        spoil();
        app.showMessage("Stopped: the picture and its steps are as they were.");
    }

    // Shows the picture after `position` steps (making it again when its file
    // went), then calls then().
    function goTo(position, then) {
        if (history.fileAt(position) !== "") {
            history.restore(position, [], position);
            editor.photo.reload();
            if (then)
                then();
            return;
        }
        var from = history.keptAtOrBefore(position);
        var steps = history.steps.slice(from, position);
        replay("Making the picture again", history.fileAt(from), steps, steps.length, from + 1, function(files) {
            history.restore(from, files, position);
            editor.photo.reload();
            if (then)
                then();
        }, function(reason) {
            editor.fail("The picture could not be made again. " + reason);
        });
    }

    // Opens the tool of step `i` with its settings; its Apply replaces the step.
    function revise(i) {
        if (replaying || editor.openTool !== "" || app.busy || i < 0 || i >= history.steps.length)
            return;
        var step = history.steps[i];
        var tool = step && step.tool ? step.tool : null;
        if (!tool || !editor.hasTool(tool.name)) {
            app.showMessage("\u201c" + labelOf(step, i) + "\u201d has no settings to change; it can be removed.");
            return;
        }
        var from = history.index;
        goTo(i, function() {
            revising = { step: i, from: from };
            var settings = {};
            for (var key in tool.settings)
                settings[key] = tool.settings[key];
            editor.openToolNamed(tool.name, settings);
        });
    }

    // The tool of a step being changed closed: back to where the user was
    // (unless its Apply moved on).
    function toolClosed() {
        if (!revising)
            return;
        var back = revising.from;
        revising = null;
        if (back !== history.index && back < history.count)
            goTo(back, null);
    }

    // Where the history goes once step `i` is replaced (or removed).
    function landing(i, removed) {
        var from = revising ? revising.from : history.index;
        if (removed)
            return from > i ? from - 1 : from;
        return from > i ? from : i + 1;
    }

    // The changed step's Apply: `step` (in pixels of the picture before it)
    // replaces it, and the later ones are replayed on it. `made` is its
    // result when the tool has it already, else the step is made here.
    function replace(label, step, made, then) {
        var i = revising.step;
        var newStep = recorded(step);
        if (!newStep) {
            editor.fail(label + " failed: this change cannot be recorded as a step.");
            return;
        }
        var later = history.steps.slice(i + 1);
        var at = landing(i, false);
        var all = [newStep].concat(later);
        var finished = function(files) {
            revising = null;
            history.replaceFrom(i, all, files, at);
            editor.photo.reload();
            if (then)
                then();
            if (editor.openTool !== "")
                editor.closeTool();
        };
        var failed = function(reason) {
            editor.fail("Changing step " + (i + 1) + " failed. " + reason);
        };
        if (made) {
            replay(label, made, later, at - i - 1, i + 2, function(files) { finished([made].concat(files)); }, failed);
            return;
        }
        replay(label, history.current, all, at - i, i + 1, finished, failed);
    }

    // Removes step `i`; the later ones are replayed without it.
    function remove(i) {
        if (replaying || editor.openTool !== "" || app.busy || i < 0 || i >= history.steps.length)
            return;
        var from = history.keptAtOrBefore(i);
        var at = landing(i, true);
        var steps = history.steps.slice(from, i).concat(history.steps.slice(i + 1));
        var label = labelOf(history.steps[i], i);
        replay("Removing \u201c" + label + "\u201d", history.fileAt(from), steps, at - from, from + 1, function(files) {
            history.replaceFrom(from, steps, files, at);
            editor.photo.reload();
        }, function(reason) {
            editor.fail("Removing step " + (i + 1) + " failed. " + reason);
        });
    }

    // Opens `original` and replays `steps` (as the steps file holds them) on
    // it; unsaved edits of the picture open now are asked about first.
    function openWithSteps(original, steps) {
        if (history.hasUnsavedEdits) {
            editor.leave(function() { work.openWithSteps(original, steps); });
            return true;
        }
        if (!app.openPhoto(original))
            return false;
        if (!steps || steps.length === 0)
            return true;
        var list = Array.from(steps);
        // Listed at once; the pictures follow. Cancelled, they stay to be
        // redone; failed, the photo stays as it is, without them.
        history.replaceFrom(0, list, [], 0);
        replay("Applying the steps", history.original, list, list.length, 1, function(files) {
            history.restore(0, files, list.length);
            editor.photo.reload();
        }, function(reason) {
            history.replaceFrom(0, [], [], 0);
            editor.fail("The steps could not be applied. " + reason);
        });
        return true;
    }

    function labelOf(step, i) {
        return step && step.label ? step.label : "Step " + (i + 1);
    }
}
