// The stored size of a picture file (measure(path)), read from its header; the
// pixels are not decoded. `measured` follows on the next turn of the event
// loop, as a decode in the background would.
import QtQuick

QtObject {
    id: probe

    property int pictureWidth: 0
    property int pictureHeight: 0
    readonly property bool known: pictureWidth > 0 && pictureHeight > 0
    property bool failed: false

    signal measured()

    function measure(path) {
        var size = path ? runner.pictureSize(path) : Qt.size(-1, -1);
        pictureWidth = Math.max(0, size.width);
        pictureHeight = Math.max(0, size.height);
        failed = !known;
        Qt.callLater(probe.measured);
    }
}
