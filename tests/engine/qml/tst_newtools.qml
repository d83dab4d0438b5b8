import QtQuick
import QtTest

// The tools beside the facade's, as a user drives them: the strength under
// the looks, the Tone panel and its histogram, straightening from the Rotate
// panel, the crop's "Original" ratio and the one-tap enhance.
TestCase {
    id: testCase
    name: "NewTools"
    when: windowShown
    visible: true
    width: 480
    height: 854

    property var app: null
    readonly property var editor: app ? app.editorPage : null

    Image {
        id: probe
        asynchronous: false
        cache: false
    }

    function pictureSize(path) {
        probe.source = "";
        probe.source = "file://" + path;
        return Qt.size(probe.implicitWidth, probe.implicitHeight);
    }

    function initTestCase() {
        var component = Qt.createComponent("../../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
    }

    function init() {
        if (editor)
            editor.history.clear();  // the last test's edits: nothing to save
        verify(app.openPhoto(testFolder + "wide.png"));
        tryCompare(app.pages, "busy", false);
        compare(editor.history.count, 1);
        app.messages.hide();
    }

    function cleanup() {
        if (editor)
            editor.closeTool();
        tryCompare(app, "busy", false);
    }

    function openTool(name) {
        editor.openToolNamed(name);
        compare(editor.openTool, name);
        var panel = editor.panel;
        verify(panel);
        tryCompare(panel, "ready", true, 5000);
        return panel;
    }

    // The tap's treatments run in the background: the photo's and the screen
    // copy's are both there.
    function waitForTreatment(panel) {
        tryCompare(panel, "treating", false, 20000);
        tryCompare(runner, "busy", false, 20000);
    }

    function lookEntry(panel, id) {
        var entries = panel.strip.entries;
        for (var i = 0; i < entries.length; ++i)
            if (entries[i].id === id)
                return entries[i];
        fail("no entry " + id);
        return null;
    }

    function test_strengthUnderTheLooks() {
        var panel = openTool("looks");
        var slider = findChild(panel, "strengthSlider");
        verify(slider);
        compare(slider.value, 100);
        verify(!slider.enabled);  // nothing to mix before a look is chosen
        panel.pick(lookEntry(panel, 1030));
        waitForTreatment(panel);
        verify(slider.enabled);
        var full = panel.resultPath;
        tryVerify(function() { return panel.screenResult !== ""; }, 20000);
        // Half strength: the preview is a mix of the screen-size copies.
        panel.setStrength(0.5);
        tryVerify(function() { return panel.preview.path !== full && panel.preview.path !== ""; });
        verify(!app.messages.visible, app.messages.text);
        var thumbnails = panel.smallCopy;
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
        verify(editor.history.current !== full);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
        // The mix is written beside the look's result, not over the thumbnails' copy.
        verify(app.fileCheck.readable(full));
        verify(app.fileCheck.readable(thumbnails));
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

    function test_rotateStraightens() {
        var panel = openTool("rotate");
        panel.fineAngle = 8;
        verify(panel.keptShare < 1);
        var expected = tools.straightenedSize(640, 400, 8);
        fuzzyCompare(panel.keptShare, expected.width / 640, 1e-9);
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), expected);
    }

    function test_rotateStraightensThenTurns() {
        var panel = openTool("rotate");
        panel.fineAngle = -5;
        panel.turn(1);
        panel.apply();
        tryCompare(app, "busy", false);
        var straightened = tools.straightenedSize(640, 400, -5);
        compare(pictureSize(editor.history.current), Qt.size(straightened.height, straightened.width));
    }

    function test_cropOriginalRatioKeepsTheCentre() {
        var panel = openTool("crop");
        var area = editor.photo.overlay;
        panel.cropBox.box = { x: area.width * 0.1, y: area.height * 0.2, w: area.width * 0.3, h: area.height * 0.5 };
        var cx = area.width * 0.25, cy = area.height * 0.45;
        panel.chooseRatio("Original");
        var box = panel.cropBox.box;
        fuzzyCompare(box.w / box.h, 640 / 400, 1e-6);
        fuzzyCompare(box.x + box.w / 2, cx, 1e-6);
        fuzzyCompare(box.y + box.h / 2, cy, 1e-6);
        panel.chooseRatio("1:1");
        box = panel.cropBox.box;
        fuzzyCompare(box.w, box.h, 1e-6);
        fuzzyCompare(box.x + box.w / 2, cx, 1e-6);
        panel.apply();
        tryCompare(app, "busy", false);
        var size = pictureSize(editor.history.current);
        verify(Math.abs(size.width - size.height) <= 1);
    }

    function test_autoEnhanceIsOneStep() {
        editor.autoEnhance();
        tryCompare(app, "busy", false);
        compare(editor.history.count, 2);
        verify(!app.messages.visible, app.messages.text);
        editor.undo();
        compare(editor.history.count, 2);
        verify(editor.history.canRedo);
    }
}
