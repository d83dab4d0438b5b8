// Addresses of pictures for the screen: through the program's "working"
// picture provider, which serves the screen-size copy of a picture the runner
// has just made without decoding its file, and decodes any other file at the
// size asked for; a live preview's address ("image://...") is its own.
// `serial` makes the Image ask again for a rewritten file or a new preview.
.pragma library

function url(path, serial) {
    if (!path)
        return "";
    var s = String(path);
    if (s.indexOf("image://") === 0)
        return s + "?v=" + serial;
    if (s.indexOf("file://") === 0)
        s = s.substring(7);
    if (s.charAt(0) !== "/")
        s = "/" + s;
    return "image://working" + s.split("/").map(encodeURIComponent).join("/") + "?v=" + serial;
}
