import QtQuick
import QtTest

// The editor's work off the GUI thread: a tap's result arrives and the busy
// state clears, a second tap while busy leaves the second look, closing a
// tool while it works leaves the photo, an Apply shows the
// screen copy's result first, and a failure still says what went wrong.
TestCase {
    id: testCase
    name: "AsyncWork"
    when: windowShown
    visible: true
    width: 480
    height: 854

    property var app: null
    readonly property var editor: app ? app.editorPage : null

    function initTestCase() {
        var component = Qt.createComponent("../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
    }

    function init() {
        if (editor)
            editor.history.clear();  // the last test's edits: nothing to save
        verify(app.openPhoto(testFolder + "wide.png"));
        tryCompare(app.pages, "busy", false);
        app.messages.hide();
    }

    function cleanup() {
        if (editor)
            editor.closeTool();
        idle();
    }

    function idle() {
        tryCompare(app, "busy", false, 20000);
        tryCompare(runner, "busy", false, 20000);
        tryCompare(editor.work, "busy", false, 20000);
    }

    function looksPanel() {
        editor.openToolNamed("looks");
        var panel = editor.panel;
        verify(panel);
        tryCompare(panel, "settled", true, 20000);
        tryCompare(panel.strip, "complete", true, 20000);
        idle();
        return panel;
    }

    function entryOf(panel, id) {
        return panel.strip.entries.filter(function(e) { return e.id === id; })[0];
    }

    function outputOfCurrent() {
        return app.temporaryFolder + "wide_norvik.png";
    }

    function test_1_resultArrivesAndBusyClears() {
        var panel = looksPanel();
        var shown = panel.preview.serial;
        panel.pick(entryOf(panel, 1030));
        verify(panel.treating);
        verify(editor.work.busy);
        verify(!app.busy);              // the window stays usable
        idle();
        verify(!panel.treating);
        compare(panel.resultPath, outputOfCurrent());
        verify(panel.preview.serial > shown);
        compare(panel.preview.path, panel.resultPath);
        verify(panel.preview.ready);
        compare(editor.history.count, 1);
        panel.apply();
        compare(editor.history.count, 2);
        compare(editor.history.current, outputOfCurrent());
        verify(editor.photo.hasPicture);
        verify(!app.messages.visible, app.messages.text);
    }

    // Apply pressed before the photo's result is there waits for it, with the
    // busy indicator, and then applies the look last tapped.
    function test_2_secondTapWinsAndApplyWaits() {
        var panel = looksPanel();
        panel.pick(entryOf(panel, 1030));
        panel.pick(entryOf(panel, 1101));
        panel.apply();
        verify(app.busy);
        idle();
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
        compare(editor.history.current, outputOfCurrent());
    }

    // Closing the tool while its look is made leaves the photo as it was; the
    // result, if it still comes, is never shown nor kept.
    function test_3_closingWhileBusyLeavesThePhoto() {
        var panel = looksPanel();
        panel.pick(entryOf(panel, 1042));
        editor.closeTool();
        idle();
        compare(editor.history.count, 1);
        compare(editor.history.current, testFolder + "wide.png");
        compare(editor.photo.standIn, "");
        verify(!app.messages.visible, app.messages.text);
    }

    // Rotate: the screen copy's turn stands in while the photo turns.
    function test_4_applyShowsThePreviewFirst() {
        var done = editor.photo.pictureSerial;
        editor.openToolNamed("rotate");
        var panel = editor.panel;
        tryCompare(panel, "ready", true, 5000);
        tryVerify(function() { return editor.screenCopyOf === editor.history.current; }, 10000);
        idle();
        var seen = [];
        var watch = function() { if (editor.photo.standIn !== "") seen.push(editor.photo.standIn); };
        editor.photo.standInChanged.connect(watch);
        panel.turn(1);
        panel.apply();
        verify(app.busy);
        idle();
        editor.photo.standInChanged.disconnect(watch);
        compare(editor.history.count, 2);
        compare(editor.photo.standIn, "");
        verify(editor.photo.pictureSerial > done);
        // The stand-in was the screen copy's result, never the photo's file.
        for (var i = 0; i < seen.length; ++i)
            verify(seen[i].indexOf(".screen") >= 0, seen[i]);
        var size = runner.pictureSize(editor.history.current);
        compare(size.width, 400);
        compare(size.height, 640);
    }

    // The photo's file goes while the look is made: the failure is said and
    // the editor stays on the last good picture.
    function test_5_failureSaysWhy() {
        var panel = looksPanel();
        panel.pick(entryOf(panel, 1030));
        idle();
        panel.apply();
        compare(editor.history.count, 2);
        var good = editor.history.current;
        panel = looksPanel();
        // The working files go, the look's source with them.
        verify(communication.clearTemporaryPic());
        panel.pick(entryOf(panel, 1101));
        idle();
        verify(app.messages.visible);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("could not be made") >= 0, app.messages.text);
        compare(panel.resultPath, "");
        compare(editor.history.current, good);
        compare(editor.history.count, 2);
    }
}
