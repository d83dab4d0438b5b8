import QtQuick
import QtTest

// The first screen as a user drives it: open a photo, crop it, undo, crop
// again, save, and the messages when something fails.
TestCase {
    id: testCase
    name: "Editor"
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
        var component = Qt.createComponent("../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
    }

    function openWide() {
        verify(app.openPhoto(testFolder + "wide.png"));
        tryCompare(app.pages, "busy", false);
        compare(editor.history.count, 1);
    }

    // Crops the current photo to a box given as fractions of the shown picture.
    function crop(fx, fy, fw, fh) {
        editor.openToolNamed("crop");
        var panel = editor.panel;
        verify(panel);
        tryCompare(panel, "ready", true);
        var area = editor.photo.overlay;
        panel.cropBox.box = { x: area.width * fx, y: area.height * fy, w: area.width * fw, h: area.height * fh };
        panel.apply();
        tryCompare(app, "busy", false);
    }

    function test_1_openAndCrop() {
        openWide();
        crop(0.5, 0.5, 0.5, 0.5);
        compare(editor.history.count, 2);
        compare(editor.openTool, "");
        // Cut at the photo's own resolution, not the screen's.
        compare(pictureSize(editor.history.current), Qt.size(320, 200));
        compare(editor.history.original, testFolder + "wide.png");
    }

    // After an undo a new crop of the same photo is made anew, not the
    // earlier crop handed back.
    function test_2_cropAfterUndo() {
        editor.undo();
        compare(editor.history.current, testFolder + "wide.png");
        crop(0, 0, 0.25, 0.25);
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(160, 100));
        // And a crop of the crop.
        crop(0, 0, 0.5, 1);
        compare(editor.history.count, 3);
        compare(pictureSize(editor.history.current), Qt.size(80, 100));
    }

    function test_3_undoRedoKeys() {
        editor.forceActiveFocus();
        keySequence("Ctrl+Z");
        compare(editor.history.index, 1);
        keySequence("Ctrl+Shift+Z");
        compare(editor.history.index, 2);
    }

    function test_4_failuresAreSaid() {
        app.messages.hide();
        verify(!editor.commit("", "Looks"));
        verify(app.messages.visible);
        verify(app.messages.error);
        compare(app.messages.text, "Looks failed.");
        verify(!editor.commit(testFolder + "nothing-here.png", "Frames"));
        compare(app.messages.text, "Frames failed: no picture was written.");
        compare(editor.history.count, 3);

        verify(!app.openPhoto(testFolder + "missing.jpg"));
        verify(app.messages.text.indexOf("cannot be opened") >= 0);
    }

    // A save says where it went; a second save of the same picture says
    // where it is, without an error.
    function test_5_save() {
        editor.save();
        tryCompare(app, "busy", false);
        verify(!app.messages.error, app.messages.text);
        compare(app.messages.text, "Saved as " + app.savedFolder + "wide_edited.jpg");
        editor.save();
        tryCompare(app, "busy", false);
        verify(!app.messages.error, app.messages.text);
        compare(app.messages.text, "Already saved in " + app.savedFolder + "wide_edited.jpg");
    }

    // Opening a photo starts a new session: the last one's working files go.
    function test_6_openingStartsOver() {
        var earlier = editor.history.current;
        verify(app.fileCheck.readable(earlier));
        openWide();
        verify(!app.fileCheck.readable(earlier));
        verify(!editor.history.canUndo);
    }

    function test_7_escapeClosesTheTool() {
        editor.openToolNamed("crop");
        compare(editor.openTool, "crop");
        editor.forceActiveFocus();
        keyClick(Qt.Key_Escape);
        compare(editor.openTool, "");
        verify(!editor.panel);
    }

    function test_8_rootFunctions() {
        app.scaleChanged(1.6);
        compare(app.pinchScale, 1.6);
        app.rotateDegree(45);
        compare(app.lastRotateDegree, 45);
        app.pointChanged();
        compare(app.touchCount, 0);
        app.messages.hide();
        app.httpError();
        verify(app.messages.error);
        app.httpProgress(1, 2);
        app.sinaUpload("x");
        app.renrenUpload("y");
    }

    // The box follows the mouse: dragged inside it moves, dragged by a
    // corner it grows from the opposite corner.
    function test_9_dragTheBoxWithTheMouse() {
        editor.openToolNamed("crop");
        var box = editor.panel.cropBox;
        verify(box);
        box.box = { x: 20, y: 20, w: 100, h: 60 };
        mouseDrag(box, 70, 50, 30, 10);
        fuzzyCompare(box.box.x, 50, 2);
        fuzzyCompare(box.box.y, 30, 2);
        compare(box.box.w, 100);
        // The bottom-right corner handle sits on the box's corner.
        mouseDrag(box, 150, 90, 40, 20);
        fuzzyCompare(box.box.x, 50, 2);
        fuzzyCompare(box.box.w, 140, 2);
        fuzzyCompare(box.box.h, 80, 2);
        editor.closeTool();
    }
}
