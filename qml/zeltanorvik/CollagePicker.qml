// Choosing the photos of a collage: the pictures of one folder at a time
// (documents, Pictures, saved) as a grid with check marks, in the order they
// were chosen, plus "Add files…" for pictures elsewhere.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Dialogs
import QtQuick.Layouts
import QtQuick.Window
import Qt.labs.folderlistmodel
import "WorkingFiles.js" as WorkingFiles
import "PhotoFormats.js" as PhotoFormats

Item {
    id: picker

    property var app: null
    // The chosen photos (plain paths), in the order they were chosen.
    property var chosen: []
    property int maximum: 9
    property string folder: app ? WorkingFiles.toUrl(app.documentRoot) : ""

    function toggle(path) {
        var list = chosen.slice();
        var at = list.indexOf(path);
        if (at >= 0)
            list.splice(at, 1);
        else if (list.length < maximum)
            list.push(path);
        else
            return false;
        chosen = list;
        return true;
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 8
        spacing: 6

        RowLayout {
            Layout.fillWidth: true
            spacing: 4
            Repeater {
                model: picker.app ? [
                    { label: "Documents", url: WorkingFiles.toUrl(picker.app.documentRoot) },
                    { label: "Pictures", url: picker.app.picturesFolder },
                    { label: "Saved", url: WorkingFiles.toUrl(picker.app.savedFolder) }
                ] : []
                Button {
                    required property var modelData
                    text: modelData.label
                    checkable: true
                    checked: picker.folder === modelData.url
                    flat: !checked
                    implicitHeight: 48
                    Layout.fillWidth: true
                    enabled: modelData.url !== ""
                    Accessible.name: "show " + modelData.label
                    onClicked: picker.folder = modelData.url
                }
            }
            Button {
                text: "Add files\u2026"
                implicitHeight: 48
                Accessible.name: "add photos from files"
                onClicked: fileDialog.open()
            }
        }

        GridView {
            id: grid
            objectName: "pickerGrid"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            // Four to a row on a phone, more on a big screen.
            cellWidth: Math.floor(width / Math.max(4, Math.round(width / 160)))
            cellHeight: cellWidth
            // With no folder the model would list the current one.
            model: picker.folder !== "" ? photos : null
            FolderListModel {
                id: photos
                folder: picker.folder !== "" ? picker.folder : "file:///nonexistent/"
                nameFilters: PhotoFormats.namePatterns()
                showDirs: false
                sortField: FolderListModel.Time
            }
            ScrollBar.vertical: ScrollBar {}

            delegate: Item {
                id: photoTile
                required property string filePath
                required property string fileName
                readonly property int order: picker.chosen.indexOf(filePath)
                width: grid.cellWidth
                height: grid.cellHeight

                Rectangle {
                    anchors.fill: parent
                    anchors.margins: 3
                    color: "#2a2a2a"
                    radius: 4
                    border.width: parent.order >= 0 ? 3 : 0
                    border.color: Material.accent
                    Image {
                        autoTransform: true
                        anchors.fill: parent
                        anchors.margins: parent.border.width
                        asynchronous: true
                        fillMode: Image.PreserveAspectCrop
                        // Decoded at device pixels, so thumbnails stay sharp at any scale.
                        sourceSize.width: Math.ceil(width * Screen.devicePixelRatio)
                        sourceSize.height: Math.ceil(height * Screen.devicePixelRatio)
                        source: PhotoFormats.address(photoTile.filePath)
                        clip: true
                    }
                    Rectangle {
                        visible: photoTile.order >= 0
                        anchors.right: parent.right
                        anchors.top: parent.top
                        anchors.margins: 6
                        width: 26
                        height: 26
                        radius: 13
                        color: Material.accent
                        Label {
                            anchors.centerIn: parent
                            text: photoTile.order + 1
                            color: "black"
                            font.bold: true
                        }
                    }
                }
                MouseArea {
                    anchors.fill: parent
                    Accessible.role: Accessible.CheckBox
                    Accessible.name: (parent.order >= 0 ? "unselect " : "select ") + photoTile.fileName
                    onClicked: {
                        if (!picker.toggle(photoTile.filePath) && picker.app)
                            picker.app.showMessage("A collage holds at most " + picker.maximum + " photos.");
                    }
                }
            }

            Label {
                objectName: "noPhotosLabel"
                anchors.centerIn: parent
                width: parent.width - 32
                // The view's count: the model's own is not always announced.
                visible: grid.count === 0
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                color: "#9e9e9e"
                text: "No photos in this folder. Try another one, or add files."
            }
        }
    }

    FileDialog {
        id: fileDialog
        title: "Add photos to the collage"
        fileMode: FileDialog.OpenFiles
        parentWindow: picker.Window.window
        nameFilters: [PhotoFormats.dialogFilter(), "All files (*)"]
        onAccepted: {
            for (var i = 0; i < selectedFiles.length; ++i) {
                var path = WorkingFiles.toPath(selectedFiles[i]);
                if (picker.chosen.indexOf(path) < 0 && !picker.toggle(path))
                    break;
            }
        }
    }
}
