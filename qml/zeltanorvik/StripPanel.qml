// A tool that offers a strip of ready-made treatments of the photo (the
// looks, the frames): each thumbnail is the treatment of a small copy of the
// photo; a tap treats the photo itself and shows the result over it; another
// tap replaces it (treatments do not stack until applied); Apply keeps the
// shown result, Cancel drops it.
//
// A tap shows the treatment of the editor's screen copy at once (quick
// worker), then the photo's own when it is ready (main worker); a second tap
// while busy replaces the first. Apply before the photo's result is there
// waits for it with the busy indicator turning.
//
// Set `title`, `lists` (the bundle index's lists to offer, [{ list, kind }]),
// `copySide` (the small copy's longest side) and `operation(entry, source)`,
// which gives the facade call ([name, arguments...]) that treats `source`.
//
// A strength slider (default 100 %) mixes the treatment over the photo
// (tools.blendImage): while it moves, the treatment of the screen copy is
// mixed with the screen copy in memory on the quick worker; Apply mixes the photo
// itself with its treatment. A frame's larger result holds the photo at its
// own size over a copy enlarged to cover the border, so the preview is the
// result made small.
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
    // What one treatment is called in a step's label ("Look: Film · 80 %").
    property string stepName: title
    // Reopened to change its step: the entry (its key) to pick at once.
    property string initialKey: ""

    readonly property string source: editor ? editor.history.current : ""
    property string smallCopy: ""
    property string screenCopy: ""
    property var chosen: null
    property string resultPath: ""
    property bool applyPending: false
    // Strength, 0..1, and the treatment of the screen copy it is previewed on.
    property real strength: 1.0
    property string screenResult: ""
    property var preview: null
    readonly property alias strip: previewStrip
    readonly property bool ready: previewStrip.entries.length > 0
    // The copies are made and no treatment is running.
    readonly property bool settled: smallCopy !== "" && screenCopy !== "" && !treating
    property bool treating: false

    signal done()

    function pick(entry) {
        editor.work.cancel("strip-preview");
        editor.work.cancel("strip-full");
        chosen = entry;
        resultPath = "";
        screenResult = "";
        if (isOriginal(entry)) {
            treating = false;
            preview.clear();
            return;
        }
        treating = true;
        previewOnCopy(entry);
        ToolWork.claim(editor, source);
        editor.work.start("strip-full", [operation(entry, source)], function(path) {
            treating = false;
            resultPath = path;
            showStrength();
            if (applyPending || applyWhenReady)
                apply();
        }, function(error) {
            treating = false;
            if (applyPending) {
                applyPending = false;
                editor.app.busy = false;
            }
            editor.fail(title + ": \u201c" + entry.label + "\u201d could not be made from this photo."
                        + (error ? " " + error : ""));
        });
    }

    // The treatment of the screen copy, on the quick worker (once the copy is
    // there: prepare() calls again for a tap that came first).
    function previewOnCopy(entry) {
        if (screenCopy === "" || !entry || isOriginal(entry)) // qmllint disable type
            return;
        editor.work.start("strip-preview", [operation(entry, screenCopy)], function(path) { // qmllint disable type
            if (chosen === entry) {
                screenResult = path;
                showStrength();
            }
        }, null, true);
    }

    // The chosen treatment at the chosen strength: the photo's own result at
    // full strength once it is there, else the screen copy's, mixed with the
    // screen copy below full strength.
    function showStrength() {
        if (strength >= 1) {
            if (resultPath !== "" || screenResult !== "")
                preview.show(resultPath !== "" ? resultPath : screenResult);
            return;
        }
        if (screenResult === "" || screenCopy === "")
            return;
        var shownFor = chosen;
        editor.work.preview("strip-strength", [["tools.blendImage", screenCopy, screenResult, strength]],
                            function(path) {
                                if (panel.chosen === shownFor)
                                    preview.show(path);
                            }, null);
    }

    function setStrength(value) {
        strength = Math.max(0, Math.min(1, value));
        // One preview for the changes of one event (the runner replaces a
        // preview still waiting with the next).
        Qt.callLater(panel.showStrength); // qmllint disable type
    }

    function apply() {
        if (treating) {
            // The photo's result is on its way: wait for it.
            applyPending = true;
            editor.app.busyLabel = title;
            editor.app.busy = true;
            return;
        }
        if (applyPending) {
            applyPending = false;
            editor.app.busy = false;
        }
        if (resultPath === "" || strength <= 0) {
            done();
            return;
        }
        if (strength >= 1) {
            if (editor.commit(resultPath, title, step()))
                done();
            return;
        }
        var wanted = strength;
        ToolWork.claim(editor, resultPath);
        editor.applyAsync(title + " at " + Math.round(wanted * 100) + " %",
                          [["tools.blendImage", source, resultPath, wanted]], null, function() { done(); }, step());
    }

    // The chosen treatment at the chosen strength as a step: the treatment's
    // own call, mixed over its input at the strength (not the mix of two files).
    function step() {
        var made = ToolWork.stepOf(editor, [operation(chosen, source)], source, // qmllint disable type
                                   stepName + ": " + chosen.label
                                   + (strength < 1 ? " \u00b7 " + Math.round(strength * 100) + " %" : ""),
                                   { initialKey: chosen.key, strength: strength });
        if (strength < 1)
            made.strength = strength;
        return made;
    }

    function cancel() {
        done();
    }

    // Thumbnails are made on the quick worker, one after the other.
    function thumbnail(entry, made) {
        if (smallCopy === "") {
            made("");
            return;
        }
        ToolWork.claim(editor, smallCopy);
        editor.work.start("strip-thumbnail", [operation(entry, smallCopy)], made, function(error) { made(""); }, true);
    }

    function prepare() {
        if (!probe.known) {
            editor.fail(title + ": this photo cannot be read.");
            return;
        }
        editor.withScreenCopy(function(path) {
            screenCopy = path;
            if (chosen && screenResult === "")
                previewOnCopy(chosen);
        });
        // The thumbnails' copy has a name chain of its own: their results
        // never replace the photo's working files, nor the tap's preview.
        editor.work.start("strip-copy", [["thumbnailCopy", source, copySide]], function(path) {
            smallCopy = path;
            previewStrip.start();
            if (initialKey !== "") {
                for (var k = 0; k < previewStrip.entries.length; ++k) {
                    if (previewStrip.entries[k].key === initialKey) {
                        pick(previewStrip.entries[k]);
                        break;
                    }
                }
            }
            if (applyWhenReady) {
                for (var i = 0; i < previewStrip.entries.length; ++i) {
                    if (!isOriginal(previewStrip.entries[i])) {
                        pick(previewStrip.entries[i]);
                        break;
                    }
                }
            }
        }, function(error) {
            editor.fail(title + ": the thumbnails cannot be made." + (error ? " " + error : ""));
        }, true);
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
        editor.work.cancel("strip-copy");
        editor.work.cancel("strip-thumbnail");
        editor.work.cancel("strip-preview");
        editor.work.cancel("strip-full");
        if (applyPending)
            editor.app.busy = false;
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
                value: panel.strength * 100
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
