// A tool's result shown over the editor's photo before it is applied: the
// picture fitted to the view like the photo itself, on the editor's
// background, served by the picture provider (from memory when the runner has
// just made it). Created by a panel inside `editor.photo`; the panel destroys
// it when it goes.
import QtQuick
import QtQuick.Controls.Material
import QtQuick.Window
import "Display.js" as Display

Rectangle {
    id: layer

    property string path: ""
    property int serial: 0
    readonly property bool ready: picture.status === Image.Ready
    readonly property alias paintedWidth: picture.paintedWidth
    readonly property alias paintedHeight: picture.paintedHeight

    // The size the picture decodes at, fixed when it is shown: the file may
    // be replaced right after, so the picture must not decode again when the
    // layer changes size.
    property size decodeSize: Qt.size(1, 1)

    // Shows the file at `file` now.
    function show(file) {
        decodeSize = Qt.size(Math.max(1, Math.ceil(width * Screen.devicePixelRatio)),
                             Math.max(1, Math.ceil(height * Screen.devicePixelRatio)));
        path = file;
        serial = serial + 1;
    }

    function clear() {
        path = "";
    }

    anchors.fill: parent
    z: 5
    visible: path !== ""
    color: Material.backgroundColor

    Image {
        autoTransform: true
        id: picture
        anchors.fill: parent
        fillMode: Image.PreserveAspectFit
        asynchronous: false
        cache: false
        smooth: true
        sourceSize: layer.decodeSize // qmllint disable type
        source: Display.url(layer.path, layer.serial)
        Accessible.role: Accessible.Graphic
        Accessible.name: "preview"
    }
}
