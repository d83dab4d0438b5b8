// The most recent photos of one folder as a grid of thumbnails; a tap opens one
// (while `selecting`, a tap chooses it or lets it go instead: `toggled`, and
// the chosen ones, `selected`, show a mark).
// No folder, no grid (the list never falls back to the current folder); a
// change of `revision` makes it read the folder again.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Window
import Qt.labs.folderlistmodel
import "PhotoFormats.js" as PhotoFormats
import "WorkingFiles.js" as WorkingFiles

Column {
    id: grid

    property string title: ""
    property string folder: ""
    // Three columns on a phone; a big window gets as many as fit, two rows of them.
    property int columns: Math.max(3, Math.floor((width + 6) / 166))
    property int limit: columns > 3 ? columns * 2 : 9
    property int revision: 0
    property bool selecting: false
    property var selected: []
    // The model's own count is not always announced when it changes; the
    // Repeater's is. A model made with a folder that does not exist lists
    // the current folder instead: such a list counts as nothing (all its
    // entries share one folder, so the first one tells).
    readonly property int count: thumbnails.count > 0 && grid.asked(photos.get(0, "filePath")) ? thumbnails.count : 0

    signal picked(string path)
    signal toggled(string path)

    spacing: 8
    visible: count > 0

    // The same folder named with and without its final "/", alternately: the
    // model reads a folder again only when it is given a different name.
    function folderName() {
        var f = grid.folder.replace(/\/+$/, "");
        return grid.revision % 2 === 0 ? f + "/" : f;
    }

    // Whether `path` lies in the folder asked for.
    function asked(path) {
        var file = String(path);
        var folder = WorkingFiles.toPath(grid.folder).replace(/\/+$/, "");
        return folder !== "" && file.substring(0, file.lastIndexOf("/")) === folder;
    }

    FolderListModel {
        id: photos
        // Without a folder the model would list the current one: give it a
        // folder that does not exist instead, which lists nothing.
        folder: grid.folder !== "" ? grid.folderName() : "file:///nonexistent/"
        nameFilters: PhotoFormats.namePatterns()
        showDirs: false
        showHidden: false
        sortField: FolderListModel.Time
    }

    Label {
        text: grid.title
        font.pixelSize: 16
        color: Material.accent
    }

    Flow {
        width: parent.width
        spacing: 6

        Repeater {
            id: thumbnails
            model: grid.folder !== "" ? photos : null
            delegate: Item {
                id: photoCell
                required property int index
                required property string filePath
                required property string fileName
                readonly property real side: (grid.width - (grid.columns - 1) * 6) / grid.columns
                visible: index < grid.limit && grid.count > 0
                width: visible ? side : 0
                height: visible ? side : 0

                Rectangle {
                    anchors.fill: parent
                    color: "#2a2a2a"
                    radius: 4
                }
                Image {
                    autoTransform: true
                    anchors.fill: parent
                    asynchronous: true
                    fillMode: Image.PreserveAspectCrop
                    // Device pixels: sharp at any scale.
                    sourceSize.width: Math.ceil(parent.side * Screen.devicePixelRatio)
                    sourceSize.height: Math.ceil(parent.side * Screen.devicePixelRatio)
                    source: visible ? PhotoFormats.address(photoCell.filePath) : ""
                    clip: true
                }
                readonly property bool chosen: grid.selecting && grid.selected.indexOf(filePath) >= 0
                Rectangle {
                    anchors.fill: parent
                    visible: photoCell.chosen
                    color: "#40ffb74d"
                    border.color: Material.accent
                    border.width: 3
                    radius: 4
                    Label {
                        anchors.top: parent.top
                        anchors.right: parent.right
                        anchors.margins: 6
                        text: "\u2713"
                        font.pixelSize: 20
                        font.bold: true
                        color: Material.accent
                    }
                }
                MouseArea {
                    anchors.fill: parent
                    Accessible.role: grid.selecting ? Accessible.CheckBox : Accessible.Button
                    Accessible.name: (grid.selecting ? "choose " : "open ") + photoCell.fileName
                    Accessible.checked: photoCell.chosen
                    onClicked: {
                        if (grid.selecting)
                            grid.toggled(photoCell.filePath);
                        else
                            grid.picked(photoCell.filePath);
                    }
                }
            }
        }
    }
}
