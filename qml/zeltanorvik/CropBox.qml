// The crop box over the shown picture: drag inside it to move it, drag a
// corner handle to resize it; outside the box the picture is dimmed.
pragma ComponentBehavior: Bound
import QtQuick
import "CropGeometry.js" as CropGeometry

Item {
    id: cropBox

    // Width over height the box keeps; 0 for a free box.
    property real ratio: 0
    property var box: CropGeometry.initialBox(0, width, height)
    // A box less than a pixel wide or high cuts nothing.
    readonly property bool empty: !(box.w >= 1 && box.h >= 1)

    function reset() {
        box = CropGeometry.initialBox(ratio, width, height);
    }

    anchors.fill: parent
    onRatioChanged: reset()
    onWidthChanged: reset()
    onHeightChanged: reset()

    readonly property color shade: "#a0000000"

    Rectangle { x: 0; y: 0; width: parent.width; height: cropBox.box.y; color: cropBox.shade }
    Rectangle {
        x: 0; y: cropBox.box.y + cropBox.box.h
        width: parent.width; height: Math.max(0, parent.height - y); color: cropBox.shade
    }
    Rectangle { x: 0; y: cropBox.box.y; width: cropBox.box.x; height: cropBox.box.h; color: cropBox.shade }
    Rectangle {
        x: cropBox.box.x + cropBox.box.w; y: cropBox.box.y
        width: Math.max(0, parent.width - x); height: cropBox.box.h; color: cropBox.shade
    }

    Rectangle {
        id: frame
        x: cropBox.box.x
        y: cropBox.box.y
        width: cropBox.box.w
        height: cropBox.box.h
        color: "transparent"
        border.color: "#ffffff"
        border.width: 2

        // Rule-of-thirds lines.
        Repeater {
            model: 2
            Rectangle { required property int index; x: frame.width * (index + 1) / 3; width: 1; height: frame.height; color: "#80ffffff" }
        }
        Repeater {
            model: 2
            Rectangle { required property int index; y: frame.height * (index + 1) / 3; height: 1; width: frame.width; color: "#80ffffff" }
        }

        MouseArea {
            id: moveArea
            anchors.fill: parent
            cursorShape: Qt.SizeAllCursor
            property point start
            property var startBox
            Accessible.role: Accessible.Grip
            Accessible.name: "crop box"
            onPressed: (mouse) => {
                start = mapToItem(cropBox, mouse.x, mouse.y);
                startBox = cropBox.box;
            }
            onPositionChanged: (mouse) => {
                var p = mapToItem(cropBox, mouse.x, mouse.y);
                cropBox.box = CropGeometry.moveBox(startBox, p.x - start.x, p.y - start.y,
                                                   cropBox.width, cropBox.height);
            }
        }
    }

    Repeater {
        model: ["tl", "tr", "bl", "br"]

        Item {
            id: handle
            required property string modelData
            readonly property bool onLeft: modelData === "tl" || modelData === "bl"
            readonly property bool onTop: modelData === "tl" || modelData === "tr"
            width: 44
            height: 44
            x: (onLeft ? cropBox.box.x : cropBox.box.x + cropBox.box.w) - width / 2
            y: (onTop ? cropBox.box.y : cropBox.box.y + cropBox.box.h) - height / 2

            Rectangle {
                anchors.centerIn: parent
                width: 20
                height: 20
                radius: 10
                color: "#ffb74d"
                border.color: "#ffffff"
                border.width: 2
            }

            MouseArea {
                anchors.fill: parent
                cursorShape: handle.onLeft === handle.onTop ? Qt.SizeFDiagCursor : Qt.SizeBDiagCursor
                property point start
                property var startBox
                Accessible.role: Accessible.Grip
                Accessible.name: "crop corner " + handle.modelData
                onPressed: (mouse) => {
                    start = mapToItem(cropBox, mouse.x, mouse.y);
                    startBox = cropBox.box;
                }
                onPositionChanged: (mouse) => {
                    var p = mapToItem(cropBox, mouse.x, mouse.y);
                    cropBox.box = CropGeometry.resizeBox(startBox, handle.modelData, p.x - start.x, p.y - start.y,
                                                         cropBox.ratio, cropBox.width, cropBox.height);
                }
            }
        }
    }
}
