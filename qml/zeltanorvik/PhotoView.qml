// The photo in the editor: fitted to the view and served by the picture
// provider no larger than the view (a picture the runner has just made comes
// from memory, not from its file), zoomed by pinching or the mouse wheel,
// panned by dragging. `overlay` lies exactly over the shown picture, for
// tools that draw on it. `standIn` (a picture of the same proportions, such as
// the screen-size preview of an Apply still running) is shown instead of the
// photo while it is set; `pictureSerial` counts the pictures shown.
import QtQuick
import QtQuick.Window
import "Display.js" as Display

Item {
    id: view

    property string source: ""
    property string compareSource: ""
    property string standIn: ""
    property int pictureSerial: 0
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
    readonly property size decodeSize: Qt.size(Math.max(1, Math.ceil(width * Screen.devicePixelRatio)),
                                               Math.max(1, Math.ceil(height * Screen.devicePixelRatio)))

    function reload() {
        revision = revision + 1;
    }

    function countPicture() {
        if (image.status === Image.Ready)
            pictureSerial = pictureSerial + 1;
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
            sourceSize: view.decodeSize // qmllint disable type
            source: {
                var path = view.comparing && view.compareSource ? view.compareSource
                         : view.standIn ? view.standIn : view.source;
                return Display.url(path, view.revision);
            }
            // Counted once the new picture has been taken in.
            onSourceChanged: Qt.callLater(view.countPicture) // qmllint disable type
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
