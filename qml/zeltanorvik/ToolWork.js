// What the picture tools (looks, frames, adjust, focus, rotate) share: the
// working files they write.
//
// Every facade step writes the working file named after its source, so a
// tool's writes land at fixed names one, two or three steps down the name
// chain of the current picture. Before each write, `claim` makes the name
// safe to use: entries after the current one (kept for redo) that carry this
// name are dropped from the history, since the write replaces their file;
// and the name is remembered as produced, so the crop (which hands back an
// existing output as it is) never takes a tool's preview for its own result.
// Previews work on the editor's screen copy and thumbnails on a copy of their
// own, whose name chains ("<name>.screen_norvik.png", "<name>.thumbs_...")
// never meet the photo's.
.import "WorkingFiles.js" as WorkingFiles

function outputOf(editor, source) {
    return WorkingFiles.workingFileFor(source, editor.app.temporaryFolder);
}

function claim(editor, source) {
    var name = outputOf(editor, source);
    var history = editor.history;
    var at = history.entries.indexOf(name);
    if (at > history.index)
        history.entries = history.entries.slice(0, history.index + 1);
    history.noteProduced(name);
    return name;
}

// Whether a working file came back and can be read (its header).
function written(editor, path) {
    return path !== "" && editor.app.fileCheck.readable(path);
}
