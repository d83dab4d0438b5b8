// Asked before unsaved edits would be lost (Back, opening another photo,
// closing the window): Save, then go on; Discard the edits and go on; or
// Cancel and stay. `ask(onward)` opens it with what "go on" means.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

Dialog {
    id: prompt

    property var onward: null

    signal saveChosen(var onward)
    signal discardChosen(var onward)

    function ask(then) {
        onward = then;
        open();
    }

    function choose(kind) {
        var then = onward;
        onward = null;
        close();
        if (kind === "save")
            saveChosen(then);
        else if (kind === "discard")
            discardChosen(then);
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: parent ? Math.min(parent.width - 32, 420) : 320
    modal: true
    closePolicy: Popup.CloseOnEscape
    title: "Save your edits?"
    onClosed: onward = null  // closed without a choice (Escape): stay

    contentItem: Label {
        wrapMode: Text.Wrap
        text: "This picture has edits that are not saved yet. They are lost unless you save them."
    }

    footer: RowLayout {
        spacing: 4
        Button {
            text: "Cancel"
            flat: true
            Layout.fillWidth: true
            Accessible.name: "cancel and keep editing"
            onClicked: prompt.choose("cancel")
        }
        Button {
            text: "Discard"
            flat: true
            Layout.fillWidth: true
            Accessible.name: "discard the edits"
            onClicked: prompt.choose("discard")
        }
        Button {
            text: "Save"
            highlighted: true
            Layout.fillWidth: true
            Accessible.name: "save the edits"
            onClicked: prompt.choose("save")
        }
    }
}
