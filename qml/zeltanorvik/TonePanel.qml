// Tone: exposure, highlights, shadows, warmth, tint and vignette (-100 to
// 100), with the brightness histogram of what the preview shows. While a
// slider moves, the preview and its histogram are made in memory from the
// editor's screen copy on the quick worker; on let-go (or Apply) the photo
// itself is processed; Apply keeps that.
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

    // The job that sets the tone of `from`.
    function toneCalls(from) {
        return [["tools.toneImage", from, exposure, highlights, shadows, warmth, tint, vignette]];
    }

    // The screen copy with the current settings and its histogram, in
    // memory on the quick worker (neutral settings: the copy's own histogram,
    // the photo shown as it is).
    function previewNow() {
        if (!ready)
            return;
        var calls = toneCalls(smallCopy);
        calls.push(["tools.brightnessHistogram", "$previous", 64]);
        var wasNeutral = neutral;
        if (wasNeutral)
            preview.clear();
        editor.work.preview("tone-preview", calls, function(path, shares) {
            if (!wasNeutral)
                preview.show(path);
            if (shares && shares.length > 0)
                histogram = shares;
        }, function(error) {
            editor.fail("Tone: the preview cannot be made." + (error ? " " + error : ""));
        });
    }

    // The photo itself with the current settings, in the background (the
    // result replaces the preview when it comes).
    function processPhoto() {
        if (!ready || neutral || (fullSettings === settings && fullResult !== ""))
            return;
        var wanted = settings;
        ToolWork.claim(editor, source);
        editor.work.start("tone-full", toneCalls(source), function(path) {
            fullResult = path;
            fullSettings = wanted;
            if (settings === wanted)
                preview.show(path);
        }, function(error) {
            editor.fail("Tone failed: the photo could not be processed." + (error ? " " + error : ""));
        });
    }

    // This tone as a step of the history.
    function step() {
        return ToolWork.stepOf(editor, toneCalls(source), source,
                               "Tone: " + ToolWork.amounts(["exposure", "highlights", "shadows", "warmth", "tint",
                                                            "vignette"], amounts),
                               { exposure: exposure, highlights: highlights, shadows: shadows, warmth: warmth,
                                 tint: tint, vignette: vignette });
    }

    function apply() {
        if (neutral) {
            done();
            return;
        }
        if (fullSettings === settings && fullResult !== "") {
            if (editor.commit(fullResult, "Tone", step()))
                done();
            return;
        }
        editor.work.cancel("tone-full");
        ToolWork.claim(editor, source);
        editor.applyAsync("Tone", toneCalls(source), toneCalls(smallCopy), function() { done(); }, step());
    }

    function cancel() {
        done();
    }

    function reset() {
        exposure = highlights = shadows = warmth = tint = vignette = 0;
        previewNow();
    }

    // One preview for the changes of one event, with the latest settings
    // (the runner replaces a preview still waiting with the next).
    function changed() {
        Qt.callLater(panel.previewNow); // qmllint disable type
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
            panel.editor.withScreenCopy(function(made) {
                if (made === "") {
                    panel.editor.fail("Tone: the preview copy cannot be made.");
                    return;
                }
                panel.smallCopy = made;
                panel.previewNow();
            });
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 0

        ToneTabs {
            editor: panel.editor
            current: "tone"
        }

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
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Highlights"
            value: panel.highlights
            enabled: panel.ready
            onChangedBy: { panel.highlights = value; panel.changed(); }
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Shadows"
            value: panel.shadows
            enabled: panel.ready
            onChangedBy: { panel.shadows = value; panel.changed(); }
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Warmth"
            value: panel.warmth
            enabled: panel.ready
            onChangedBy: { panel.warmth = value; panel.changed(); }
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Tint"
            value: panel.tint
            enabled: panel.ready
            onChangedBy: { panel.tint = value; panel.changed(); }
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Vignette"
            value: panel.vignette
            enabled: panel.ready
            onChangedBy: { panel.vignette = value; panel.changed(); }
            onReleased: panel.processPhoto()
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
