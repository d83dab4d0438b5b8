// Paths and URLs of picture files (the runner names the working files).
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

function fileName(path) {
    var s = String(path);
    return s.substring(s.lastIndexOf("/") + 1);
}

function isInside(path, folder) {
    return folder.length > 0 && String(path).indexOf(folder) === 0;
}
