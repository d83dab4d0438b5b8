// Over the photo while a photo that takes seconds to decode (a camera raw)
// opens: "Opening IMG_0001.dng… 40 %" and a bar that fills as it develops.
// Back or another photo stops the opening.
import QtQuick
import QtQuick.Controls
import "WorkingFiles.js" as WorkingFiles

Column {
    id: opening

    // The photo being opened ("" when none), and how far its decode has come
    // (-1 before it says).
    property string path: ""
    property int percent: -1

    visible: path !== ""
    spacing: 12
    width: Math.min(360, parent ? parent.width - 48 : 360)

    Label {
        objectName: "openingLabel"
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideMiddle
        text: "Opening " + WorkingFiles.fileName(opening.path) + "\u2026"
              + (opening.percent >= 0 ? " " + opening.percent + "\u00a0%" : "")
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }
    ProgressBar {
        width: parent.width
        from: 0
        to: 100
        value: Math.max(0, opening.percent)
        indeterminate: opening.percent < 0
    }
}
