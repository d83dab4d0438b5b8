// The text tool: a speech bubble over the photo with the user's text in it.
// Choose a bubble, type the text, pick its colour, size and weight; drag the
// bubble to move it, the wheel or a pinch zooms it, a right drag or two
// fingers turn it. Apply burns bubble and text into the photo at the photo's
// own resolution.
//
// Start option (with --tool text): --text WORDS puts WORDS in the bubble.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "CollageCatalogue.js" as Catalogue
import "CollageGeometry.js" as Geometry
import "ToolWork.js" as ToolWork

Pane {
    id: panel

    // Set by the editor: the editor page (history, photo, run, commit, fail).
    property var editor: null
    property bool applyWhenReady: false

    property int bubbleChoice: 0
    readonly property var bubble: Catalogue.bubbles[bubbleChoice]
    property string textColor: bubble.textColor
    property int textSize: 24
    property bool bold: false
    property alias text: textField.text

    property var overlayBubble: null
    // Reopened to change its step: where the bubble was, as shares of the
    // shown picture ({x, y, zoom, degree}).
    property var placement: null
    property int photoWidth: 0
    readonly property bool ready: overlayBubble !== null && photoWidth > 0 && overlayBubble.parent.width > 0

    readonly property var swatches: ["#101010", "#ffffff", "#e53935", "#fdd835", "#1e88e5", "#43a047", "#8e24aa"]

    signal done()

    onReadyChanged: if (ready && applyWhenReady) apply()
    onBubbleChanged: textColor = bubble.textColor

    function apply() {
        if (!ready)
            return;
        var b = overlayBubble;
        var g = Geometry.bubblePlacement(bubble.size[0], bubble.size[1], b.zoom, b.cx, b.cy, b.degree,
                                         b.parent.width, photoWidth);
        var source = editor.history.current;
        var file = bubble.file, picture = bubble.picture, area = bubble.textRect;
        var words = text, colour = textColor, size = textSize, weight = bold ? 1 : 0;
        var zoom = b.zoom, degree = b.degree;
        function writing(on, placement) {
            return ["writingFontImage", file, on, placement.srcScale, placement.innerx, placement.innery, picture, zoom,
                    words, degree, size, colour, 0, weight, area[2], area[3], area[0], area[1]];
        }
        // The same bubble on the screen copy shows first: every measure of the
        // bubble scales with the picture it is burnt into.
        var copy = editor.screenCopyOf === source ? editor.screenCopy : "";
        var copyWidth = copy ? runner.pictureSize(copy).width : 0;
        var previewCalls = copyWidth > 0
                ? [writing(copy, Geometry.bubblePlacement(bubble.size[0], bubble.size[1], b.zoom, b.cx, b.cy, b.degree,
                                                          b.parent.width, copyWidth))]
                : null;
        var shownArea = b.parent;
        editor.applyAsync("Writing the text", [writing(source, g)], previewCalls, function() { panel.done(); },
                          ToolWork.stepOf(editor, [writing(source, g)], source, "Text: \u201c" + words + "\u201d",
                                          { bubbleChoice: bubbleChoice, textColor: textColor, textSize: textSize,
                                            bold: bold, text: words,
                                            placement: { x: b.cx / shownArea.width, y: b.cy / shownArea.height,
                                                         zoom: b.zoom / shownArea.width, degree: b.degree } }));
    }

    function cancel() {
        done();
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        var args = Array.from(Qt.application.arguments);
        var at = args.indexOf("--text");
        if (at >= 0 && at + 1 < args.length)
            textField.text = args[at + 1];
        if (editor) {
            overlayBubble = bubbleComponent.createObject(editor.photo.overlay, { panel: panel });
            if (placement) {
                var shown = editor.photo.overlay;
                overlayBubble.zoom = placement.zoom * shown.width;
                overlayBubble.cx = placement.x * shown.width;
                overlayBubble.cy = placement.y * shown.height;
                overlayBubble.degree = placement.degree;
            }
            editor.withScreenCopy(function(path) {});
        }
    }
    Component.onDestruction: {
        if (overlayBubble)
            overlayBubble.destroy();
    }

    // The photo's stored width, from decoding it once in the background.
    // The photo's width, from its header.
    PictureProbe {
        id: photoProbe
        Component.onCompleted: if (panel.editor) measure(panel.editor.history.current)
        onMeasured: {
            if (known)
                panel.photoWidth = pictureWidth;
            else
                panel.editor.fail("The photo cannot be read for the text.");
        }
    }

    // The bubble on the photo, in the shown photo's coordinates.
    Component {
        id: bubbleComponent
        Item {
            id: shown
            property var panel: null
            readonly property var bubble: panel ? panel.bubble : Catalogue.bubbles[0]
            property real zoom: parent ? Math.min(1.5, 0.7 * parent.width / bubble.size[0]) : 1
            property real cx: parent ? parent.width / 2 : 0
            property real cy: parent ? parent.height / 2 : 0
            property real degree: 0

            width: bubble.size[0] * zoom
            height: bubble.size[1] * zoom
            x: cx - width / 2
            y: cy - height / 2
            rotation: degree

            Image {
                autoTransform: true
                anchors.fill: parent
                source: "qrc" + shown.bubble.picture
                smooth: true
            }
            Text {
                x: shown.bubble.textRect[0] * shown.zoom
                y: shown.bubble.textRect[1] * shown.zoom
                width: shown.bubble.textRect[2] * shown.zoom
                height: shown.bubble.textRect[3] * shown.zoom
                clip: true
                text: shown.panel ? shown.panel.text : ""
                color: shown.panel ? shown.panel.textColor : "black"
                font.pointSize: Math.max(1, (shown.panel ? shown.panel.textSize : 20) * shown.zoom)
                font.bold: shown.panel ? shown.panel.bold : false
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            GestureArea {
                anchors.fill: parent
                reference: shown.parent
                centre: Qt.point(shown.cx, shown.cy)
                active: true
                pinchScale: shown.panel && shown.panel.editor && shown.panel.editor.app ? shown.panel.editor.app.pinchScale : 1
                Accessible.role: Accessible.Graphic
                Accessible.name: "speech bubble: drag to move, wheel to zoom, right-drag to turn"
                onMoved: (dx, dy) => {
                    shown.cx = Math.max(0, Math.min(shown.parent.width, shown.cx + dx));
                    shown.cy = Math.max(0, Math.min(shown.parent.height, shown.cy + dy));
                }
                onZoomed: (factor) => shown.zoom = Math.max(0.05, Math.min(4, shown.zoom * factor))
                onTurned: (degrees) => shown.degree = shown.degree + degrees
            }
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 6

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Text"
                font.pixelSize: 18
                font.bold: true
            }
            TextField {
                id: textField
                Layout.fillWidth: true
                placeholderText: "Type your text"
                Accessible.name: "text in the bubble"
            }
        }

        ListView {
            Layout.fillWidth: true
            Layout.preferredHeight: 56
            orientation: ListView.Horizontal
            spacing: 6
            clip: true
            model: Catalogue.bubbles
            delegate: AbstractButton {
                id: bubbleButton
                required property var modelData
                required property int index
                width: 64
                height: 56
                padding: 3
                Accessible.name: "bubble " + modelData.name
                ToolTip.visible: hovered
                ToolTip.text: modelData.name
                ToolTip.delay: 600
                contentItem: Image {
                    source: "qrc" + bubbleButton.modelData.picture
                    sourceSize.width: 96
                    sourceSize.height: 96
                    fillMode: Image.PreserveAspectFit
                }
                background: Rectangle {
                    color: "#2a2a2a"
                    radius: 4
                    border.width: panel.bubbleChoice === bubbleButton.index ? 3 : 0
                    border.color: Material.accent
                }
                onClicked: panel.bubbleChoice = index
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 4
            Repeater {
                model: panel.swatches
                AbstractButton {
                    id: swatch
                    required property string modelData
                    implicitWidth: 44
                    implicitHeight: 44
                    Accessible.name: "text colour " + modelData
                    contentItem: Rectangle {
                        radius: 16
                        color: swatch.modelData
                        border.width: panel.textColor === swatch.modelData ? 3 : 1
                        border.color: panel.textColor === swatch.modelData ? Material.accent : "#616161"
                    }
                    onClicked: panel.textColor = modelData
                }
            }
            Item { Layout.fillWidth: true }
            Button {
                text: "B"
                font.bold: true
                checkable: true
                checked: panel.bold
                flat: !checked
                implicitWidth: 48
                implicitHeight: 48
                Accessible.name: "bold"
                onToggled: panel.bold = checked
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Label { text: "Size" }
            Slider {
                Layout.fillWidth: true
                from: 8
                to: 72
                stepSize: 1
                value: panel.textSize
                Accessible.name: "text size"
                onMoved: panel.textSize = value
            }
            Label { text: panel.textSize; Layout.preferredWidth: 28 }
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel text"
                onClicked: panel.cancel()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply text"
                onClicked: panel.apply()
            }
        }
    }
}
