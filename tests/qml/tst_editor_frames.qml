import QtQuick
import QtTest

// The editor's Frames panel: the strip's frames grow the photo, the colourful
// ones keep its size, and a frame at no strength applies nothing.
WindowTestCase {
    name: "EditorFrames"

    function test_framesGrowThePhoto() {
        var panel = openTool("frames");
        compare(panel.strip.entries.length, 20);
        panel.pick(entryOf(panel, 1707, "frame"));
        idle();
        compare(pictureSize(panel.resultPath), Qt.size(676, 436));
        // The colourful frames share numbers with a look, not with each other.
        panel.pick(entryOf(panel, 1503, "colourful"));
        idle();
        compare(pictureSize(panel.resultPath), Qt.size(640, 400));
        panel.pick(entryOf(panel, 1713, "frame"));
        idle();
        panel.apply();
        compare(editor.history.count, 2);
        var size = pictureSize(editor.history.current);
        verify(size.width > 640 && size.height > 400);
    }

    function test_strengthZeroAppliesNothing() {
        var panel = openTool("frames");
        panel.pick(panel.strip.entries[0]);
        waitForTreatment(panel);
        panel.setStrength(0);
        panel.apply();
        compare(editor.openTool, "");
        compare(editor.history.count, 1);
    }
}
