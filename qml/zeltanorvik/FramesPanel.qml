// Frames: the fourteen simple frames, laid around the photo (the result is
// larger), and the six colourful frames, screened over it. The thumbnails are
// made on a copy of the screen's size, for which the engine draws a frame's
// pieces as they are (it grows them with a larger photo's size).
import QtQuick

StripPanel {
    title: "Frames"
    stepName: "Frame"
    lists: [{ list: "frames", kind: "frame" }, { list: "colorfulFrames", kind: "colourful" }]
    copySide: runner.screenSide
    operation: function(entry, source) {
        return [entry.kind === "frame" ? "framesimpleImage" : "framecolorfulImage", source, entry.id];
    }
}
