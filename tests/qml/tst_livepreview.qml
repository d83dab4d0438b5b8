import QtQuick
import QtTest

// Live previews are made in memory: what each one shows (adjust with its
// sharpening, tone with its histogram, a focus step, a look's strength) is
// exactly what the same operation writes when run on the screen copy's file,
// and after a burst of changes the last settings are the ones shown.
TestCase {
    id: testCase
    name: "LivePreview"
    when: windowShown
    visible: true
    // Wide enough for the 640 x 400 pictures compared at their own size.
    width: 660
    height: 860

    property var app: null
    readonly property var editor: app ? app.editorPage : null

    // The live picture and the file's, each at its own size, for comparing
    // pixel by pixel (above the main window).
    Image {
        id: livePicture
        z: 100
        cache: false
        asynchronous: false
    }
    Image {
        id: filePicture
        z: 100
        y: 420
        cache: false
        asynchronous: false
    }

    function initTestCase() {
        var component = Qt.createComponent("../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
    }

    function init() {
        if (editor)
            editor.history.clear();
        verify(app.openPhoto(testFolder + "wide.png"));
        tryCompare(app.pages, "busy", false);
        app.messages.hide();
    }

    function cleanup() {
        livePicture.source = "";
        filePicture.source = "";
        if (editor)
            editor.closeTool();
        idle();
        verify(!app.messages.visible, app.messages.text);
    }

    function idle() {
        tryCompare(app, "busy", false, 20000);
        tryCompare(runner, "busy", false, 20000);
        tryCompare(editor.work, "busy", false, 20000);
    }

    function openPanel(name) {
        editor.openToolNamed(name);
        var panel = editor.panel;
        verify(panel);
        tryCompare(panel, "ready", true, 20000);
        idle();
        return panel;
    }

    // The working file `calls` write on the quick worker (as every preview
    // was made before it moved into memory).
    function fileResult(calls) {
        var result = null;
        editor.work.start("test-file", calls, function(path) { result = path; },
                          function(error) { result = ""; fail("the file form failed: " + error); }, true);
        tryVerify(function() { return result !== null; }, 20000);
        return result;
    }

    // Waits for the preview layer to show a picture newer than `serial`, and
    // checks it is live (in memory), not a file.
    function shownAfter(preview, serial) {
        tryVerify(function() { return preview.serial > serial && preview.ready; }, 20000);
        idle();
        verify(String(preview.path).indexOf("image://working/live:") === 0, preview.path);
        return preview.path;
    }

    // Pixel for pixel, the live picture at `address` is the picture in `file`.
    function compareToFile(address, file) {
        livePicture.source = address + "?v=" + Math.random();
        filePicture.source = "file://" + file;
        compare(livePicture.status, Image.Ready);
        compare(filePicture.status, Image.Ready);
        compare(livePicture.implicitWidth, filePicture.implicitWidth);
        compare(livePicture.implicitHeight, filePicture.implicitHeight);
        waitForRendering(livePicture);
        var live = grabImage(livePicture);
        var written = grabImage(filePicture);
        verify(live.equals(written), "the live preview differs from the file form's result");
    }

    function test_adjustAndSharpen() {
        var panel = openPanel("adjust");
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
    }

    // A burst of changes: each new preview replaces the one waiting, and the
    // last settings are what stays on screen.
    function test_burstEndsOnTheLastSettings() {
        var panel = openPanel("adjust");
        var serial = panel.preview.serial;
        for (var b = 10; b <= 50; b += 10) {
            panel.brightness = b;
            panel.previewNow();
        }
        var address = shownAfter(panel.preview, serial);
        compareToFile(address, fileResult(panel.processCalls(panel.smallCopy, 640, 400)));
    }

    function test_toneAndItsHistogram() {
        var panel = openPanel("tone");
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
    }

    function test_focusStep() {
        var panel = openPanel("focus");
        tryVerify(function() { return panel.steps > 0; }, 20000);
        idle();
        var serial = panel.preview.serial;
        panel.moveTo(100, 60, 200, 200);
        var address = shownAfter(panel.preview, serial);
        // The same step through a file, on the quick worker's blurred copy.
        compareToFile(address, fileResult([panel.stepCall(panel.copy, 640, 400)]));
    }

    function test_lookStrength() {
        var panel = openPanel("looks");
        tryCompare(panel.strip, "complete", true, 20000);
        panel.pick(panel.strip.entries.filter(function(e) { return e.id === 1030; })[0]);
        tryVerify(function() { return panel.resultPath !== "" && panel.screenResult !== ""; }, 20000);
        idle();
        var serial = panel.preview.serial;
        panel.setStrength(0.35);
        var address = shownAfter(panel.preview, serial);
        compareToFile(address, fileResult([["tools.blendImage", panel.screenCopy, panel.screenResult, 0.35]]));
    }
}
