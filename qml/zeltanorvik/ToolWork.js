// What the picture tools (looks, frames, adjust, focus, rotate) share: the
// working files they write and the small copies they preview on.
//
// Every facade step writes the working file named after its source, so a
// tool's writes land at fixed names one, two or three steps down the name
// chain of the current picture. Before each write, `claim` makes the name
// safe to use: entries after the current one (kept for redo) that carry this
// name are dropped from the history, since the write replaces their file;
// and the name is remembered as produced, so the crop (which hands back an
// existing output as it is) never takes a tool's preview for its own result.
// Previews work on the editor's screen copy, whose name chain
// ("<name>.screen_norvik.png", ...) never meets the photo's.
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

// The facade calls that make a copy of `source` scaled by `fraction` (at most
// 1), `depth` steps down its name chain (the first step scales, the others
// copy), so that the tool's own writes from `source` (depth - 1 steps at
// most) never replace it; for the runner, which hands back the last copy.
function smallCopyCalls(editor, source, fraction, depth) {
    var calls = [];
    var from = source;
    for (var i = 0; i < depth; ++i) {
        claim(editor, from);
        calls.push(["qualityImage", i === 0 ? source : "$previous", i === 0 ? Math.min(1, fraction) : 1.0]);
        from = outputOf(editor, from);
    }
    return calls;
}

// One facade call ([name, arguments...]) made here and now, on the GUI
// thread: for small pictures only (the strips' thumbnails).
function callNow(call) {
    return communication[call[0]].apply(communication, call.slice(1));
}

// The fraction that fits a picture of width x height into a square of `side`.
function fitFraction(width, height, side) {
    var longest = Math.max(width, height);
    return longest > 0 ? Math.min(1, side / longest) : 1;
}
