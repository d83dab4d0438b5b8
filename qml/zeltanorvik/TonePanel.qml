// Tone: exposure, highlights, shadows, warmth, tint and vignette (-100 to
// 100), with the brightness histogram of what the preview shows. While a
// slider moves, the preview is made from a copy of the photo the size of the
// view; on let-go (or Apply) the photo itself is processed; Apply keeps that.
//
// Working files down the photo's name chain: the processed photo one step
// down, the screen-size copy two steps (made via the first), its preview three.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "ToolWork.js" as ToolWork

Pane {
    id: panel

    property var editor: null
    property bool applyWhenReady: false

    readonly property string source: editor ? editor.history.current : ""
    property string smallCopy: ""
    property var preview: null
    readonly property bool ready: smallCopy !== "" && probe.known

    property int exposure: 0
    property int highlights: 0
    property int shadows: 0
    property int warmth: 0
    property int tint: 0
    property int vignette: 0
    readonly property var amounts: [exposure, highlights, shadows, warmth, tint, vignette]
    readonly property string settings: amounts.join(",")
    readonly property bool neutral: settings === "0,0,0,0,0,0"

    // Brightness histogram (64 shares of the fullest bin) of the shown preview.
    property var histogram: []
    property string fullResult: ""
    property string fullSettings: ""

    signal done()

    onReadyChanged: if (ready && applyWhenReady) {
        exposure = 20;
        shadows = 30;
        warmth = 25;
        vignette = 40;
        apply();
    }

    function process(from) {
        ToolWork.claim(editor, from);
        var path = tools.toneImage(from, exposure, highlights, shadows, warmth, tint, vignette);
        return ToolWork.written(editor, path) ? path : "";
    }

    function measure(path) {
        var shares = tools.brightnessHistogram(path, 64);
        if (shares.length > 0)
            histogram = shares;
    }

    function previewNow() {
        if (!ready)
            return;
        if (neutral) {
            preview.clear();
            measure(smallCopy);
            return;
        }
        var path = process(smallCopy);
        if (path === "") {
            editor.fail("Tone: the preview cannot be made. " + tools.lastError());
            return;
        }
        preview.show(path);
        measure(path);
    }

    function processPhoto(then) {
        if (!ready || neutral)
            return;
        if (fullSettings === settings && fullResult !== "") {
            if (then)
                then();
            return;
        }
        var wanted = settings;
        editor.run("Setting the tone", function() {
            var path = process(source);
            if (path === "") {
                editor.fail("Tone failed: " + tools.lastError());
                return;
            }
            fullResult = path;
            fullSettings = wanted;
            preview.show(path);
            if (then)
                then();
        });
    }

    function apply() {
        if (neutral) {
            done();
            return;
        }
        processPhoto(function() {
            if (editor.commit(fullResult, "Tone"))
                done();
        });
    }

    function cancel() {
        done();
    }

    function reset() {
        exposure = highlights = shadows = warmth = tint = vignette = 0;
        previewNow();
    }

    function changed() {
        previewTimer.restart();
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        if (!editor)
            return;
        preview = previewComponent.createObject(editor.photo);
        probe.measure(source);
    }
    Component.onDestruction: {
        if (preview)
            preview.destroy();
    }

    Component {
        id: previewComponent
        PreviewLayer {}
    }

    PictureProbe {
        id: probe
        onMeasured: {
            if (!known) {
                panel.editor.fail("Tone: this photo cannot be read.");
                return;
            }
            var side = Math.max(panel.editor.photo.width, panel.editor.photo.height);
            panel.smallCopy = ToolWork.smallCopy(panel.editor, panel.source,
                                                 ToolWork.fitFraction(pictureWidth, pictureHeight, side), 2);
            if (panel.smallCopy === "")
                panel.editor.fail("Tone: the preview copy cannot be made.");
            else
                panel.measure(panel.smallCopy);
        }
    }

    // One preview a frame at most, with the latest settings.
    Timer {
        id: previewTimer
        interval: 16
        onTriggered: panel.previewNow()
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Tone"
                font.pixelSize: 18
                font.bold: true
            }
            // The histogram: darks on the left, lights on the right.
            Row {
                id: histogramView
                objectName: "histogram"
                Layout.fillWidth: true
                Layout.preferredHeight: 40
                Layout.leftMargin: 12
                Layout.rightMargin: 12
                Accessible.role: Accessible.Chart
                Accessible.name: "brightness histogram"
                Repeater {
                    model: panel.histogram.length
                    Rectangle {
                        required property int index
                        width: histogramView.width / Math.max(1, panel.histogram.length)
                        height: Math.max(1, histogramView.height * panel.histogram[index])
                        y: histogramView.height - height
                        color: "#9e9e9e"
                    }
                }
            }
            Button {
                text: "Reset"
                flat: true
                implicitHeight: 44
                enabled: !panel.neutral
                Accessible.name: "reset the tone"
                onClicked: panel.reset()
            }
        }

        AmountSlider {
            label: "Exposure"
            value: panel.exposure
            enabled: panel.ready
            onChangedBy: { panel.exposure = value; panel.changed(); }
            onReleased: panel.processPhoto(null)
        }
        AmountSlider {
            label: "Highlights"
            value: panel.highlights
            enabled: panel.ready
            onChangedBy: { panel.highlights = value; panel.changed(); }
            onReleased: panel.processPhoto(null)
        }
        AmountSlider {
            label: "Shadows"
            value: panel.shadows
            enabled: panel.ready
            onChangedBy: { panel.shadows = value; panel.changed(); }
            onReleased: panel.processPhoto(null)
        }
        AmountSlider {
            label: "Warmth"
            value: panel.warmth
            enabled: panel.ready
            onChangedBy: { panel.warmth = value; panel.changed(); }
            onReleased: panel.processPhoto(null)
        }
        AmountSlider {
            label: "Tint"
            value: panel.tint
            enabled: panel.ready
            onChangedBy: { panel.tint = value; panel.changed(); }
            onReleased: panel.processPhoto(null)
        }
        AmountSlider {
            label: "Vignette"
            value: panel.vignette
            enabled: panel.ready
            onChangedBy: { panel.vignette = value; panel.changed(); }
            onReleased: panel.processPhoto(null)
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel tone"
                onClicked: panel.cancel()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready && !panel.neutral
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply tone"
                onClicked: panel.apply()
            }
        }
    }
}
