// Selective: control points on the photo, each with brightness, contrast and
// saturation around it (tools.selectiveImage), fading with the distance and
// stronger on colours like the one under it. Tap to place a point, drag one
// to move it; the ring shows the chosen point's radius (its effect ends at
// 1.75 times it). Positions and radii are shares of the picture, so the live
// preview on the editor's screen copy is what Apply gives on the photo.
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

    // Points: { x, y (shares of the picture), size (share of the shorter
    // side), brightness, contrast, saturation }; `chosen` is the one the
    // sliders set.
    property var points: []
    property int chosen: -1
    readonly property var current: chosen >= 0 && chosen < points.length ? points[chosen] : null
    readonly property bool neutral: {
        for (var i = 0; i < points.length; ++i)
            if (points[i].brightness !== 0 || points[i].contrast !== 0 || points[i].saturation !== 0)
                return false;
        return true;
    }

    signal done()

    // The sliders show the chosen point's amounts (a slider the user moved
    // no longer follows a binding).
    onCurrentChanged: {
        brightnessSlider.value = current ? current.brightness : 0;
        contrastSlider.value = current ? current.contrast : 0;
        saturationSlider.value = current ? current.saturation : 0;
        radiusSlider.value = current ? Math.round(current.size * 100) : 20;
    }

    onReadyChanged: if (ready && applyWhenReady) {
        place(0.5, 0.5);
        setAmount("brightness", 40);
        apply();
    }

    // The calls of every point that changes something, on a width x height picture.
    function pointCalls(from, width, height) {
        var calls = [];
        var side = Math.min(width, height);
        for (var i = 0; i < points.length; ++i) {
            var p = points[i];
            if (p.brightness === 0 && p.contrast === 0 && p.saturation === 0)
                continue;
            calls.push(["tools.selectiveImage", calls.length ? "$previous" : from,
                        Math.min(width - 1, Math.round(p.x * width)), Math.min(height - 1, Math.round(p.y * height)),
                        Math.max(1, Math.round(p.size * side)), p.brightness, p.contrast, p.saturation]);
        }
        return calls;
    }

    function previewNow() {
        if (!ready)
            return;
        var calls = pointCalls(copy, copyProbe.pictureWidth, copyProbe.pictureHeight);
        if (calls.length === 0) {
            editor.work.cancel("selective-preview");
            preview.clear();
            return;
        }
        editor.work.preview("selective-preview", calls, function(path) {
            if (!panel.neutral)
                preview.show(path);
        }, function(error) {
            editor.fail("Selective: " + (error ? error : "the preview cannot be made."));
        });
    }

    function changed() {
        Qt.callLater(panel.previewNow); // qmllint disable type
    }

    function place(x, y) {
        var list = points;
        list.push({ x: x, y: y, size: current ? current.size : 0.2, brightness: 0, contrast: 0, saturation: 0 });
        points = list;
        chosen = list.length - 1;
    }

    function moveChosen(x, y) {
        if (!current)
            return;
        var list = points;
        list[chosen].x = Math.max(0, Math.min(1, x));
        list[chosen].y = Math.max(0, Math.min(1, y));
        points = list;
        changed();
    }

    function setAmount(name, value) {
        if (!current)
            return;
        var list = points;
        list[chosen][name] = value;
        points = list;
        changed();
    }

    // The point within `reach` pixels of (x, y) on the shown picture, or -1.
    function pointNear(x, y, width, height, reach) {
        for (var i = points.length - 1; i >= 0; --i)
            if (Math.hypot(points[i].x * width - x, points[i].y * height - y) <= reach)
                return i;
        return -1;
    }

    function removeChosen() {
        if (!current)
            return;
        var list = points;
        list.splice(chosen, 1);
        points = list;
        chosen = list.length - 1;
        changed();
    }

    function apply() {
        if (!ready)
            return;
        var calls = pointCalls(source, probe.pictureWidth, probe.pictureHeight);
        if (calls.length === 0) {
            done();
            return;
        }
        editor.work.cancel("selective-preview");
        var claimed = source;
        for (var i = 0; i < calls.length; ++i)
            claimed = ToolWork.claim(editor, claimed);
        var label = calls.length === 1 ? "Selective" : "Selective: " + calls.length + " points";
        editor.applyAsync(label, calls, pointCalls(copy, copyProbe.pictureWidth, copyProbe.pictureHeight),
                          function() { done(); },
                          ToolWork.stepOf(editor, calls, source, label, { points: points, chosen: points.length - 1 }));
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
        editor.work.cancel("selective-preview");
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
                panel.editor.fail("Selective: this photo cannot be read.");
                return;
            }
            panel.editor.withScreenCopy(function(made) {
                if (made === "") {
                    panel.editor.fail("Selective: the preview copy cannot be made.");
                    return;
                }
                panel.copy = made;
                copyProbe.measure(made);
            });
        }
    }
    PictureProbe {
        id: copyProbe
    }

    // Over the shown picture: the points, the chosen one's ring and reach.
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

            MouseArea {
                objectName: "selectiveArea"
                anchors.fill: parent
                enabled: panel.ready
                cursorShape: Qt.CrossCursor
                onPressed: (m) => {
                    var near = panel.pointNear(m.x, m.y, area.width, area.height, 24);
                    if (near >= 0)
                        panel.chosen = near;
                    else
                        panel.place(m.x / area.width, m.y / area.height);
                }
                onPositionChanged: (m) => { if (pressed) panel.moveChosen(m.x / area.width, m.y / area.height); }
                onWheel: (wheel) => {
                    if (panel.current)
                        panel.setAmount("size", Math.max(0.02, Math.min(1, panel.current.size * (wheel.angleDelta.y > 0 ? 1.1 : 1 / 1.1))));
                }
            }
            Repeater {
                model: panel.points
                Item {
                    id: mark
                    required property var modelData
                    required property int index
                    readonly property bool isChosen: index === panel.chosen
                    readonly property real r: modelData.size * Math.min(area.width, area.height)
                    x: modelData.x * area.width
                    y: modelData.y * area.height
                    // The radius, and where the effect ends.
                    Repeater {
                        model: mark.isChosen ? [mark.r, mark.r * 1.75] : []
                        Rectangle {
                            required property real modelData
                            required property int index
                            x: -modelData
                            y: -modelData
                            width: 2 * modelData
                            height: 2 * modelData
                            radius: modelData
                            color: "transparent"
                            border.width: index === 0 ? 2 : 1
                            border.color: index === 0 ? "#ffffff" : "#80ffffff"
                        }
                    }
                    Rectangle {
                        x: -10
                        y: -10
                        width: 20
                        height: 20
                        radius: 10
                        color: mark.isChosen ? Material.accentColor : "#c0ffffff"
                        border.width: 2
                        border.color: "#202020"
                    }
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
                text: "Selective"
                font.pixelSize: 18
                font.bold: true
            }
            Label {
                Layout.fillWidth: true
                Layout.leftMargin: 12
                text: panel.points.length === 0 ? "Tap the photo to place a point." : "Drag a point to move it."
                color: "#b0b0b0"
                elide: Text.ElideRight
            }
            Button {
                text: "Remove"
                flat: true
                implicitHeight: 44
                enabled: panel.current !== null
                Accessible.name: "remove the point"
                onClicked: panel.removeChosen()
            }
        }
        AmountSlider {
            id: brightnessSlider
            label: "Brightness"
            enabled: panel.current !== null
            onChangedBy: panel.setAmount("brightness", value)
        }
        AmountSlider {
            id: contrastSlider
            label: "Contrast"
            enabled: panel.current !== null
            onChangedBy: panel.setAmount("contrast", value)
        }
        AmountSlider {
            id: saturationSlider
            label: "Saturation"
            enabled: panel.current !== null
            onChangedBy: panel.setAmount("saturation", value)
        }
        AmountSlider {
            id: radiusSlider
            label: "Radius"
            from: 2
            to: 100
            enabled: panel.current !== null
            onChangedBy: panel.setAmount("size", value / 100)
        }
        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel selective"
                onClicked: panel.done()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready && !panel.neutral
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply selective"
                onClicked: panel.apply()
            }
        }
    }
}
