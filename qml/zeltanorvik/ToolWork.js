// What the picture tools (looks, frames, adjust, focus, rotate) share: the
// working files they write.
//
// Every facade step writes the working file named after its source, so a
// tool's writes land at fixed names one, two or three steps down the name
// chain of the current picture. Before each write, `claim` makes the name
// safe to use: entries after the current one (kept for redo) that carry this
// name are dropped from the history, since the write replaces their file.
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
    if (history.entries.indexOf(name) > history.index)
        history.dropAfterCurrent();
    return name;
}

// Whether a working file came back and can be read (its header).
function written(editor, path) {
    return path !== "" && editor.app.fileCheck.readable(path);
}

// The long side of the copy on which the focus blur and the frames are
// previewed: the engine draws their fixed blur strength and frame pieces for
// a picture of this size and grows them for a larger one, so a preview made
// at this size is what Apply gives on the photo (ZQDImageEngine::kScreenSide).
var screenSide = 854;
