// Brightness, contrast, saturation (-100 to 100) and sharpening (0 to 100).
// While a slider moves, the preview is made in memory from the editor's
// screen copy on the quick worker, by the same engine steps; when it is let
// go (or on Apply) the photo itself is processed on the main worker; Apply
// keeps that result, showing the preview until it is there.
//
// The colour mix runs first, then the sharpening, each a facade step: on the
// photo they write one and two steps down its name chain, on the screen copy
// down the copy's own chain.
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
    readonly property bool ready: smallCopy !== "" && smallProbe.known && probe.known

    property int brightness: 0
    property int contrast: 0
    property int saturation: 0
    property int sharpness: 0
    readonly property string settings: brightness + "," + contrast + "," + saturation + "," + sharpness
    readonly property bool neutral: settings === "0,0,0,0"

    // The photo processed with `fullSettings`, once it has been.
    property string fullResult: ""
    property string fullSettings: ""

    signal done()

    onReadyChanged: if (ready && applyWhenReady) {
        brightness = 20;
        contrast = 10;
        saturation = 30;
        sharpness = 40;
        apply();
    } else if (ready && !neutral) {
        // Reopened to change its step: the settings show at once.
        requestPreview();
    }

    // The calls that mix, then sharpen, `from` (width x height); "$previous"
    // passes the mix on to the sharpening.
    function processCalls(from, width, height) {
        var calls = [];
        var current = from;
        if (brightness !== 0 || contrast !== 0 || saturation !== 0) {
            ToolWork.claim(editor, current);
            calls.push(["mixingcolorImage", current, width, height, brightness, contrast, saturation]); // qmllint disable type
            current = ToolWork.outputOf(editor, current);
        }
        if (sharpness > 0) {
            ToolWork.claim(editor, current);
            calls.push(["SharpImage", calls.length > 0 ? "$previous" : current, width, height, sharpness / 100]);
        }
        return calls;
    }

    function previewNow() {
        if (!ready)
            return;
        if (neutral) {
            editor.work.cancel("adjust-preview");
            preview.clear();
            return;
        }
        editor.work.preview("adjust-preview", processCalls(smallCopy, smallProbe.pictureWidth, smallProbe.pictureHeight),
                            function(path) {
                                preview.show(path);
                            }, function(error) {
                                editor.fail("Adjusting failed: the preview cannot be made." + (error ? " " + error : ""));
                            });
    }

    // Processes the photo itself with the current settings in the background
    // (the result replaces the preview when it comes).
    function processPhoto() {
        if (!ready || neutral || (fullSettings === settings && fullResult !== ""))
            return;
        var wanted = settings;
        editor.work.start("adjust-full", processCalls(source, probe.pictureWidth, probe.pictureHeight), function(path) {
            fullResult = path;
            fullSettings = wanted;
            if (settings === wanted)
                preview.show(path);
        }, function(error) {
            editor.fail("Adjusting failed: the photo could not be processed." + (error ? " " + error : ""));
        });
    }

    // These adjustments as a step of the history.
    function step() {
        return ToolWork.stepOf(editor, processCalls(source, probe.pictureWidth, probe.pictureHeight), source,
                               "Adjust: " + ToolWork.amounts(["brightness", "contrast", "saturation", "sharpen"],
                                                             [brightness, contrast, saturation, sharpness]),
                               { brightness: brightness, contrast: contrast, saturation: saturation,
                                 sharpness: sharpness });
    }

    function apply() {
        if (neutral) {
            done();
            return;
        }
        if (fullSettings === settings && fullResult !== "") {
            if (editor.commit(fullResult, "Adjusting", step()))
                done();
            return;
        }
        editor.work.cancel("adjust-full");
        var previewCalls = processCalls(smallCopy, smallProbe.pictureWidth, smallProbe.pictureHeight);
        editor.applyAsync("Adjusting", processCalls(source, probe.pictureWidth, probe.pictureHeight), previewCalls,
                          function() { done(); }, step());
    }

    function cancel() {
        done();
    }

    function reset() {
        brightness = 0;
        contrast = 0;
        saturation = 0;
        sharpness = 0;
        editor.work.cancel("adjust-preview");
        editor.work.cancel("adjust-full");
        preview.clear();
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
        editor.work.cancel("adjust-preview");
        editor.work.cancel("adjust-full");
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
                panel.editor.fail("Adjusting: this photo cannot be read.");
                return;
            }
            panel.editor.withScreenCopy(function(path) {
                if (path === "") {
                    panel.editor.fail("Adjusting: the preview copy cannot be made.");
                    return;
                }
                panel.smallCopy = path;
                smallProbe.measure(path);
            });
        }
    }
    PictureProbe {
        id: smallProbe
    }

    // One preview for the changes of one event, with the latest settings
    // (the runner replaces a preview still waiting with the next).
    function requestPreview() {
        Qt.callLater(panel.previewNow); // qmllint disable type
    }

    component AmountSlider: RowLayout {
        id: amount
        property string label: ""
        property int from: -100
        property int to: 100
        property int value: 0
        signal changedBy()
        signal released()
        // The slider follows the amount when it is set from outside (reset).
        onValueChanged: if (!slider.pressed) slider.value = value
        Layout.fillWidth: true
        Label {
            text: amount.label
            Layout.preferredWidth: 92
        }
        Slider {
            id: slider
            Layout.fillWidth: true
            implicitHeight: 44
            from: amount.from
            to: amount.to
            stepSize: 1
            value: amount.value
            Accessible.name: amount.label
            onMoved: {
                amount.value = Math.round(value);
                amount.changedBy();
            }
            onPressedChanged: if (!pressed) amount.released()
        }
        Label {
            text: amount.value
            horizontalAlignment: Text.AlignRight
            Layout.preferredWidth: 36
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Adjust"
                font.pixelSize: 18
                font.bold: true
            }
            Item { Layout.fillWidth: true }
            Button {
                text: "Reset"
                flat: true
                implicitHeight: 44
                enabled: !panel.neutral
                Accessible.name: "reset the adjustments"
                onClicked: panel.reset()
            }
        }

        AmountSlider {
            label: "Brightness"
            value: panel.brightness
            enabled: panel.ready
            onChangedBy: { panel.brightness = value; panel.requestPreview(); }
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Contrast"
            value: panel.contrast
            enabled: panel.ready
            onChangedBy: { panel.contrast = value; panel.requestPreview(); }
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Saturation"
            value: panel.saturation
            enabled: panel.ready
            onChangedBy: { panel.saturation = value; panel.requestPreview(); }
            onReleased: panel.processPhoto()
        }
        AmountSlider {
            label: "Sharpen"
            from: 0
            value: panel.sharpness
            enabled: panel.ready
            onChangedBy: { panel.sharpness = value; panel.requestPreview(); }
            onReleased: panel.processPhoto()
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel adjust"
                onClicked: panel.cancel()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready && !panel.neutral
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply adjust"
                onClicked: panel.apply()
            }
        }
    }
}
