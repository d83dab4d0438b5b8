// The stored size of a picture file, found by decoding it once in the
// background (measure(path)); the pixels are let go as soon as the size is
// known.
import QtQuick
import "WorkingFiles.js" as WorkingFiles

Item {
    id: probe

    property int pictureWidth: 0
    property int pictureHeight: 0
    readonly property bool known: pictureWidth > 0 && pictureHeight > 0
    property bool failed: false

    signal measured()

    function measure(path) {
        pictureWidth = 0;
        pictureHeight = 0;
        failed = false;
        decoder.source = "";
        decoder.source = path ? WorkingFiles.toUrl(path) : "";
    }

    visible: false

    Image {
        autoTransform: true
        id: decoder
        asynchronous: true
        cache: false
        onStatusChanged: {
            if (status === Image.Ready) {
                probe.pictureWidth = implicitWidth;
                probe.pictureHeight = implicitHeight;
                source = "";
                probe.measured();
            } else if (status === Image.Error) {
                probe.failed = true;
                source = "";
                probe.measured();
            }
        }
    }
}
