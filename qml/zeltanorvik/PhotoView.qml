// The photo in the editor: fitted to the view and served by the picture
// provider no larger than the view (a picture the runner has just made comes
// from memory, not from its file), zoomed by pinching or the mouse wheel,
// panned by dragging. `overlay` lies exactly over the shown picture, for
// tools that draw on it. `standIn` (a picture of the same proportions, such as
// the screen-size preview of an Apply still running) is shown instead of the
// photo while it is set; `pictureSerial` counts the pictures shown.
//
// A picture whose screen copy is not in memory (an undo past the kept copies,
// a photo just opened) is decoded off the GUI thread: two pictures take
// turns, the new one loading unseen while the last one stays on screen.
// Transparent parts show a checkerboard.
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
    // Error when the wanted picture cannot be shown, else the shown one's.
    readonly property int status: failed ? Image.Error : shown.status
    // The wanted picture is on screen (not the one before it, still shown
    // while the wanted one loads).
    readonly property bool hasPicture: !failed && shown.status === Image.Ready && shown.asked === wanted
    readonly property size decodeSize: Qt.size(Math.max(1, Math.ceil(width * Screen.devicePixelRatio)),
                                               Math.max(1, Math.ceil(height * Screen.devicePixelRatio)))

    readonly property string wantedPath: comparing && compareSource ? compareSource : standIn ? standIn : source
    readonly property string wanted: Display.url(wantedPath, revision)
    property bool failed: false
    property int front: 0
    readonly property Picture shown: front === 0 ? pictureA : pictureB
    readonly property Picture loading: front === 0 ? pictureB : pictureA

    onWantedChanged: load()
    onDecodeSizeChanged: load()
    Component.onCompleted: load()

    // The wanted picture goes to the hidden one of the two; at once when its
    // screen copy is in memory (or it is a live preview), else decoded on the
    // picture loader's thread.
    function load() {
        var next = loading;
        if (wanted === "") {
            pictureA.source = "";
            pictureB.source = "";
            pictureA.asked = pictureB.asked = "";
            failed = false;
            return;
        }
        next.asynchronous = !(wantedPath.indexOf("image://") === 0 || runner.hasDisplayCopy(wantedPath, decodeSize));
        next.source = "";
        next.asked = wanted;
        // Set here, not bound: a new size loads a new picture beside the shown one.
        next.sourceSize = decodeSize;
        next.source = wanted;
    }

    function loaded(picture) {
        if (picture !== loading || picture.asked !== wanted)
            return;
        if (picture.status === Image.Ready) {
            failed = false;
            front = front === 0 ? 1 : 0;
            // The picture before goes (its memory with it).
            loading.asked = "";
            loading.source = "";
            pictureSerial = pictureSerial + 1;
        } else if (picture.status === Image.Error) {
            failed = true;
        }
    }

    function reload() {
        revision = revision + 1;
    }

    function resetView() {
        pinchBase = pinchScale;
        wheelScale = 1;
        holder.panX = 0;
        holder.panY = 0;
    }

    component Picture: Image {
        // The address this picture was asked to load.
        property string asked: ""
        anchors.fill: parent
        autoTransform: true
        fillMode: Image.PreserveAspectFit
        cache: false
        smooth: true
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

        // Behind transparent parts of the picture.
        Image {
            objectName: "checkerboard"
            x: overlayItem.x
            y: overlayItem.y
            width: overlayItem.width
            height: overlayItem.height
            visible: view.shown.status === Image.Ready && !view.failed
            source: "checker.png"
            fillMode: Image.Tile
            smooth: false
        }

        Picture {
            id: pictureA
            visible: pictureA === view.shown && !view.failed
            onStatusChanged: view.loaded(pictureA)
            Accessible.role: Accessible.Graphic
            Accessible.name: "photo"
        }
        Picture {
            id: pictureB
            visible: pictureB === view.shown && !view.failed
            onStatusChanged: view.loaded(pictureB)
        }

        Item {
            id: overlayItem
            x: (holder.width - view.shown.paintedWidth) / 2
            y: (holder.height - view.shown.paintedHeight) / 2
            width: view.shown.paintedWidth
            height: view.shown.paintedHeight
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
