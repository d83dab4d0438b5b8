// A small drawing of a collage layout: its cells on the 640 x 896 canvas,
// tilted where the layout tilts them. A button: tapping it chooses the layout.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

AbstractButton {
    id: thumb

    // [x, y, w, h] or [x, y, w, h, tilt] per cell.
    property var cells: []
    readonly property real k: (height - 8) / 896

    implicitWidth: Math.round(640 * k) + 8
    implicitHeight: 72
    checkable: true

    background: Rectangle {
        color: thumb.checked ? Material.accent : "#2a2a2a"
        radius: 4
    }
    contentItem: Item {
        Item {
            x: 4
            y: 4
            width: 640 * thumb.k
            height: 896 * thumb.k
            Rectangle {
                anchors.fill: parent
                color: "#121212"
            }
            Repeater {
                model: thumb.cells
                Rectangle {
                    required property var modelData
                    x: modelData[0] * thumb.k
                    y: modelData[1] * thumb.k
                    width: Math.max(1, modelData[2] * thumb.k)
                    height: Math.max(1, modelData[3] * thumb.k)
                    rotation: modelData.length > 4 ? modelData[4] : 0
                    color: "#9e9e9e"
                    border.color: "#121212"
                    border.width: 1
                }
            }
        }
    }
}
