// The focus blur: a sharp circle or band that follows the finger (or the
// mouse), the rest of the photo blurred. Pinch, the wheel or the size slider
// set its size; the band's slider turns it. While the finger moves, every step
// runs in memory on the editor's screen copy on the quick worker (blurred once
// there, when the tool opens; a step still waiting is replaced by the next,
// the one running still shows); the copy
// is the size the engine draws the blur for, so Apply, which runs the blur
// once on the photo itself on the main worker (showing the preview until it
// is done), blurs as much for the photo's size as the preview shows.
//
// The sharp area: r1 = half of r2, the blur growing from r1 to r2; r2 is a
// fraction of the picture's shorter side, so the copy and the photo agree.
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
    property string copy: ""
    property var preview: null
    property var handle: null
    readonly property bool ready: copy !== "" && copyProbe.known && probe.known

    property string mode: "circle"
    // The centre as fractions of the picture, r2 as a fraction of its shorter
    // side, the band's direction in degrees (0: across the picture).
    property real centreX: 0.5
    property real centreY: 0.5
    property real size: 0.25
    property real bandAngle: 0
    readonly property real innerRatio: 0.5
    property int steps: 0
    property bool pending: false

    signal done()

    onReadyChanged: {
        if (!ready)
            return;
        requestStep();
        if (applyWhenReady)
            apply();
    }
    onModeChanged: requestStep()
    onSizeChanged: {
        if (!sizeSlider.pressed)
            sizeSlider.value = size;
        requestStep();
    }
    onBandAngleChanged: requestStep()

    // One step for the changes of one event (a move sets both coordinates).
    function requestStep() {
        if (pending)
            return;
        pending = true;
        Qt.callLater(panel.stepIfPending); // qmllint disable type
    }

    function stepIfPending() {
        if (pending)
            previewStep();
    }

    // The arguments of one step on a picture of width x height.
    function stepArguments(width, height) {
        var r2 = Math.max(2, size * Math.min(width, height));
        var r1 = r2 * innerRatio;
        var x = centreX * width;
        var y = centreY * height;
        if (mode === "circle")
            return { r1: r1, r2: r2, x: Math.round(x), y: Math.round(y) };
        // The band lies along bandAngle; its axis runs across it, 2 x r2 long.
        var a = bandAngle * Math.PI / 180;
        var dx = -Math.sin(a) * r2, dy = Math.cos(a) * r2;
        return { r1: r1, r2: r2, x1: Math.round(x - dx), y1: Math.round(y - dy),
                 x2: Math.round(x + dx), y2: Math.round(y + dy) };
    }

    // The call of one step on a picture of width x height; the working file
    // is named after `name`.
    function stepCall(name, width, height) {
        var g = stepArguments(width, height);
        ToolWork.claim(editor, name);
        if (mode === "circle")
            return ["weakprogress", name, g.r1, g.r2, g.x, g.y];
        return ["weakRectprogress", name, g.r1, g.r2, g.x1, g.y1, g.x2, g.y2];
    }

    function previewStep() {
        pending = false;
        if (!ready)
            return;
        editor.work.preview("focus-step", [stepCall(copy, copyProbe.pictureWidth, copyProbe.pictureHeight)],
                            function(path) {
                                steps = steps + 1;
                                preview.show(path);
                            }, function(error) {
                                editor.fail("Focus blur failed: the preview cannot be made." + (error ? " " + error : ""));
                            });
    }

    function apply() {
        if (!ready)
            return;
        pending = false;
        // The sequence on the photo itself runs on the main worker's engine;
        // the copy's stays with the quick worker until the tool closes.
        var calls = [["weakinit", source], stepCall(source, probe.pictureWidth, probe.pictureHeight), ["weakrelease"]];
        var previewCalls = [stepCall(copy, copyProbe.pictureWidth, copyProbe.pictureHeight)];
        editor.applyAsync("Focus blur", calls, previewCalls, function() { done(); },
                          ToolWork.stepOf(editor, calls, source, mode === "circle" ? "Focus blur" : "Focus blur: band",
                                          { mode: mode, centreX: centreX, centreY: centreY, size: size,
                                            bandAngle: bandAngle }));
    }

    function cancel() {
        done();
    }

    function moveTo(x, y, width, height) {
        if (width <= 0 || height <= 0)
            return;
        centreX = Math.max(0, Math.min(1, x / width));
        centreY = Math.max(0, Math.min(1, y / height));
        requestStep();
    }

    function resize(factor) {
        size = Math.max(0.04, Math.min(0.8, size * factor));
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        if (!editor)
            return;
        preview = previewComponent.createObject(editor.photo);
        handle = handleComponent.createObject(editor.photo);
        probe.measure(source);
    }
    Component.onDestruction: {
        pending = false;
        editor.work.cancel("focus-step");
        runner.runQuick("focus-release", [["weakrelease"]]);
        if (handle)
            handle.destroy();
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
                panel.editor.fail("Focus blur: this photo cannot be read.");
                return;
            }
            panel.editor.withScreenCopy(function(made) {
                if (made === "") {
                    panel.editor.fail("Focus blur: the preview copy cannot be made.");
                    return;
                }
                // The copy's blur is made once, on the quick worker that runs the steps.
                runner.runQuick("focus-init", [["weakinit", made]]);
                panel.copy = made;
                copyProbe.measure(made);
            });
        }
    }
    PictureProbe {
        id: copyProbe
    }

    // Over the shown picture (the photo view's overlay), above the preview:
    // the finger or the mouse moves the sharp area, pinching or the wheel
    // sizes it; the outline shows where it is.
    Component {
        id: handleComponent
        Item {
            id: area
            readonly property var box: panel.editor.photo.overlay
            x: box.x
            y: box.y
            width: box.width
            height: box.height
            z: 6
            readonly property real r2: panel.size * Math.min(width, height)

            MouseArea {
                anchors.fill: parent
                enabled: panel.ready
                cursorShape: Qt.CrossCursor
                onPressed: (mouse) => panel.moveTo(mouse.x, mouse.y, area.width, area.height)
                onPositionChanged: (mouse) => { if (pressed) panel.moveTo(mouse.x, mouse.y, area.width, area.height); }
                onWheel: (wheel) => panel.resize(wheel.angleDelta.y > 0 ? 1.1 : 1 / 1.1)
            }
            PinchHandler {
                target: null
                property real startSize: panel.size
                onActiveChanged: if (active) startSize = panel.size
                onActiveScaleChanged: if (active) panel.size = Math.max(0.04, Math.min(0.8, startSize * activeScale))
            }

            // Circle: the sharp disc and where the blur is full.
            Repeater {
                model: panel.mode === "circle" ? [area.r2 * panel.innerRatio, area.r2] : []
                Rectangle {
                    required property real modelData
                    required property int index
                    x: panel.centreX * area.width - modelData
                    y: panel.centreY * area.height - modelData
                    width: 2 * modelData
                    height: 2 * modelData
                    radius: modelData
                    color: "transparent"
                    border.width: index === 0 ? 2 : 1
                    border.color: index === 0 ? "#ffffff" : "#a0ffffff"
                }
            }
            // Band: lines along it, at r1 and r2 from its centre line.
            Item {
                visible: panel.mode === "band"
                x: panel.centreX * area.width
                y: panel.centreY * area.height
                rotation: panel.bandAngle
                Repeater {
                    model: [-area.r2, -area.r2 * panel.innerRatio, area.r2 * panel.innerRatio, area.r2]
                    Rectangle {
                        required property real modelData
                        required property int index
                        x: -area.width * 1.5
                        y: modelData
                        width: area.width * 3
                        height: index === 1 || index === 2 ? 2 : 1
                        color: index === 1 || index === 2 ? "#ffffff" : "#a0ffffff"
                    }
                }
            }
            clip: true
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 2

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Focus"
                font.pixelSize: 18
                font.bold: true
            }
            Item { Layout.fillWidth: true }
            Repeater {
                model: [{ key: "circle", label: "Circle" }, { key: "band", label: "Band" }]
                Button {
                    required property var modelData
                    text: modelData.label
                    checkable: true
                    checked: panel.mode === modelData.key
                    flat: !checked
                    implicitHeight: 44
                    Accessible.name: "focus " + modelData.label.toLowerCase()
                    onClicked: panel.mode = modelData.key
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Size"
                Layout.preferredWidth: 64
            }
            Slider {
                id: sizeSlider
                Layout.fillWidth: true
                implicitHeight: 44
                from: 0.04
                to: 0.8
                value: panel.size
                enabled: panel.ready
                Accessible.name: "size of the sharp area"
                onMoved: panel.size = value
            }
        }
        RowLayout {
            Layout.fillWidth: true
            visible: panel.mode === "band"
            Label {
                text: "Turn"
                Layout.preferredWidth: 64
            }
            Slider {
                Layout.fillWidth: true
                implicitHeight: 44
                from: -90
                to: 90
                value: panel.bandAngle
                enabled: panel.ready
                Accessible.name: "turn the band"
                onMoved: panel.bandAngle = value
            }
        }
        Label {
            Layout.fillWidth: true
            text: panel.ready ? "Drag on the photo to move the sharp area; pinch or scroll to size it."
                              : "Preparing the blur\u2026"
            color: "#9e9e9e"
            font.pixelSize: 12
            wrapMode: Text.Wrap
            bottomPadding: 8
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel focus"
                onClicked: panel.cancel()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply focus"
                onClicked: panel.apply()
            }
        }
    }
}
