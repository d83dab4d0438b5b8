// Frames: the fourteen simple frames, laid around the photo (the result is
// larger), and the six colourful frames, screened over it. The thumbnails are
// made on a copy of a common photo size, since a simple frame's border has a
// fixed size in pixels.
import QtQuick

StripPanel {
    title: "Frames"
    lists: [{ list: "frames", kind: "frame" }, { list: "colorfulFrames", kind: "colourful" }]
    copySide: 640
    operation: function(entry, source) {
        return [entry.kind === "frame" ? "framesimpleImage" : "framecolorfulImage", source, entry.id];
    }
}
