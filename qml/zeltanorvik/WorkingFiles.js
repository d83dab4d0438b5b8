// Paths and URLs of the working files, as the facade names them.
.pragma library

// A local path as a file URL; every path component is escaped, so names
// holding "#", "?" or "%" still load.
function toUrl(path) {
    if (!path)
        return "";
    if (path.indexOf("file://") === 0)
        path = path.substring(7);
    return "file://" + path.split("/").map(encodeURIComponent).join("/");
}

// A file URL (or a plain path) as a local path.
function toPath(url) {
    var s = String(url);
    if (s.indexOf("file://") !== 0)
        return s;
    s = s.substring(7);
    var q = s.indexOf("?");
    if (q >= 0)
        s = s.substring(0, q);
    return decodeURIComponent(s);
}

// The working file an editing step on `source` writes: the source's name up to
// its last ".", then "_norvik.png", in the temporary folder.
function workingFileFor(source, temporaryFolder) {
    var s = String(source).split("file://").join("");
    var dot = s.lastIndexOf(".");
    if (dot >= 0)
        s = s.substring(0, dot);
    s += "_norvik.png";
    return temporaryFolder + s.substring(s.lastIndexOf("/") + 1);
}

function fileName(path) {
    var s = String(path);
    return s.substring(s.lastIndexOf("/") + 1);
}

function isInside(path, folder) {
    return folder.length > 0 && String(path).indexOf(folder) === 0;
}
