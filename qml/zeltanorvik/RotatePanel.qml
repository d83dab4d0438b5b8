// Rotate, scale and mirror. Quarter turns left and right, a fine angle, a
// scale and the two mirrors are shown at once on the picture as displayed;
// Apply makes them on the photo itself.
//
// The result keeps the photo's proportions, turned with the quarter turns: a
// box of the photo's size (its transpose after an odd number of quarter
// turns), cut from the centre of the scaled, turned and mirrored picture.
// What the picture does not cover is black where the scale leaves a border,
// transparent where the fine angle turns a corner away.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import QtQuick.Window
import "ToolWork.js" as ToolWork
import "Display.js" as Display

Pane {
    id: panel

    property var editor: null
    property bool applyWhenReady: false

    readonly property string source: editor ? editor.history.current : ""
    property var stage: null
    readonly property bool ready: probe.known

    property int quarterTurns: 0     // clockwise, 0 to 3
    property real fineAngle: 0       // -45 to 45 degrees, clockwise
    property real scaling: 1.0       // 0.5 to 2
    property bool mirrorHorizontal: false
    property bool mirrorVertical: false

    readonly property real degree: quarterTurns * 90 + fineAngle
    // The box keeps the stored size after an even number of quarter turns.
    readonly property bool swap: quarterTurns % 2 === 0
    readonly property bool unchanged: quarterTurns === 0 && fineAngle === 0 && scaling === 1.0
                                      && !mirrorHorizontal && !mirrorVertical

    signal done()

    onReadyChanged: if (ready && applyWhenReady) {
        quarterTurns = 1;
        fineAngle = 10;
        apply();
    }

    function turn(by) {
        quarterTurns = (quarterTurns + by + 4) % 4;
    }

    function apply() {
        if (!ready)
            return;
        if (unchanged) {
            done();
            return;
        }
        ToolWork.claim(editor, source);
        var calls = [["revolvingImage", source, scaling, degree, mirrorHorizontal, mirrorVertical, swap]];
        // The same turn of the screen copy shows first.
        var copy = editor.screenCopyOf === source ? editor.screenCopy : "";
        var previewCalls = copy ? [["revolvingImage", copy, scaling, degree, mirrorHorizontal, mirrorVertical, swap]]
                                : null;
        editor.applyAsync("Rotating", calls, previewCalls, function() { done(); });
    }

    function cancel() {
        done();
    }

    function reset() {
        quarterTurns = 0;
        fineAngle = 0;
        scaling = 1.0;
        mirrorHorizontal = false;
        mirrorVertical = false;
        angleSlider.value = 0;
        scaleSlider.value = 1;
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        if (!editor)
            return;
        stage = stageComponent.createObject(editor.photo);
        probe.measure(source);
        editor.withScreenCopy(function(path) {});
    }
    Component.onDestruction: {
        if (stage)
            stage.destroy();
    }

    PictureProbe {
        id: probe
        onMeasured: if (!known) panel.editor.fail("Rotating: this photo cannot be read.")
    }

    // The result as it will be: the box fitted to the view, the picture inside
    // it scaled, turned and mirrored about the box's centre.
    Component {
        id: stageComponent
        Rectangle {
            id: stageArea
            anchors.fill: parent
            z: 5
            color: Material.backgroundColor
            visible: panel.ready
            readonly property real boxW: panel.swap ? probe.pictureWidth : probe.pictureHeight
            readonly property real boxH: panel.swap ? probe.pictureHeight : probe.pictureWidth
            readonly property real fit: boxW > 0 && boxH > 0 ? Math.min(width / boxW, height / boxH) : 1

            Rectangle {
                id: box
                anchors.centerIn: parent
                width: stageArea.boxW * stageArea.fit
                height: stageArea.boxH * stageArea.fit
                // Turned by quarter turns only, the photo stays opaque and a
                // border comes out black; any other angle makes it transparent.
                color: panel.fineAngle === 0 ? "#000000" : "transparent"
                border.width: 0
                clip: true

                Image {
                    id: picture
                    anchors.centerIn: parent
                    width: probe.pictureWidth * stageArea.fit * panel.scaling
                    height: probe.pictureHeight * stageArea.fit * panel.scaling
                    fillMode: Image.Stretch
                    asynchronous: true
                    cache: false
                    smooth: true
                    sourceSize: Qt.size(Math.ceil(stageArea.width * Screen.devicePixelRatio),
                                        Math.ceil(stageArea.height * Screen.devicePixelRatio))
                    source: Display.url(panel.source, 0)
                    transform: [
                        Rotation {
                            origin.x: picture.width / 2
                            origin.y: picture.height / 2
                            angle: panel.degree
                        },
                        Scale {
                            origin.x: picture.width / 2
                            origin.y: picture.height / 2
                            xScale: panel.mirrorHorizontal ? -1 : 1
                            yScale: panel.mirrorVertical ? -1 : 1
                        }
                    ]
                }
            }
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 2

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Rotate"
                font.pixelSize: 18
                font.bold: true
            }
            Item { Layout.fillWidth: true }
            Button {
                text: "Reset"
                flat: true
                implicitHeight: 44
                enabled: !panel.unchanged
                Accessible.name: "reset rotation"
                onClicked: panel.reset()
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 4
            GlyphButton {
                glyph: "\u21ba"
                name: "turn left"
                Layout.fillWidth: true
                enabled: panel.ready
                onClicked: panel.turn(-1)
            }
            GlyphButton {
                glyph: "\u21bb"
                name: "turn right"
                Layout.fillWidth: true
                enabled: panel.ready
                onClicked: panel.turn(1)
            }
            GlyphButton {
                glyph: "\u21c6"
                name: "mirror left to right"
                checkable: true
                checked: panel.mirrorHorizontal
                Layout.fillWidth: true
                enabled: panel.ready
                onClicked: panel.mirrorHorizontal = !panel.mirrorHorizontal
            }
            GlyphButton {
                glyph: "\u21c5"
                name: "mirror top to bottom"
                checkable: true
                checked: panel.mirrorVertical
                Layout.fillWidth: true
                enabled: panel.ready
                onClicked: panel.mirrorVertical = !panel.mirrorVertical
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Angle"
                Layout.preferredWidth: 64
            }
            Slider {
                id: angleSlider
                Layout.fillWidth: true
                implicitHeight: 44
                from: -45
                to: 45
                stepSize: 0.5
                value: 0
                enabled: panel.ready
                Accessible.name: "fine angle"
                onMoved: panel.fineAngle = value
            }
            Label {
                text: panel.fineAngle.toFixed(1) + "\u00b0"
                horizontalAlignment: Text.AlignRight
                Layout.preferredWidth: 48
            }
        }
        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Scale"
                Layout.preferredWidth: 64
            }
            Slider {
                id: scaleSlider
                Layout.fillWidth: true
                implicitHeight: 44
                from: 0.5
                to: 2
                stepSize: 0.05
                value: 1
                enabled: panel.ready
                Accessible.name: "scale"
                onMoved: panel.scaling = Math.round(value * 100) / 100
            }
            Label {
                text: Math.round(panel.scaling * 100) + "%"
                horizontalAlignment: Text.AlignRight
                Layout.preferredWidth: 48
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel rotate"
                onClicked: panel.cancel()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready && !panel.unchanged
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply rotate"
                onClicked: panel.apply()
            }
        }
    }
}
