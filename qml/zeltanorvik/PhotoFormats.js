// The photo files the editor opens, by name (the decoder itself goes by their
// content): the one list behind Home's grids, the collage picker and the Open
// dialogs, and the address through which those show a photo, the program's
// "photo" picture provider, which reads every one of these formats upright.
.pragma library

// JPEG, HEIF/HEIC/AVIF, DNG and camera raw files, PNG, WebP, TIFF, BMP, GIF.
var suffixes = ["jpg", "jpeg", "heic", "heif", "hif", "avif", "dng", "png", "webp", "tif", "tiff",
                "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2", "orf", "rw2", "raf", "pef", "srw",
                "x3f", "3fr", "erf", "kdc", "mrw", "rwl", "iiq", "bmp", "gif"];

// "*.jpg", ..., then the same in capitals: folder lists match names exactly.
function namePatterns() {
    var lower = suffixes.map(function(s) { return "*." + s; });
    return lower.concat(lower.map(function(p) { return p.toUpperCase(); }));
}

// The Open dialogs' filter, "Photos (*.jpg *.jpeg *.heic ...)".
function dialogFilter() {
    return "Photos (" + namePatterns().join(" ") + ")";
}

// The address of a photo file for an Image, through the photo provider.
function address(path) {
    if (!path)
        return "";
    return "image://photo" + (path.charAt(0) === "/" ? "" : "/") + path.split("/").map(encodeURIComponent).join("/");
}
