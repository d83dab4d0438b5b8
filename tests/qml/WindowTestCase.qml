import QtQuick
import QtTest

// A test of the program's window as a user drives it. Every test starts from
// nothing: a main window of its own (made in init, gone after cleanup), empty
// working and saved-pictures folders, and the test photo named by `photo`
// open in the editor (none when it is ""). Cleanup closes the open tool and
// waits until no work runs, so nothing of one test reaches the next.
TestCase {
    id: testCase
    when: windowShown
    visible: true
    width: 480
    height: 854

    // The photo of testFolder open when a test starts.
    property string photo: "wide.png"
    property var app: null
    readonly property var editor: app ? app.editorPage : null

    Image {
        id: probe
        asynchronous: false
        cache: false
    }

    function init() {
        verify(testFiles.emptyDocumentRoot());
        var component = Qt.createComponent("../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = createTemporaryObject(component, testCase);
        verify(app);
        if (photo !== "")
            openPhoto(photo);
    }

    function cleanup() {
        if (editor)
            editor.closeTool();
        idle();
    }

    // Nothing runs: no Apply waits (the busy indicator), the runner has
    // handed over every result and the editor waits for none.
    function idle() {
        tryCompare(app, "busy", false, 20000);
        tryCompare(runner, "busy", false, 20000);
        if (editor)
            tryCompare(editor.work, "busy", false, 20000);
    }

    // A tap's treatments, of the photo and of its screen copy, are done.
    function waitForTreatment(panel) {
        tryCompare(panel, "treating", false, 20000);
        idle();
    }

    // Opens a photo of testFolder in the editor, as a new session.
    function openPhoto(name) {
        verify(app.openPhoto(testFolder + name));
        tryCompare(app.pages, "busy", false);
        compare(editor.history.count, 1);
        app.messages.hide();
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

    // One edit: a crop of the left half.
    function edit() {
        var panel = openTool("crop");
        var area = editor.photo.overlay;
        panel.cropBox.box = { x: 0, y: 0, w: area.width / 2, h: area.height };
        panel.apply();
        tryCompare(app, "busy", false);
        verify(editor.history.hasUnsavedEdits);
    }

    // The entry of a looks or frames strip with this number (and kind).
    function entryOf(panel, id, kind) {
        var entries = panel.strip.entries;
        for (var i = 0; i < entries.length; ++i)
            if (entries[i].id === id && (!kind || entries[i].kind === kind))
                return entries[i];
        fail("no entry " + id);
        return null;
    }

    // The size of a picture file or of a live preview's address, read afresh.
    function pictureSize(path) {
        probe.source = "";
        probe.source = String(path).indexOf("image://") === 0 ? path : "file://" + path;
        return Qt.size(probe.implicitWidth, probe.implicitHeight);
    }
}
