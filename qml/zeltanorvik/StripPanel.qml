// A tool that offers a strip of ready-made treatments of the photo (the
// looks, the frames): each thumbnail is the treatment of a small copy of the
// photo; a tap treats the photo itself and shows the result over it; another
// tap replaces it (treatments do not stack until applied); Apply keeps the
// shown result, Cancel drops it.
//
// Set `title`, `lists` (the bundle index's lists to offer, [{ list, kind }]),
// `copySide` (the small copy's longest side) and `operation(entry, source)`,
// which runs the facade step on `source` and returns its working file.
//
// A strength slider (default 100 %) mixes the treatment over the photo: while
// it moves, the screen-size copy of the photo is mixed with the screen-size
// copy of the treated photo; Apply mixes the photo itself. Both mix the
// photo stretched to the treated size (a frame laid around it), so the
// preview is the result made small.
//
// Working files, down the name chain of the photo P (w^n is n steps down):
// the treated photo w1 (its full mix w2 on Apply), its screen-size copy w3
// (made via w2), that copy's mix w4; the photo's screen-size copy w6 (made
// via w1..w5 when the panel opens, after the thumbnails' copy w8, whose
// thumbnails are w9). So no write replaces a file still in use.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "BundleIndex.js" as BundleIndex
import "ToolWork.js" as ToolWork

Pane {
    id: panel

    property var editor: null
    property bool applyWhenReady: false
    property string title: ""
    property var lists: []
    property int copySide: 160
    property var operation: null
    // An entry that stands for the photo as it is (tapping it shows the photo).
    property var isOriginal: function(entry) { return false; }

    readonly property string source: editor ? editor.history.current : ""
    property string smallCopy: ""
    property var chosen: null
    property string resultPath: ""
    // Strength, 0..1, and the screen-size copies it is previewed with.
    property real strength: 1.0
    property string screenCopy: ""
    property string screenResult: ""
    readonly property int thumbnailDepth: 8
    readonly property int screenDepth: 6
    property var preview: null
    readonly property alias strip: previewStrip
    readonly property bool ready: previewStrip.entries.length > 0

    signal done()

    function pick(entry) {
        if (isOriginal(entry)) { // qmllint disable type
            chosen = entry;
            resultPath = "";
            preview.clear();
            return;
        }
        editor.run(title + ": " + entry.label, function() {
            treat(entry);
            if (applyWhenReady)
                apply();
        });
    }

    function treat(entry) {
        ToolWork.claim(editor, source);
        var path = operation(entry, source); // qmllint disable type
        if (!ToolWork.written(editor, path)) {
            editor.fail(title + ": \u201c" + entry.label + "\u201d could not be made from this photo.");
            return false;
        }
        chosen = entry;
        resultPath = path;
        screenResult = "";
        if (screenCopy !== "") {
            var side = Math.max(editor.photo.width, editor.photo.height);
            screenResult = ToolWork.smallCopy(editor, path, ToolWork.fitFraction(probe.pictureWidth,
                                                                                 probe.pictureHeight, side), 2);
        }
        showStrength();
        return true;
    }

    // The treated photo at the chosen strength, on the screen-size copies.
    function showStrength() {
        if (resultPath === "")
            return;
        if (strength >= 1 || screenResult === "") {
            preview.show(resultPath);
            return;
        }
        ToolWork.claim(editor, screenResult);
        var mixed = tools.blendImage(screenCopy, screenResult, strength);
        if (!ToolWork.written(editor, mixed)) {
            editor.fail(title + ": the strength preview cannot be made. " + tools.lastError());
            return;
        }
        preview.show(mixed);
    }

    function setStrength(value) {
        strength = Math.max(0, Math.min(1, value));
        strengthTimer.restart();
    }

    function apply() {
        if (resultPath === "" || strength <= 0) {
            done();
            return;
        }
        if (strength >= 1) {
            if (editor.commit(resultPath, title))
                done();
            return;
        }
        var wanted = strength;
        editor.run(title + " at " + Math.round(wanted * 100) + " %", function() {
            ToolWork.claim(editor, resultPath);
            var mixed = tools.blendImage(source, resultPath, wanted);
            if (!mixed) {
                editor.fail(title + " failed: " + tools.lastError());
                return;
            }
            if (editor.commit(mixed, title))
                done();
        });
    }

    function cancel() {
        done();
    }

    function thumbnail(entry) {
        if (smallCopy === "")
            return "";
        ToolWork.claim(editor, smallCopy);
        var path = operation(entry, smallCopy);
        return ToolWork.written(editor, path) ? path : "";
    }

    function prepare() {
        if (!probe.known) {
            editor.fail(title + ": this photo cannot be read.");
            return;
        }
        // Deep down the name chain (see the top): nothing a tap writes
        // replaces the copies the thumbnails and the strength are made from.
        smallCopy = ToolWork.smallCopy(editor, source,
                                       ToolWork.fitFraction(probe.pictureWidth, probe.pictureHeight, copySide),
                                       thumbnailDepth);
        if (smallCopy === "")
            editor.fail(title + ": the thumbnails cannot be made.");
        var side = Math.max(editor.photo.width, editor.photo.height);
        screenCopy = ToolWork.smallCopy(editor, source,
                                        ToolWork.fitFraction(probe.pictureWidth, probe.pictureHeight, side),
                                        screenDepth);
        previewStrip.start();
        if (applyWhenReady) {
            for (var i = 0; i < previewStrip.entries.length; ++i) {
                if (!isOriginal(previewStrip.entries[i])) {
                    pick(previewStrip.entries[i]);
                    break;
                }
            }
        }
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        if (!editor)
            return;
        preview = previewComponent.createObject(editor.photo);
        BundleIndex.load(function(index) {
            var all = [];
            for (var i = 0; i < lists.length; ++i)
                all = all.concat(BundleIndex.entries(index, lists[i].list, lists[i].kind));
            previewStrip.entries = all;
            probe.measure(source);
        });
    }
    Component.onDestruction: {
        previewStrip.stop();
        if (preview)
            preview.destroy();
    }

    Component {
        id: previewComponent
        PreviewLayer {}
    }

    // The bundle's index answers at once when QML may read it.
    Timer {
        interval: 400
        running: true
        onTriggered: BundleIndex.giveUp()
    }

    PictureProbe {
        id: probe
        onMeasured: panel.prepare()
    }

    // One strength preview a frame at most, with the latest strength.
    Timer {
        id: strengthTimer
        interval: 16
        onTriggered: panel.showStrength()
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 6

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: panel.title
                font.pixelSize: 18
                font.bold: true
            }
            Item { Layout.fillWidth: true }
            Label {
                visible: previewStrip.entries.length > 0 && !previewStrip.complete
                text: previewStrip.made + " / " + previewStrip.entries.length
                color: "#9e9e9e"
                font.pixelSize: 12
            }
        }

        PreviewStrip {
            id: previewStrip
            Layout.fillWidth: true
            selectedKey: panel.chosen ? panel.chosen.key : ""
            makeThumbnail: panel.thumbnail
            onPicked: (entry) => panel.pick(entry)
        }

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Strength"
                Layout.preferredWidth: 72
            }
            Slider {
                id: strengthSlider
                objectName: "strengthSlider"
                Layout.fillWidth: true
                implicitHeight: 44
                from: 0
                to: 100
                stepSize: 1
                value: 100
                enabled: panel.resultPath !== ""
                Accessible.name: panel.title.toLowerCase() + " strength"
                onMoved: panel.setStrength(value / 100)
            }
            Label {
                text: Math.round(panel.strength * 100) + " %"
                horizontalAlignment: Text.AlignRight
                Layout.preferredWidth: 44
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel " + panel.title.toLowerCase()
                onClicked: panel.cancel()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.resultPath !== ""
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply " + panel.title.toLowerCase()
                onClicked: panel.apply()
            }
        }
    }
}
