// The Save sheet: format (JPEG, PNG, WebP), quality, size (Original, 3840,
// 2048, 1080 px) and whether the location is kept. The choice is remembered
// for the next time and for Ctrl+S, which saves with it at once. `ask()`
// opens the sheet on the last choice; Save (choose()) remembers what is shown and
// emits chosen(); Cancel or Escape forget it.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import Qt.labs.settings

Dialog {
    id: sheet

    signal chosen()

    readonly property var formats: [
        { value: "jpeg", label: "JPEG" },
        { value: "png", label: "PNG" },
        { value: "webp", label: "WebP" }
    ]
    readonly property var sizes: [
        { value: 0, label: "Original" },
        { value: 3840, label: "3840" },
        { value: 2048, label: "2048" },
        { value: 1080, label: "1080" }
    ]

    // What the sheet shows (the last choice while it is closed).
    property string format: remembered.format
    property int quality: remembered.quality
    property int longSide: remembered.longSide
    property bool keepLocation: remembered.keepLocation

    // The last choice as tools.exportImageAs takes it after the two paths.
    // JPEG is asked as "", so a picture with transparency still comes out as PNG.
    function exportArguments() {
        return [remembered.format === "jpeg" ? "" : remembered.format, remembered.quality,
                remembered.longSide, remembered.keepLocation];
    }

    function ask() {
        format = remembered.format;
        quality = remembered.quality;
        longSide = remembered.longSide;
        keepLocation = remembered.keepLocation;
        open();
    }

    // Keeps what the sheet shows as the last choice.
    function remember() {
        remembered.format = format;
        remembered.quality = quality;
        remembered.longSide = longSide;
        remembered.keepLocation = keepLocation;
    }

    function choose() {
        remember();
        close();
        chosen();
    }

    Settings {
        id: remembered
        category: "save"
        property string format: "jpeg"
        property int quality: 92
        property int longSide: 0
        property bool keepLocation: true
    }

    parent: Overlay.overlay
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? parent.height - height - 16 : 0
    width: parent ? Math.min(parent.width - 32, 420) : 320
    modal: true
    closePolicy: Popup.CloseOnEscape
    title: "Save"
    Material.theme: Material.Dark
    Overlay.modal: Rectangle { color: "#99000000" }

    ColumnLayout {
        anchors.fill: parent
        spacing: 6

        Label { text: "Format" }
        RowLayout {
            spacing: 4
            Repeater {
                model: sheet.formats
                Button {
                    id: formatButton
                    required property var modelData
                    Layout.fillWidth: true
                    implicitHeight: 44
                    text: modelData.label
                    checkable: true
                    checked: sheet.format === formatButton.modelData.value
                    highlighted: checked
                    Accessible.name: "save as " + modelData.label
                    onClicked: sheet.format = formatButton.modelData.value
                }
            }
        }
        Label {
            Layout.fillWidth: true
            visible: sheet.format === "jpeg"
            wrapMode: Text.Wrap
            font.pixelSize: 12
            opacity: 0.7
            text: "A picture with transparency is saved as PNG."
        }

        Label {
            text: sheet.format === "png" ? "Quality: PNG keeps every pixel" : "Quality: " + sheet.quality
        }
        Slider {
            Layout.fillWidth: true
            implicitHeight: 44
            from: 1
            to: 100
            stepSize: 1
            enabled: sheet.format !== "png"
            value: sheet.quality
            Accessible.name: "quality"
            onMoved: sheet.quality = Math.round(value)
        }

        Label { text: "Size (long side, pixels)" }
        RowLayout {
            spacing: 4
            Repeater {
                model: sheet.sizes
                Button {
                    id: sizeButton
                    required property var modelData
                    Layout.fillWidth: true
                    implicitHeight: 44
                    text: modelData.label
                    checkable: true
                    checked: sheet.longSide === sizeButton.modelData.value
                    highlighted: checked
                    Accessible.name: modelData.value === 0 ? "original size" : "long side " + modelData.value + " pixels"
                    onClicked: sheet.longSide = sizeButton.modelData.value
                }
            }
        }

        Switch {
            implicitHeight: 44
            text: "Keep location"
            checked: sheet.keepLocation
            Accessible.name: "keep where the photo was taken"
            onToggled: sheet.keepLocation = checked
        }
    }

    footer: RowLayout {
        spacing: 8
        Item { implicitWidth: 8 }
        Button {
            text: "Cancel"
            flat: true
            Layout.fillWidth: true
            Layout.bottomMargin: 8
            Accessible.name: "cancel saving"
            onClicked: sheet.close()
        }
        Button {
            objectName: "saveSheetSave"
            text: "Save"
            highlighted: true
            Layout.fillWidth: true
            Layout.bottomMargin: 8
            Accessible.name: "save with these settings"
            onClicked: sheet.choose()
        }
        Item { implicitWidth: 8 }
    }
}
