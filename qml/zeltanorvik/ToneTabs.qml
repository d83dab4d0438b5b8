// The Tone tool's tabs: Light (TonePanel), Curves and Colour mixer, each a
// panel of its own; choosing another tab opens its panel in place of this
// one (what was not applied is dropped, as Cancel drops it).
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

RowLayout {
    id: tabs

    property var editor: null
    property string current: ""

    Layout.fillWidth: true
    spacing: 0

    Repeater {
        model: [{ name: "tone", label: "Light" }, { name: "curves", label: "Curves" },
                { name: "mixer", label: "Colour mixer" }]
        TabButton {
            id: tab
            required property var modelData
            Layout.fillWidth: true
            implicitHeight: 44
            text: tab.modelData.label
            checked: tabs.current === tab.modelData.name
            Accessible.name: "tone tab " + tab.modelData.label
            onClicked: if (tabs.current !== tab.modelData.name && tabs.editor) tabs.editor.openToolNamed(tab.modelData.name)
        }
    }
}
