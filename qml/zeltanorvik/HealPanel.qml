// Heal: tap a spot (or brush over a line of them) and it is filled from its
// surroundings (tools.healImage); the size slider sets the spot's radius as a
// share of the picture's shorter side, so the copy and the photo agree.
// While the finger is down, the spots so far are healed live on the
// editor's screen copy; on let-go they are applied to the photo as one step
// (a tap is one spot), and the panel stays open for the next spot.
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
    property string copyOf: ""
    property var preview: null
    property var handle: null
    readonly property bool ready: copy !== "" && copyOf === source && copyProbe.known && probe.known

    // The spot's radius as a share of the shorter side.
    property real size: 0.03
    // The stroke under way: spots as fractions of the picture.
    property var stroke: []
    property real fingerX: -1
    property real fingerY: -1
    property int healed: 0
    readonly property int mostSpots: 24

    signal done()

    onReadyChanged: if (ready && applyWhenReady) {
        stroke = [Qt.point(0.5, 0.5)];
        release();
    }
    onSourceChanged: refreshCopy()

    function radiusOn(width, height) {
        return Math.max(1, Math.round(size * Math.min(width, height)));
    }

    // The calls healing every spot of the stroke on a width x height picture.
    function strokeCalls(from, width, height) {
        var calls = [];
        var r = radiusOn(width, height);
        for (var i = 0; i < stroke.length; ++i)
            calls.push(["tools.healImage", i === 0 ? from : "$previous",
                        Math.min(width - 1, Math.round(stroke[i].x * width)),
                        Math.min(height - 1, Math.round(stroke[i].y * height)), r]);
        return calls;
    }

    // A spot under the finger, when it has moved a radius from the last one.
    function touch(x, y, width, height) {
        if (!ready || width <= 0 || height <= 0)
            return;
        fingerX = x / width;
        fingerY = y / height;
        var p = Qt.point(Math.max(0, Math.min(1, fingerX)), Math.max(0, Math.min(1, fingerY)));
        var spots = stroke;
        if (spots.length > 0) {
            var last = spots[spots.length - 1];
            var apart = Math.hypot((p.x - last.x) * width, (p.y - last.y) * height);
            if (apart < size * Math.min(width, height) || spots.length >= mostSpots)
                return;
        }
        spots.push(p);
        stroke = spots;
        Qt.callLater(panel.previewStroke); // qmllint disable type
    }

    function previewStroke() {
        if (!ready || stroke.length === 0)
            return;
        editor.work.preview("heal-step", strokeCalls(copy, copyProbe.pictureWidth, copyProbe.pictureHeight),
                            function(path) { if (panel.stroke.length > 0) preview.show(path); },
                            function(error) {
                                editor.fail("Heal: " + (error ? error : "the preview cannot be made."));
                            });
    }

    // The stroke applied to the photo as one step.
    function release() {
        fingerX = -1;
        if (!ready || stroke.length === 0)
            return;
        var calls = strokeCalls(source, probe.pictureWidth, probe.pictureHeight);
        var previewCalls = strokeCalls(copy, copyProbe.pictureWidth, copyProbe.pictureHeight);
        var claimed = source;
        for (var i = 0; i < calls.length; ++i)
            claimed = ToolWork.claim(editor, claimed);
        var label = stroke.length === 1 ? "Heal" : "Heal: " + stroke.length + " spots";
        stroke = [];
        editor.work.cancel("heal-step");
        var step = ToolWork.stepOf(editor, calls, source, label, { size: size });
        editor.applyAsync(label, calls, previewCalls, function() {
            panel.healed = panel.healed + 1;
            preview.clear();
            if (panel.applyWhenReady)
                panel.done();
        }, step);
    }

    // The new picture's screen copy, for the next spot.
    function refreshCopy() {
        if (!editor || !source)
            return;
        probe.measure(source);
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        if (!editor)
            return;
        preview = previewComponent.createObject(editor.photo);
        handle = handleComponent.createObject(editor.photo);
        refreshCopy();
    }
    Component.onDestruction: {
        editor.work.cancel("heal-step");
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
                panel.editor.fail("Heal: this photo cannot be read.");
                return;
            }
            var wanted = panel.source;
            panel.editor.withScreenCopy(function(made) {
                if (!panel)  // closed in the meantime
                    return;
                if (made === "") {
                    panel.editor.fail("Heal: the preview copy cannot be made.");
                    return;
                }
                panel.copy = made;
                panel.copyOf = wanted;
                copyProbe.measure(made);
            });
        }
    }
    PictureProbe {
        id: copyProbe
    }

    // Over the shown picture: the finger or the mouse heals; the ring shows
    // the spot's size where it is.
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
            clip: true
            readonly property real r: panel.size * Math.min(width, height)

            MouseArea {
                id: mouse
                objectName: "healArea"
                anchors.fill: parent
                enabled: panel.ready
                hoverEnabled: true
                cursorShape: Qt.CrossCursor
                property point hover: Qt.point(-1, -1)
                onPressed: (m) => { panel.stroke = []; panel.touch(m.x, m.y, area.width, area.height); }
                onPositionChanged: (m) => {
                    hover = Qt.point(m.x, m.y);
                    if (pressed)
                        panel.touch(m.x, m.y, area.width, area.height);
                }
                onReleased: panel.release()
                onCanceled: { panel.stroke = []; panel.preview.clear(); }
                onExited: hover = Qt.point(-1, -1)
                onWheel: (wheel) => panel.size = Math.max(0.005, Math.min(0.1, panel.size * (wheel.angleDelta.y > 0 ? 1.1 : 1 / 1.1)))
            }
            Rectangle {
                visible: mouse.hover.x >= 0
                x: mouse.hover.x - area.r
                y: mouse.hover.y - area.r
                width: 2 * area.r
                height: 2 * area.r
                radius: area.r
                color: "transparent"
                border.width: 2
                border.color: "#ffffff"
            }
            Repeater {
                model: panel.stroke
                Rectangle {
                    required property point modelData
                    x: modelData.x * area.width - area.r
                    y: modelData.y * area.height - area.r
                    width: 2 * area.r
                    height: 2 * area.r
                    radius: area.r
                    color: "#30ffffff"
                    border.width: 1
                    border.color: "#c0ffffff"
                }
            }
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Heal"
                font.pixelSize: 18
                font.bold: true
            }
            Label {
                Layout.fillWidth: true
                Layout.leftMargin: 12
                text: panel.ready ? "Tap a spot, or brush over a line of them." : "Getting the photo ready\u2026"
                color: "#b0b0b0"
                elide: Text.ElideRight
            }
        }
        AmountSlider {
            label: "Size"
            from: 1
            to: 100
            value: Math.round(panel.size * 1000)
            enabled: panel.ready
            onChangedBy: panel.size = value / 1000
        }
        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Done"
                highlighted: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "done healing"
                onClicked: panel.done()
            }
        }
    }
}
