// A labelled amount slider in whole steps (-100..100 by default) that reports
// moves by finger or mouse through changedBy() and the let-go through
// released(); it follows `value` when that is set from outside (a reset).
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

RowLayout {
    id: amount

    property string label: ""
    property int from: -100
    property int to: 100
    property int value: 0

    signal changedBy()
    signal released()

    onValueChanged: if (!slider.pressed) slider.value = value
    Layout.fillWidth: true

    Label {
        text: amount.label
        Layout.preferredWidth: 92
    }
    Slider {
        id: slider
        objectName: "slider"
        Layout.fillWidth: true
        implicitHeight: 44
        from: amount.from
        to: amount.to
        stepSize: 1
        value: amount.value
        Accessible.name: amount.label
        onMoved: {
            amount.value = Math.round(value);
            amount.changedBy();
        }
        onPressedChanged: if (!pressed) amount.released()
    }
    Label {
        text: amount.value
        horizontalAlignment: Text.AlignRight
        Layout.preferredWidth: 36
    }
}
