// Home: start editing or a collage, or open one of the recent photos; the
// Saved grid shows the saved-pictures folder and follows every save.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "WorkingFiles.js" as WorkingFiles

Page {
    id: home

    property var app: null

    signal openRequested(string path)
    // The Open dialog, which starts in the application's `openFolder`.
    signal browseRequested()
    signal collageRequested()

    header: ToolBar {
        Material.background: "#1e1e1e"
        RowLayout {
            anchors.fill: parent
            Label {
                text: "zeltanorvik"
                font.pixelSize: 20
                leftPadding: 16
                Layout.fillWidth: true
            }
            GlyphButton {
                glyph: "Open\u2026"
                name: "open a file"
                onClicked: home.browseRequested()
            }
        }
    }

    Flickable {
        anchors.fill: parent
        contentHeight: content.height + 32
        clip: true
        ScrollBar.vertical: ScrollBar {}

        Column {
            id: content
            x: 16
            y: 16
            width: parent.width - 32
            spacing: 20

            RowLayout {
                width: parent.width
                spacing: 12
                Button {
                    text: "Edit a photo"
                    highlighted: true
                    Layout.fillWidth: true
                    implicitHeight: 64
                    font.pixelSize: 17
                    Accessible.name: "edit a photo"
                    onClicked: home.browseRequested()
                }
                Button {
                    text: "Make a collage"
                    Layout.fillWidth: true
                    implicitHeight: 64
                    font.pixelSize: 17
                    Accessible.name: "make a collage"
                    onClicked: home.collageRequested()
                }
            }

            PhotoGrid {
                width: parent.width
                title: "Documents"
                folder: home.app ? WorkingFiles.toUrl(home.app.documentRoot) : ""
                onPicked: (path) => home.openRequested(path)
            }
            PhotoGrid {
                width: parent.width
                title: "Pictures"
                folder: home.app ? home.app.picturesFolder : ""
                onPicked: (path) => home.openRequested(path)
            }
            PhotoGrid {
                objectName: "savedGrid"
                width: parent.width
                title: "Saved"
                folder: home.app ? WorkingFiles.toUrl(home.app.savedFolder) : ""
                revision: home.app ? home.app.savedCount : 0
                onPicked: (path) => home.openRequested(path)
            }

            Label {
                width: parent.width
                wrapMode: Text.Wrap
                visible: home.app !== null
                color: home.app && !home.app.documentRoot ? "#ef9a9a" : "#9e9e9e"
                text: !home.app ? ""
                      : !home.app.documentRoot ? home.app.noDocumentRootMessage
                      : "Photos in " + home.app.documentRoot + " and your Pictures folder show here. "
                        + "Saved pictures go to " + home.app.savedFolder + "."
            }
        }
    }
}
