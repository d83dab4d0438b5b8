import QtQuick
import QtTest

// The editor's Adjust panel: the preview follows the sliders on the screen
// copy, live (in memory) and pixel for pixel what Apply gives on that copy,
// the last of a burst of changes stays shown, the photo is processed at its
// own size, and a reset leaves nothing to apply.
WindowTestCase {
    name: "EditorAdjust"

    function test_adjustPreviewsThenProcessesThePhoto() {
        var panel = openTool("adjust");
        verify(panel.neutral);
        panel.brightness = 30;
        panel.sharpness = 50;
        panel.previewNow();
        idle();
        verify(panel.preview.visible);
        // The live preview is the screen copy's size (the 640 x 400 photo is
        // smaller than the screen, so its own size).
        compare(pictureSize(panel.preview.path), Qt.size(640, 400));
        compare(editor.history.count, 1);
        panel.processPhoto();
        idle();
        compare(pictureSize(panel.fullResult), Qt.size(640, 400));
        var full = panel.fullResult;
        panel.apply();
        compare(editor.history.count, 2);
        compare(editor.history.current, full);
        verify(!app.messages.visible, app.messages.text);
    }

    function test_adjustResetIsNothingToApply() {
        var panel = openTool("adjust");
        panel.contrast = -40;
        panel.previewNow();
        panel.reset();
        idle();
        verify(panel.neutral);
        verify(!panel.preview.visible);
        panel.apply();
        compare(editor.openTool, "");
        compare(editor.history.count, 1);
    }

    function test_adjustAndSharpen() {
        var panel = openTool("adjust");
        var serial = panel.preview.serial;
        panel.brightness = 25;
        panel.contrast = -10;
        panel.saturation = 40;
        panel.sharpness = 60;
        panel.previewNow();
        var address = shownAfter(panel.preview, serial);
        var copy = panel.smallCopy;
        verify(copy.indexOf(".screen") > 0, copy);
        compareToFile(address, fileResult(panel.processCalls(copy, 640, 400)));
        verify(!app.messages.visible, app.messages.text);
    }

    // A burst of changes: each new preview replaces the one waiting, and the
    // last settings are what stays on screen.
    function test_burstEndsOnTheLastSettings() {
        var panel = openTool("adjust");
        var serial = panel.preview.serial;
        for (var b = 10; b <= 50; b += 10) {
            panel.brightness = b;
            panel.previewNow();
        }
        var address = shownAfter(panel.preview, serial);
        compareToFile(address, fileResult(panel.processCalls(panel.smallCopy, 640, 400)));
        verify(!app.messages.visible, app.messages.text);
    }
}
