// The short message at the bottom of the screen: what worked, or what failed
// in plain words. Errors stay longer than confirmations.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

Rectangle {
    id: bar

    property string text: ""
    property bool error: false

    function show(message, isError) {
        text = message;
        error = isError === true;
        visible = true;
        hideTimer.interval = error ? 6000 : 3500;
        hideTimer.restart();
    }

    function hide() {
        visible = false;
        hideTimer.stop();
    }

    visible: false
    height: Math.max(48, label.implicitHeight + 24)
    radius: 6
    color: error ? "#b71c1c" : "#323232"
    Accessible.role: Accessible.AlertMessage
    Accessible.name: text

    Label {
        id: label
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.Wrap
        text: bar.text
        color: "#ffffff"
        font.pixelSize: 16
    }

    MouseArea {
        anchors.fill: parent
        onClicked: bar.hide()
    }

    Timer {
        id: hideTimer
        onTriggered: bar.visible = false
    }
}
