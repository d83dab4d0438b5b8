import QtQuick
import QtTest

// The editor's Focus panel: the sharp area follows the finger on a copy of
// the screen's size, a step's live preview is that step run on the copy, and
// Apply blurs the photo at its own size.
WindowTestCase {
    name: "EditorFocus"

    function test_focusFollowsTheFinger() {
        var panel = openTool("focus");
        tryVerify(function() { return panel.steps > 0; }, 3000);
        // The preview copy has the screen's size (the engine's reference for
        // the blur's strength), so a photo no larger is copied whole.
        compare(pictureSize(panel.copy), Qt.size(640, 400));
        var area = panel.handle;
        verify(area);
        var before = panel.steps;
        mousePress(area, area.width * 0.25, area.height * 0.5);
        mouseMove(area, area.width * 0.3, area.height * 0.4);
        mouseRelease(area, area.width * 0.3, area.height * 0.4);
        tryVerify(function() { return panel.steps > before; }, 3000);
        fuzzyCompare(panel.centreX, 0.3, 0.02);
        fuzzyCompare(panel.centreY, 0.4, 0.02);
        compare(editor.history.count, 1);

        panel.mode = "band";
        panel.bandAngle = 30;
        panel.previewStep();
        verify(!app.messages.visible, app.messages.text);
        panel.apply();
        idle();
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
    }

    function test_focusStep() {
        var panel = openTool("focus");
        tryVerify(function() { return panel.steps > 0; }, 20000);
        idle();
        var serial = panel.preview.serial;
        panel.moveTo(100, 60, 200, 200);
        var address = shownAfter(panel.preview, serial);
        // The same step through a file, on the quick worker's blurred copy.
        compareToFile(address, fileResult([panel.stepCall(panel.copy, 640, 400)]));
        verify(!app.messages.visible, app.messages.text);
    }
}
