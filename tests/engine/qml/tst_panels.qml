import QtQuick
import QtTest

// The picture tools as a user drives them: the strips fill, a tap shows a
// result without adding it to the history, Apply adds it, Cancel leaves the
// history alone, and a tool's previews never stand in for another step's
// result.
TestCase {
    id: testCase
    name: "PictureTools"
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
        idle();
    }

    // Nothing runs: no Apply waits (the busy indicator), and the runner has
    // handed over every result.
    function idle() {
        tryCompare(app, "busy", false, 20000);
        tryCompare(runner, "busy", false, 20000);
    }

    function openTool(name) {
        editor.openToolNamed(name);
        compare(editor.openTool, name);
        var panel = editor.panel;
        verify(panel);
        tryCompare(panel, "ready", true, 5000);
        idle();
        return panel;
    }

    function entryOf(panel, id, kind) {
        var entries = panel.strip.entries;
        for (var i = 0; i < entries.length; ++i)
            if (entries[i].id === id && (!kind || entries[i].kind === kind))
                return entries[i];
        fail("no entry " + id);
        return null;
    }

    function test_looksStripAndApply() {
        var panel = openTool("looks");
        compare(panel.strip.entries.length, 30);
        compare(entryOf(panel, 1030).label, "Bright red");
        tryCompare(panel.strip, "complete", true, 20000);
        verify(!app.messages.visible, app.messages.text);

        panel.pick(entryOf(panel, 1030));
        idle();
        verify(panel.resultPath !== "");
        verify(panel.preview.visible);
        compare(editor.history.count, 1);
        // Another look replaces the first; looks do not stack.
        var first = panel.resultPath;
        panel.pick(entryOf(panel, 1101));
        idle();
        compare(panel.resultPath, first);
        compare(panel.chosen.id, 1101);
        // "Original" shows the photo again, with nothing to apply.
        panel.pick(entryOf(panel, 1500));
        compare(panel.resultPath, "");
        verify(!panel.preview.visible);
        panel.pick(entryOf(panel, 1101));
        idle();
        panel.apply();
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
        compare(editor.history.current, first);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
    }

    function test_cancelLeavesTheHistory() {
        var panel = openTool("looks");
        panel.pick(entryOf(panel, 1042));
        idle();
        verify(panel.resultPath !== "");
        panel.cancel();
        compare(editor.openTool, "");
        compare(editor.history.count, 1);
        verify(!editor.panel);
    }

    // A look shown and cancelled has written the working file that a crop of
    // the same photo would be named by; the crop must still cut the photo.
    function test_cropAfterACancelledLook() {
        var panel = openTool("looks");
        panel.pick(entryOf(panel, 1030));
        idle();
        panel.cancel();
        var crop = openTool("crop");
        var area = editor.photo.overlay;
        crop.cropBox.box = { x: 0, y: 0, w: area.width / 2, h: area.height / 2 };
        crop.apply();
        idle();
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(320, 200));
    }

    // After an undo, a tool's write that would replace the redo entry's file
    // drops that entry first.
    function test_redoEntryReplacedIsDropped() {
        var panel = openTool("rotate");
        panel.turn(1);
        panel.apply();
        idle();
        compare(editor.history.count, 2);
        editor.undo();
        verify(editor.history.canRedo);
        panel = openTool("looks");
        panel.pick(entryOf(panel, 1101));
        idle();
        verify(!editor.history.canRedo);
        compare(editor.history.count, 1);
        panel.cancel();
    }

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

    function test_adjustPreviewsThenProcessesThePhoto() {
        var panel = openTool("adjust");
        verify(panel.neutral);
        panel.brightness = 30;
        panel.sharpness = 50;
        panel.previewNow();
        idle();
        verify(panel.preview.visible);
        var previewSize = pictureSize(panel.preview.path);
        verify(previewSize.width < 640 || previewSize.width === 640);
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

    function test_rotateTurnsAndScales() {
        var panel = openTool("rotate");
        verify(panel.unchanged);
        panel.turn(-1);
        compare(panel.quarterTurns, 3);
        verify(!panel.swap);
        panel.mirrorHorizontal = true;
        panel.apply();
        idle();
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(400, 640));

        panel = openTool("rotate");
        panel.scaling = 0.5;
        panel.fineAngle = 12;
        panel.apply();
        idle();
        compare(editor.history.count, 3);
        // The fine angle straightens: cropped to the largest upright box inside.
        compare(pictureSize(editor.history.current), tools.straightenedSize(400, 640, 12));
    }
}
