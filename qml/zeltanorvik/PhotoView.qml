// The photo in the editor: fitted to the view and decoded no larger than the
// view, zoomed by pinching or the mouse wheel, panned by dragging. `overlay`
// lies exactly over the shown picture, for tools that draw on it.
import QtQuick
import QtQuick.Window
import "WorkingFiles.js" as WorkingFiles

Item {
    id: view

    property string source: ""
    property string compareSource: ""
    property bool comparing: false
    property bool interactive: true
    // Pinch scale from the touch tracker; `pinchBase` is its value when the
    // photo was opened, so every photo opens unzoomed.
    property real pinchScale: 1
    property real pinchBase: 1
    property real wheelScale: 1
    property int revision: 0
    readonly property real zoom: interactive ? Math.max(0.2, Math.min(3.5, pinchScale / pinchBase * wheelScale)) : 1
    readonly property alias overlay: overlayItem
    readonly property alias status: image.status
    readonly property bool hasPicture: image.status === Image.Ready

    function reload() {
        revision = revision + 1;
    }

    function resetView() {
        pinchBase = pinchScale;
        wheelScale = 1;
        holder.panX = 0;
        holder.panY = 0;
    }

    clip: true
    onInteractiveChanged: if (!interactive) { holder.panX = 0; holder.panY = 0; }

    Item {
        id: holder
        property real panX: 0
        property real panY: 0
        width: view.width
        height: view.height
        x: panX
        y: panY
        scale: view.zoom
        transformOrigin: Item.Center

        Image {
            autoTransform: true
            id: image
            anchors.fill: parent
            fillMode: Image.PreserveAspectFit
            asynchronous: false
            cache: false
            smooth: true
            sourceSize: Qt.size(Math.max(1, Math.ceil(view.width * Screen.devicePixelRatio)), // qmllint disable type
                                Math.max(1, Math.ceil(view.height * Screen.devicePixelRatio)))
            source: {
                var path = view.comparing && view.compareSource ? view.compareSource : view.source;
                return path ? WorkingFiles.toUrl(path) + "?v=" + view.revision : "";
            }
            Accessible.role: Accessible.Graphic
            Accessible.name: "photo"

            Item {
                id: overlayItem
                x: (image.width - image.paintedWidth) / 2
                y: (image.height - image.paintedHeight) / 2
                width: image.paintedWidth
                height: image.paintedHeight
            }
        }
    }

    MouseArea {
        anchors.fill: parent
        enabled: view.interactive
        z: -1
        property point last
        onPressed: (mouse) => last = Qt.point(mouse.x, mouse.y)
        onPositionChanged: (mouse) => {
            if (view.zoom <= 1)
                return;
            holder.panX += mouse.x - last.x;
            holder.panY += mouse.y - last.y;
            last = Qt.point(mouse.x, mouse.y);
        }
        onWheel: (wheel) => {
            var step = wheel.angleDelta.y > 0 ? 1.1 : 1 / 1.1;
            view.wheelScale = Math.max(0.2, Math.min(3.5, view.wheelScale * step));
            if (view.zoom <= 1) {
                holder.panX = 0;
                holder.panY = 0;
            }
        }
        onDoubleClicked: view.resetView()
    }
}
