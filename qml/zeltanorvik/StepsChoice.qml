// A question about a photo's steps with two answers ("Continue editing" or
// "Start over", "Edit steps" or "Keep as it is"). `ask(title, text, first,
// second, onFirst, onSecond)` opens it; one of the two must be chosen.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

Dialog {
    id: choice

    property string text: ""
    property string firstLabel: ""
    property string secondLabel: ""
    property var onFirst: null
    property var onSecond: null

    function ask(title, text, first, second, onFirst, onSecond) {
        choice.title = title;
        choice.text = text;
        firstLabel = first;
        secondLabel = second;
        choice.onFirst = onFirst;
        choice.onSecond = onSecond;
        open();
    }

    // 0: the first answer, 1: the second.
    function choose(which) {
        var then = which === 0 ? onFirst : onSecond;
        onFirst = null;
        onSecond = null;
        close();
        if (then)
            then();
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: parent ? Math.min(parent.width - 32, 420) : 320
    modal: true
    closePolicy: Popup.NoAutoClose
    Material.theme: Material.Dark

    contentItem: Label {
        wrapMode: Text.Wrap
        text: choice.text
    }

    footer: RowLayout {
        spacing: 4
        Button {
            objectName: "stepsChoiceSecond"
            text: choice.secondLabel
            flat: true
            Layout.fillWidth: true
            Accessible.name: choice.secondLabel
            onClicked: choice.choose(1)
        }
        Button {
            objectName: "stepsChoiceFirst"
            text: choice.firstLabel
            highlighted: true
            Layout.fillWidth: true
            Accessible.name: choice.firstLabel
            onClicked: choice.choose(0)
        }
    }
}
