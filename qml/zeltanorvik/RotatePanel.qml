// Rotate, scale and mirror. Quarter turns left and right, a fine angle, a
// scale and the two mirrors are shown at once on the picture as displayed;
// Apply makes them on the photo itself.
//
// Perspective (vertical and horizontal, tools.perspectiveImage) comes first:
// the keystone correction, cropped to the photo's proportions, previewed live
// on the editor's screen copy and shown in the stage in the photo's place.
// The fine angle straightens: the photo is turned and cropped to the largest
// rectangle of its own proportions inside (tools.straightenImage), so no
// corner is left empty; the preview zooms in by the same amount. Then the
// quarter turns, scale and mirrors: a box of the straightened photo's size
// (its transpose after an odd number of quarter turns), cut from the centre
// of the scaled, turned and mirrored picture; where a scale below 100 %
// leaves a border, it is black.
pragma ComponentBehavior: Bound
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
    property real vertical: 0        // perspective, -45 to 45 degrees each
    property real horizontal: 0
    readonly property bool keystoned: vertical !== 0 || horizontal !== 0
    property string copy: ""
    property string corrected: ""    // the live preview of the correction on the copy
    property int correctedSerial: 0

    readonly property real degree: quarterTurns * 90 + fineAngle
    // The box keeps the stored size after an even number of quarter turns.
    readonly property bool swap: quarterTurns % 2 === 0
    readonly property bool unchanged: fineAngle === 0 && turnsOnlyUnchanged && !keystoned
    readonly property bool turnsOnlyUnchanged: quarterTurns === 0 && scaling === 1.0
                                               && !mirrorHorizontal && !mirrorVertical
    // The share of the photo's width (and height) the straightening keeps.
    readonly property real keptShare: {
        if (fineAngle === 0 || !ready)
            return 1;
        var size = tools.straightenedSize(probe.pictureWidth, probe.pictureHeight, fineAngle);
        return size.width > 0 ? size.width / probe.pictureWidth : 1;
    }

    signal done()

    onReadyChanged: if (ready && applyWhenReady) {
        quarterTurns = 1;
        fineAngle = 10;
        apply();
    }

    // The correction on the screen copy, in memory, for the stage.
    function previewPerspective() {
        if (!keystoned || copy === "") {
            editor.work.cancel("rotate-perspective");
            corrected = "";
            return;
        }
        editor.work.preview("rotate-perspective", [["tools.perspectiveImage", copy, vertical, horizontal]],
                            function(path) {
                                if (!panel.keystoned)
                                    return;
                                panel.corrected = path;
                                panel.correctedSerial = panel.correctedSerial + 1;
                            }, function(error) {
                                editor.fail("Perspective: " + (error ? error : "the preview cannot be made."));
                            });
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
        // Straightening first (tools.straightenImage), then the quarter turns,
        // scale and mirrors on its result; the same steps on the screen copy
        // show first.
        function steps(from) {
            var calls = [];
            if (keystoned)
                calls.push(["tools.perspectiveImage", from, vertical, horizontal]);
            if (fineAngle !== 0)
                calls.push(["tools.straightenImage", calls.length ? "$previous" : from, fineAngle]);
            if (!turnsOnlyUnchanged)
                calls.push(["revolvingImage", calls.length ? "$previous" : from, scaling, quarterTurns * 90,
                            mirrorHorizontal, mirrorVertical, swap]);
            return calls;
        }
        var calls = steps(source);
        // Each step writes the next name down the photo's chain.
        var claimed = source;
        for (var i = 0; i < calls.length; ++i)
            claimed = ToolWork.claim(editor, claimed);
        var copy = editor.screenCopyOf === source ? editor.screenCopy : "";
        editor.applyAsync("Rotating", calls, copy ? steps(copy) : null, function() { done(); },
                          ToolWork.stepOf(editor, calls, source, stepLabel(),
                                          { quarterTurns: quarterTurns, fineAngle: fineAngle, scaling: scaling,
                                            mirrorHorizontal: mirrorHorizontal, mirrorVertical: mirrorVertical,
                                            vertical: vertical, horizontal: horizontal }));
    }

    function cancel() {
        done();
    }

    // "Rotate 90° · straighten 10.0°": what this Apply does, for the step's label.
    function stepLabel() {
        var parts = new Array(0);
        if (quarterTurns !== 0)
            parts.push("rotate " + quarterTurns * 90 + "\u00b0");
        if (fineAngle !== 0)
            parts.push("straighten " + fineAngle.toFixed(1) + "\u00b0");
        if (scaling !== 1.0)
            parts.push("scale " + Math.round(scaling * 100) + " %");
        if (mirrorHorizontal || mirrorVertical)
            parts.push("mirror");
        if (keystoned)
            parts.push("perspective");
        var text = parts.join(" \u00b7 ");
        return text.charAt(0).toUpperCase() + text.substring(1);
    }

    function reset() {
        quarterTurns = 0;
        fineAngle = 0;
        scaling = 1.0;
        mirrorHorizontal = false;
        mirrorVertical = false;
        vertical = 0;
        horizontal = 0;
        previewPerspective();
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
        editor.withScreenCopy(function(path) {
            panel.copy = path;
            // Reopened to change its step: the correction shows at once.
            if (panel.keystoned)
                panel.previewPerspective();
        });
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
                // Straightened, the photo stays opaque: a border is black.
                color: "#000000"
                border.width: 0
                clip: true

                Image {
                    autoTransform: true
                    id: picture
                    anchors.centerIn: parent
                    width: probe.pictureWidth * stageArea.fit * panel.scaling / panel.keptShare
                    height: probe.pictureHeight * stageArea.fit * panel.scaling / panel.keptShare
                    fillMode: Image.Stretch
                    asynchronous: true
                    cache: false
                    smooth: true
                    sourceSize: Qt.size(Math.ceil(stageArea.width * Screen.devicePixelRatio), // qmllint disable type
                                        Math.ceil(stageArea.height * Screen.devicePixelRatio))
                    source: panel.keystoned && panel.corrected !== "" ? Display.url(panel.corrected, panel.correctedSerial)
                                                                     : Display.url(panel.source, 0)
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
                value: panel.fineAngle
                enabled: panel.ready
                Accessible.name: "straighten by a fine angle"
                onMoved: panel.fineAngle = value
            }
            Label {
                text: panel.fineAngle.toFixed(1) + "\u00b0"
                horizontalAlignment: Text.AlignRight
                Layout.preferredWidth: 48
            }
        }
        Repeater {
            model: [{ label: "Vertical", name: "perspective: vertical (widens the top)", which: "vertical" },
                     { label: "Horiz.", name: "perspective: horizontal (widens the right)", which: "horizontal" }]
            RowLayout {
                id: keystoneRow
                required property var modelData
                Layout.fillWidth: true
                Label {
                    text: keystoneRow.modelData.label
                    Layout.preferredWidth: 64
                }
                Slider {
                    objectName: keystoneRow.modelData.which + "Slider"
                    Layout.fillWidth: true
                    implicitHeight: 44
                    from: -45
                    to: 45
                    stepSize: 0.5
                    value: panel[keystoneRow.modelData.which]
                    enabled: panel.ready
                    Accessible.name: keystoneRow.modelData.name
                    onMoved: {
                        panel[keystoneRow.modelData.which] = value;
                        Qt.callLater(panel.previewPerspective); // qmllint disable type
                    }
                }
                Label {
                    text: panel[keystoneRow.modelData.which].toFixed(1) + "\u00b0"
                    horizontalAlignment: Text.AlignRight
                    Layout.preferredWidth: 48
                }
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
                value: panel.scaling
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
