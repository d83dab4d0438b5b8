// The splash: the name and the mark on a dark ground, fading in.
import QtQuick

Rectangle {
    id: splash
    width: 480
    height: 854
    color: "#121212"

    Item {
        id: content
        anchors.centerIn: parent
        width: parent.width
        height: mark.height + title.height + 28

        // The mark: a lens ring around a small sun, drawn with shapes only.
        Item {
            id: mark
            width: 132
            height: 132
            anchors.horizontalCenter: parent.horizontalCenter

            Rectangle {
                anchors.fill: parent
                radius: width / 2
                color: "transparent"
                border.color: "#ffb74d"
                border.width: 10
            }
            Rectangle {
                width: 58
                height: 58
                radius: 29
                x: 26
                y: 26
                color: "#ffb74d"
            }
            Rectangle {
                width: 30
                height: 30
                radius: 15
                x: 74
                y: 74
                color: "#4fc3f7"
            }
        }

        Text {
            id: title
            anchors.top: mark.bottom
            anchors.topMargin: 28
            anchors.horizontalCenter: parent.horizontalCenter
            text: "zeltanorvik"
            color: "#f5f5f5"
            font.pixelSize: 40
            font.letterSpacing: 2
        }

        NumberAnimation on opacity {
            from: 0
            to: 1
            duration: 1200
            easing.type: Easing.OutCubic
        }
    }

    Text {
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 40
        anchors.horizontalCenter: parent.horizontalCenter
        text: "photo editor"
        color: "#9e9e9e"
        font.pixelSize: 18
    }
}
