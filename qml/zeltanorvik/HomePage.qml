// Home: start editing or a collage, or open one of the recent photos; the
// Saved grid shows the saved-pictures folder and follows every save. Select
// chooses several photos for "Apply steps" (StepsBatch.qml).
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "WorkingFiles.js" as WorkingFiles

Page {
    id: home
    objectName: "home"

    property var app: null

    signal openRequested(string path)
    // The Open dialog, which starts in the application's `openFolder`.
    signal browseRequested()
    signal collageRequested()

    // Choosing photos for Apply steps: the chosen ones, in the order chosen.
    property bool selecting: false
    property var selection: []
    readonly property alias batch: stepsBatch

    function toggle(path) {
        var chosen = selection.slice();
        var at = chosen.indexOf(path);
        if (at >= 0)
            chosen.splice(at, 1);
        else
            chosen.push(path);
        selection = chosen;
    }

    function endSelecting() {
        selecting = false;
        selection = [];
    }

    StepsBatch {
        id: stepsBatch
        app: home.app
        onFinished: home.endSelecting()
    }

    footer: ToolBar {
        visible: home.selecting
        Material.background: "#1e1e1e"
        RowLayout {
            anchors.fill: parent
            Label {
                objectName: "selectionCount"
                leftPadding: 16
                Layout.fillWidth: true
                text: home.selection.length === 0 ? "Choose photos"
                      : home.selection.length === 1 ? "1 photo chosen" : home.selection.length + " photos chosen"
            }
            Button {
                objectName: "applyStepsButton"
                text: "Apply steps"
                highlighted: true
                enabled: home.selection.length > 0 && !stepsBatch.running
                Layout.rightMargin: 8
                Accessible.name: "apply steps to the chosen photos"
                onClicked: applyMenu.popup()
                Menu {
                    id: applyMenu
                    // A popup does not take the page's colours by itself.
                    Material.theme: Material.Dark
                    MenuItem {
                        text: "Copied steps"
                        onTriggered: stepsBatch.applyCopied(home.selection)
                    }
                    MenuItem {
                        text: "A steps file\u2026"
                        onTriggered: stepsBatch.chooseFile(home.selection)
                    }
                }
            }
        }
    }

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
            GlyphButton {
                objectName: "selectButton"
                glyph: home.selecting ? "Done" : "Select"
                name: home.selecting ? "stop choosing photos" : "choose photos to apply steps to"
                onClicked: home.selecting ? home.endSelecting() : (home.selecting = true)
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
                selecting: home.selecting
                selected: home.selection
                onToggled: (path) => home.toggle(path)
                folder: home.app ? WorkingFiles.toUrl(home.app.documentRoot) : ""
                onPicked: (path) => home.openRequested(path)
            }
            PhotoGrid {
                width: parent.width
                title: "Pictures"
                selecting: home.selecting
                selected: home.selection
                onToggled: (path) => home.toggle(path)
                folder: home.app ? home.app.picturesFolder : ""
                onPicked: (path) => home.openRequested(path)
            }
            PhotoGrid {
                objectName: "savedGrid"
                width: parent.width
                title: "Saved"
                selecting: home.selecting
                selected: home.selection
                onToggled: (path) => home.toggle(path)
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
