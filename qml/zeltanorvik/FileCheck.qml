// Whether a picture file exists and decodes: results are checked this way
// before the editor shows them.
import QtQuick
import "WorkingFiles.js" as WorkingFiles

Item {
    id: check
    visible: false

    property int serial: 0

    function readable(path) {
        if (!path)
            return false;
        probe.source = "";
        serial = serial + 1;
        probe.source = WorkingFiles.toUrl(path) + "?check=" + serial;
        var ok = probe.status === Image.Ready;
        probe.source = "";
        return ok;
    }

    Image {
        autoTransform: true
        id: probe
        asynchronous: false
        cache: false
        sourceSize.width: 8
        sourceSize.height: 8
    }
}
