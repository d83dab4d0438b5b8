// A tool that offers a strip of ready-made treatments of the photo (the
// looks, the frames): each thumbnail is the treatment of a small copy of the
// photo; a tap treats the photo itself and shows the result over it; another
// tap replaces it (treatments do not stack until applied); Apply keeps the
// shown result, Cancel drops it.
//
// Set `title`, `lists` (the bundle index's lists to offer, [{ list, kind }]),
// `copySide` (the small copy's longest side) and `operation(entry, source)`,
// which runs the facade step on `source` and returns its working file.
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
        preview.show(path);
        return true;
    }

    function apply() {
        if (resultPath === "") {
            done();
            return;
        }
        if (editor.commit(resultPath, title))
            done();
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
        // Two steps down the name chain: a tap's result on the photo (one
        // step) never replaces the copy the thumbnails are made from.
        smallCopy = ToolWork.smallCopy(editor, source,
                                       ToolWork.fitFraction(probe.pictureWidth, probe.pictureHeight, copySide), 2);
        if (smallCopy === "")
            editor.fail(title + ": the thumbnails cannot be made.");
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
