// A question about a photo's steps with two answers ("Continue editing" or
// "Start over", "Edit steps" or "Keep as it is"). `ask(title, text, first,
// second, onFirst, onSecond)` opens it; one of the two must be chosen.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import QtQuick.Window

Dialog {
    id: choice

    property string text: ""
    property string firstLabel: ""
    property string secondLabel: ""
    property var onFirst: null
    property var onSecond: null
    // An item of the page asking: the question waits until it is in a window.
    property Item host: null

    function ask(title, text, first, second, onFirst, onSecond) {
        choice.title = title;
        choice.text = text;
        firstLabel = first;
        secondLabel = second;
        choice.onFirst = onFirst;
        choice.onSecond = onSecond;
        show();
    }

    // A photo given at start opens before the window is there to show the
    // question in: it waits for it.
    function show() {
        if (host && host.Window.window)
            open();
        else
            waitForWindow.start();
    }

    Timer {
        id: waitForWindow
        interval: 50
        onTriggered: choice.show()
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
    // A popup does not take the page's colours by itself.
    Material.theme: Material.Dark
    Material.accent: host ? host.Material.accent : "#ffb74d"
    Overlay.modal: Rectangle { color: "#99000000" }

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
