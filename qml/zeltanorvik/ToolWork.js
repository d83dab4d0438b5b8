// What the picture tools (looks, frames, adjust, focus, rotate) share: the
// working files they write.
//
// Every facade step writes the working file named after its source, so a
// tool's writes land at fixed names one, two or three steps down the name
// chain of the current picture. Before each write, `claim` makes the name
// safe to use: entries after the current one (kept for redo) that carry this
// name are dropped from the history, since the write replaces their file
// (while a step is changed, only their files: see EditorPage's reviseStep).
// Previews work on the editor's screen copy and thumbnails on a copy of their
// own, whose name chains never meet the photo's. The runner names the files.

function outputOf(editor, source) {
    return runner.workingFileFor(source);
}

function claim(editor, source) {
    var name = outputOf(editor, source);
    var history = editor.history;
    // A step being changed keeps the steps after it (they are replayed on
    // its new result): only their files go.
    if (editor.revising)
        history.invalidate(name);
    else if (history.entries.indexOf(name) > history.index)
        history.dropAfterCurrent();
    return name;
}

// Whether a working file came back and can be read (its header).
function written(editor, path) {
    return path !== "" && editor.app.fileCheck.readable(path);
}

// The step that `calls` on `source` make, for the history: each call's
// operation and its arguments but the picture (`source` or "$previous"),
// several calls as "calls"; the focus blur's weakinit and weakrelease are the
// replay's own. `settings` reopen the open tool as it was (its properties).
function stepOf(editor, calls, source, label, settings) {
    var made = [];
    for (var i = 0; i < calls.length; ++i) {
        var name = calls[i][0];
        if (name === "weakinit" || name === "weakrelease")
            continue;
        var args = calls[i].slice(1);
        for (var a = 0; a < args.length; ++a) {
            if (args[a] === source || args[a] === "$previous") {
                args.splice(a, 1);
                break;
            }
        }
        made.push(name.indexOf("tools.") === 0 ? { object: "tools", call: name.substring(6), args: args }
                                               : { call: name, args: args });
    }
    var step = made.length === 1 ? made[0] : { calls: made };
    step.label = label;
    step.tool = { name: editor.openTool, settings: settings };
    return step;
}

// "+30" or "-20": a signed amount for a step's label.
function signed(value) {
    return (value > 0 ? "+" : "") + value;
}

// "exposure +30, warmth -10": the amounts that are not zero, by name.
function amounts(names, values) {
    var parts = [];
    for (var i = 0; i < names.length; ++i) {
        if (values[i] !== 0)
            parts.push(names[i] + " " + signed(values[i]));
    }
    return parts.join(", ");
}
