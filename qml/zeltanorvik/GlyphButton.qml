// A tool button showing a drawn glyph (a character of the interface font) or a
// short word; at least 44 pixels each way, with an accessible name.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

ToolButton {
    id: button

    property string glyph: ""
    property string name: ""

    implicitWidth: Math.max(48, contentItem.implicitWidth + 16)
    implicitHeight: 48
    text: glyph
    font.pixelSize: glyph.length <= 2 ? 24 : 16
    Accessible.name: name
    // Not while pressed: a button held down (compare) shows what it does
    // under the tooltip's place.
    ToolTip.visible: hovered && !pressed && name.length > 0
    ToolTip.text: name
    ToolTip.delay: 600
}
