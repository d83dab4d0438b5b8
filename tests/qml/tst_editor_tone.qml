import QtQuick
import QtTest

// The editor's Tone panel: its histogram follows the exposure, the live
// preview and its histogram are those of Apply on the screen copy, Apply keeps
// the photo's size, and a reset clears the preview.
WindowTestCase {
    name: "EditorTone"

    function test_tonePanelHistogramAndApply() {
        var panel = openTool("tone");
        compare(panel.histogram.length, 64);
        var before = panel.histogram.slice();
        verify(findChild(panel, "histogram"));
        // All zero: Apply has nothing to do.
        verify(panel.neutral);
        panel.exposure = 80;
        panel.changed();
        tryVerify(function() { return panel.preview.path !== ""; });
        // Brighter: the histogram's weight moves to the right.
        tryVerify(function() { return JSON.stringify(panel.histogram) !== JSON.stringify(before); });
        var centre = function(h) {
            var sum = 0, weighted = 0;
            for (var i = 0; i < h.length; ++i) { sum += h[i]; weighted += i * h[i]; }
            return weighted / sum;
        };
        verify(centre(panel.histogram) > centre(before));
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
    }

    function test_toneResetClearsThePreview() {
        var panel = openTool("tone");
        panel.vignette = 50;
        panel.changed();
        tryVerify(function() { return panel.preview.path !== ""; });
        panel.reset();
        verify(panel.neutral);
        compare(panel.preview.path, "");
        panel.cancel();
        compare(editor.history.count, 1);
    }

    function test_toneAndItsHistogram() {
        var panel = openTool("tone");
        tryVerify(function() { return panel.histogram.length === 64; }, 20000);
        var neutral = panel.histogram;
        var serial = panel.preview.serial;
        panel.exposure = 40;
        panel.warmth = -30;
        panel.vignette = 60;
        panel.previewNow();
        var address = shownAfter(panel.preview, serial);
        var file = fileResult(panel.toneCalls(panel.smallCopy));
        compareToFile(address, file);
        compare(JSON.stringify(panel.histogram), JSON.stringify(tools.brightnessHistogram(file, 64)));
        verify(JSON.stringify(panel.histogram) !== JSON.stringify(neutral));
        // Back to neutral: the photo itself shows, with the copy's histogram.
        panel.reset();
        idle();
        compare(panel.preview.path, "");
        compare(JSON.stringify(panel.histogram), JSON.stringify(neutral));
        verify(!app.messages.visible, app.messages.text);
    }
}
