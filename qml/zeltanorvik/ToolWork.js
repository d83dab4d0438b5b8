// What the picture tools (looks, frames, adjust, focus, rotate) share: the
// working files they write.
//
// Every facade step writes the working file named after its source, so a
// tool's writes land at fixed names one, two or three steps down the name
// chain of the current picture. Before each write, `claim` makes the name
// safe to use: entries after the current one (kept for redo) that carry this
// name are dropped from the history, since the write replaces their file.
// Previews work on the editor's screen copy and thumbnails on a copy of their
// own, whose name chains never meet the photo's. The runner names the files.

function outputOf(editor, source) {
    return runner.workingFileFor(source);
}

function claim(editor, source) {
    var name = outputOf(editor, source);
    var history = editor.history;
    if (history.entries.indexOf(name) > history.index)
        history.dropAfterCurrent();
    return name;
}

// Whether a working file came back and can be read (its header).
function written(editor, path) {
    return path !== "" && editor.app.fileCheck.readable(path);
}
