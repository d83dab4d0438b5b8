import QtQuick
import QtTest

// The editor's Adjust panel: the preview follows the sliders on the screen
// copy, the photo is processed at its own size, and a reset leaves nothing to
// apply.
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
}
