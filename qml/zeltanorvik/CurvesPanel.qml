// Curves: the library's tone curve through points dragged over the
// photo's brightness histogram (tools.curvesImage), for red, green and blue
// together (RGB) and for each channel. Press on the graph to add a point and
// drag it, drag a point to move it, double-tap one to remove it. The curve
// drawn is the library's own (tools.curveLevels); the live preview runs on
// the editor's screen copy and Apply runs the same curves on the photo.
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
    readonly property bool ready: copy !== "" && probe.known

    readonly property var channels: ["rgb", "red", "green", "blue"]
    readonly property var channelColours: ({ rgb: "#e0e0e0", red: "#ef5350", green: "#66bb6a", blue: "#42a5f5" })
    property string channel: "rgb"
    // Each channel's points, [x, y] pairs 0..255 with x increasing.
    property var curves: ({ rgb: [[0, 0], [255, 255]], red: [[0, 0], [255, 255]],
                            green: [[0, 0], [255, 255]], blue: [[0, 0], [255, 255]] })
    readonly property var shown: curves[channel]
    readonly property var levels: tools.curveLevels(textOf(shown))
    property var histogram: []
    readonly property bool neutral: {
        for (var i = 0; i < channels.length; ++i)
            if (!straight(curves[channels[i]]))
                return false;
        return true;
    }

    signal done()

    onReadyChanged: if (ready && applyWhenReady) {
        setPoints([[0, 0], [128, 170], [255, 255]]);
        apply();
    }

    function textOf(points) {
        return points.map(function(p) { return p[0] + "," + p[1]; }).join(" ");
    }

    function straight(points) {
        return points.every(function(p) { return p[0] === p[1]; });
    }

    function setPoints(points) {
        var all = curves;
        all[channel] = points;
        curves = all;
        changed();
    }

    // The calls of every curve that is not straight, RGB first.
    function curveCalls(from) {
        var calls = [];
        for (var i = 0; i < channels.length; ++i) {
            var points = curves[channels[i]];
            if (!straight(points))
                calls.push(["tools.curvesImage", calls.length ? "$previous" : from, channels[i], textOf(points)]);
        }
        return calls;
    }

    function previewNow() {
        if (!ready)
            return;
        var calls = curveCalls(copy);
        var wasNeutral = calls.length === 0;
        if (wasNeutral)
            calls = [["tools.curvesImage", copy, "rgb", "0,0 255,255"]];
        calls.push(["tools.brightnessHistogram", "$previous", 64]);
        editor.work.preview("curves-preview", calls, function(path, shares) {
            if (wasNeutral)
                preview.clear();
            else if (!panel.neutral)
                preview.show(path);
            if (shares && shares.length > 0)
                panel.histogram = shares;
        }, function(error) {
            editor.fail("Curves: " + (error ? error : "the preview cannot be made."));
        });
    }

    function changed() {
        Qt.callLater(panel.previewNow); // qmllint disable type
    }

    function apply() {
        if (!ready)
            return;
        var calls = curveCalls(source);
        if (calls.length === 0) {
            done();
            return;
        }
        editor.work.cancel("curves-preview");
        var claimed = source;
        for (var i = 0; i < calls.length; ++i)
            claimed = ToolWork.claim(editor, claimed);
        var changed = channels.filter(function(c) { return !straight(curves[c]); });
        editor.applyAsync("Curves", calls, curveCalls(copy), function() { done(); },
                          ToolWork.stepOf(editor, calls, source, "Curves: " + changed.join(", "), { curves: curves }));
    }

    // The point of the shown curve within `reach` pixels of (x, y) on a
    // width x height graph, or -1.
    function pointNear(x, y, width, height, reach) {
        for (var i = 0; i < shown.length; ++i)
            if (Math.hypot(shown[i][0] / 255 * width - x, (1 - shown[i][1] / 255) * height - y) <= reach)
                return i;
        return -1;
    }

    // Adds a point at graph position (x, y); its index, or -1 where one is already.
    function addPoint(x, y, width, height) {
        var px = Math.round(Math.max(0, Math.min(1, x / width)) * 255);
        var py = Math.round(Math.max(0, Math.min(1, 1 - y / height)) * 255);
        var points = shown.slice();
        var at = 0;
        while (at < points.length && points[at][0] < px)
            ++at;
        if ((at < points.length && points[at][0] === px) || points.length >= 16)
            return -1;
        points.splice(at, 0, [px, py]);
        setPoints(points);
        return at;
    }

    // Moves point i to graph position (x, y), between its neighbours.
    function movePoint(i, x, y, width, height) {
        var points = shown.slice();
        var low = i > 0 ? points[i - 1][0] + 1 : 0;
        var high = i + 1 < points.length ? points[i + 1][0] - 1 : 255;
        points[i] = [Math.round(Math.max(low, Math.min(high, x / width * 255))),
                     Math.round(Math.max(0, Math.min(255, (1 - y / height) * 255)))];
        setPoints(points);
    }

    function removePoint(i) {
        if (shown.length <= 2)
            return;
        var points = shown.slice();
        points.splice(i, 1);
        setPoints(points);
    }

    function reset() {
        curves = { rgb: [[0, 0], [255, 255]], red: [[0, 0], [255, 255]],
                   green: [[0, 0], [255, 255]], blue: [[0, 0], [255, 255]] };
        changed();
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    onLevelsChanged: graphCanvas.requestPaint()

    Component.onCompleted: {
        if (!editor)
            return;
        preview = previewComponent.createObject(editor.photo);
        probe.measure(source);
    }
    Component.onDestruction: {
        editor.work.cancel("curves-preview");
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
                panel.editor.fail("Curves: this photo cannot be read.");
                return;
            }
            panel.editor.withScreenCopy(function(made) {
                if (made === "") {
                    panel.editor.fail("Curves: the preview copy cannot be made.");
                    return;
                }
                panel.copy = made;
                panel.previewNow();
            });
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 4

        ToneTabs {
            editor: panel.editor
            current: "curves"
        }

        RowLayout {
            Layout.fillWidth: true
            Repeater {
                model: panel.channels
                Button {
                    required property string modelData
                    text: modelData === "rgb" ? "RGB" : modelData.charAt(0).toUpperCase() + modelData.slice(1)
                    flat: panel.channel !== modelData
                    highlighted: panel.channel === modelData
                    implicitHeight: 44
                    Layout.fillWidth: true
                    Accessible.name: "curve of " + (modelData === "rgb" ? "all channels" : modelData)
                    onClicked: panel.channel = modelData
                }
            }
            Button {
                text: "Reset"
                flat: true
                implicitHeight: 44
                enabled: !panel.neutral
                Accessible.name: "reset the curves"
                onClicked: panel.reset()
            }
        }

        // The graph: histogram, the diagonal, the curve and its points.
        Rectangle {
            id: graph
            objectName: "curveGraph"
            Layout.fillWidth: true
            Layout.preferredHeight: 190
            color: "#161616"
            border.color: "#404040"
            Accessible.role: Accessible.Chart
            Accessible.name: "tone curve over the histogram"

            Row {
                anchors.fill: parent
                Repeater {
                    model: panel.histogram.length
                    Rectangle {
                        required property int index
                        width: graph.width / Math.max(1, panel.histogram.length)
                        height: Math.max(0, graph.height * panel.histogram[index])
                        y: graph.height - height
                        color: "#383838"
                    }
                }
            }
            Canvas {
                id: graphCanvas
                anchors.fill: parent
                onWidthChanged: requestPaint()
                onHeightChanged: requestPaint()
                onPaint: {
                    var ctx = getContext("2d");
                    ctx.reset();
                    ctx.strokeStyle = "#505050";
                    ctx.lineWidth = 1;
                    ctx.beginPath();
                    ctx.moveTo(0, height);
                    ctx.lineTo(width, 0);
                    ctx.stroke();
                    var levels = panel.levels;
                    if (!levels || levels.length !== 256)
                        return;
                    ctx.strokeStyle = panel.channelColours[panel.channel];
                    ctx.lineWidth = 2;
                    ctx.beginPath();
                    for (var v = 0; v < 256; ++v) {
                        var x = v / 255 * width, y = (1 - levels[v] / 255) * height;
                        if (v === 0)
                            ctx.moveTo(x, y);
                        else
                            ctx.lineTo(x, y);
                    }
                    ctx.stroke();
                }
            }
            Repeater {
                model: panel.shown
                Rectangle {
                    required property var modelData
                    x: modelData[0] / 255 * graph.width - 9
                    y: (1 - modelData[1] / 255) * graph.height - 9
                    width: 18
                    height: 18
                    radius: 9
                    color: panel.channelColours[panel.channel]
                    border.color: "#101010"
                    border.width: 2
                }
            }
            MouseArea {
                objectName: "curveArea"
                anchors.fill: parent
                enabled: panel.ready
                property int dragging: -1
                onPressed: (m) => {
                    dragging = panel.pointNear(m.x, m.y, graph.width, graph.height, 22);
                    if (dragging < 0)
                        dragging = panel.addPoint(m.x, m.y, graph.width, graph.height);
                }
                onPositionChanged: (m) => {
                    if (pressed && dragging >= 0)
                        panel.movePoint(dragging, m.x, m.y, graph.width, graph.height);
                }
                onReleased: dragging = -1
                onDoubleClicked: (m) => {
                    var near = panel.pointNear(m.x, m.y, graph.width, graph.height, 22);
                    if (near >= 0)
                        panel.removePoint(near);
                    dragging = -1;
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel curves"
                onClicked: panel.done()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready && !panel.neutral
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply curves"
                onClicked: panel.apply()
            }
        }
    }
}
