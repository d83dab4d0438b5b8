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

// The longest working-file name in UTF-8 bytes (workingfilename.h,
// kWorkingNameBytesMax: 255 less the writer's temporary suffix).
var nameBytesMax = 255 - 32;

// The code points of a string with their UTF-8 lengths; a lone surrogate
// counts as the replacement character it is written as.
function codePoints(s) {
    var list = [];
    for (var i = 0; i < s.length; ) {
        var u = s.charCodeAt(i);
        var c = u, units = 1;
        if (u >= 0xd800 && u <= 0xdbff && i + 1 < s.length) {
            var low = s.charCodeAt(i + 1);
            if (low >= 0xdc00 && low <= 0xdfff) {
                c = 0x10000 + ((u - 0xd800) << 10) + (low - 0xdc00);
                units = 2;
            }
        }
        if (units === 1 && u >= 0xd800 && u <= 0xdfff)
            c = 0xfffd;
        list.push({ code: c, units: units, bytes: c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4 });
        i += units;
    }
    return list;
}

function utf8Length(s) {
    return codePoints(s).reduce(function(n, p) { return n + p.bytes; }, 0);
}

// 32-bit FNV-1a of the UTF-8 bytes, as eight hexadecimal digits.
function nameHash(s) {
    var h = 0x811c9dc5;
    function add(b) { h = Math.imul(h ^ b, 0x01000193) >>> 0; }
    codePoints(s).forEach(function(p) {
        var c = p.code;
        if (p.bytes === 1) {
            add(c);
        } else if (p.bytes === 2) {
            add(0xc0 | (c >> 6)); add(0x80 | (c & 0x3f));
        } else if (p.bytes === 3) {
            add(0xe0 | (c >> 12)); add(0x80 | ((c >> 6) & 0x3f)); add(0x80 | (c & 0x3f));
        } else {
            add(0xf0 | (c >> 18)); add(0x80 | ((c >> 12) & 0x3f)); add(0x80 | ((c >> 6) & 0x3f));
            add(0x80 | (c & 0x3f));
        }
    });
    return ("00000000" + h.toString(16)).slice(-8);
}

// A working file's name from its stem and suffix; a name too long for the
// file system keeps the stem's beginning, then "~" and a hash of the whole
// stem (the facade's rule, workingfilename.h).
function workingFileName(stem, suffix) {
    if (utf8Length(stem + suffix) <= nameBytesMax)
        return stem + suffix;
    var hash = nameHash(stem);
    var room = nameBytesMax - utf8Length(suffix) - 1 - hash.length;
    var units = 0, bytes = 0;
    var points = codePoints(stem);
    for (var i = 0; i < points.length && bytes + points[i].bytes <= room; ++i) {
        bytes += points[i].bytes;
        units += points[i].units;
    }
    return stem.substring(0, units) + "~" + hash + suffix;
}

// The working file an editing step on `source` writes: the source's name up to
// its last ".", then "_norvik.png", in the temporary folder.
function workingFileFor(source, temporaryFolder) {
    var s = String(source).split("file://").join("");
    var dot = s.lastIndexOf(".");
    if (dot >= 0)
        s = s.substring(0, dot);
    return temporaryFolder + workingFileName(s.substring(s.lastIndexOf("/") + 1), "_norvik.png");
}

function fileName(path) {
    var s = String(path);
    return s.substring(s.lastIndexOf("/") + 1);
}

function isInside(path, folder) {
    return folder.length > 0 && String(path).indexOf(folder) === 0;
}
