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

    // A live preview and a file, each at its own size, shown one window-sized
    // piece at a time (above the main window, on black) to compare them pixel
    // for pixel: a grab sees only what lies inside the window.
    Rectangle {
        id: liveFrame
        z: 100
        width: testCase.width
        height: testCase.height / 2
        color: "black"
        clip: true
        visible: livePicture.status !== Image.Null
        Image {
            id: livePicture
            cache: false
            asynchronous: false
        }
    }
    Rectangle {
        id: fileFrame
        z: 100
        y: liveFrame.height
        width: liveFrame.width
        height: liveFrame.height
        color: "black"
        clip: true
        visible: filePicture.status !== Image.Null
        Image {
            id: filePicture
            cache: false
            asynchronous: false
        }
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
        livePicture.source = "";
        filePicture.source = "";
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
        // A photo just opened is decoded off the GUI thread.
        tryVerify(function() { return editor.photo.hasPicture; }, 20000);
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

    // The working file `calls` write on the editor's quick worker: what an
    // Apply on the screen copy gives.
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
        for (var y = 0; y < livePicture.implicitHeight; y += liveFrame.height) {
            for (var x = 0; x < livePicture.implicitWidth; x += liveFrame.width) {
                livePicture.x = filePicture.x = -x;
                livePicture.y = filePicture.y = -y;
                waitForRendering(liveFrame);
                verify(grabImage(liveFrame).equals(grabImage(fileFrame)),
                       "the live preview differs from the file form's result in the piece at " + x + ", " + y);
            }
        }
    }
}
