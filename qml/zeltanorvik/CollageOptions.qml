// The collage's options under the canvas: a hint, the layouts for the photo
// count (or the stitching direction), the shape of a free or stitched
// collage, a template's spacing and corners, the borders, and the patterns or
// the free collage's backgrounds; each choice goes to the page.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "CollageCatalogue.js" as Catalogue
import "CollageGeometry.js" as Geometry

Pane {
    id: options
    // The collage page whose choices this shows and changes.
    required property var composer
    padding: 6
    Material.elevation: 6

    ColumnLayout {
        width: parent.width
        spacing: 4

        Label {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            color: "#bdbdbd"
            font.pixelSize: 12
            wrapMode: Text.Wrap
            text: (options.composer.kind === "free" ? "Drag a photo to move it; wheel or pinch to zoom; right-drag or two fingers to turn."
                                        : "Drag a photo to move it in its cell; wheel or pinch to zoom.")
                  + " Drag \u21c4 onto another photo to swap them."
        }

        // Layouts for the photo count.
        ListView {
            Layout.fillWidth: true
            Layout.preferredHeight: 72
            visible: options.composer.kind !== "stitched"
            orientation: ListView.Horizontal
            spacing: 6
            clip: true
            model: options.composer.kind === "free" ? options.composer.freeLayouts : options.composer.templateLayouts
            delegate: LayoutThumb {
                required property var modelData
                required property int index
                cells: modelData.cells
                checked: options.composer.layoutChoice === index
                Accessible.name: "layout " + (index + 1)
                onClicked: options.composer.choose("layoutChoice", index)
            }
        }

        RowLayout {
            visible: options.composer.kind === "stitched"
            Layout.fillWidth: true
            Repeater {
                model: [{ vertical: true, label: "One below the other" },
                        { vertical: false, label: "Side by side" }]
                Button {
                    required property var modelData
                    text: modelData.label
                    checkable: true
                    checked: options.composer.vertical === modelData.vertical
                    flat: !checked
                    implicitHeight: 48
                    Layout.fillWidth: true
                    Accessible.name: modelData.label
                    onClicked: options.composer.choose("vertical", modelData.vertical)
                }
            }
        }

        // Shapes (free and stitched): the layout's own or a feed's.
        RowLayout {
            visible: options.composer.kind !== "template"
            Layout.fillWidth: true
            spacing: 4
            Repeater {
                model: Geometry.shapes
                Button {
                    required property var modelData
                    text: modelData.label
                    checkable: true
                    checked: options.composer.shape === modelData.name
                    flat: !checked
                    implicitHeight: 40
                    Layout.fillWidth: true
                    objectName: "shape " + modelData.label
                    Accessible.name: "shape " + modelData.label
                    onClicked: options.composer.choose("shape", modelData.name)
                }
            }
        }

        // Spacing and corners (template), as far as the layout allows.
        AmountSlider {
            visible: options.composer.kind === "template"
            label: "Spacing"
            from: 0
            to: Geometry.largestSpacing(options.composer.layoutCells)
            value: options.composer.cellSpacing
            enabled: to > 0
            onChangedBy: options.composer.setSpacing(value)
        }
        AmountSlider {
            visible: options.composer.kind === "template"
            label: "Corners"
            from: 0
            to: Geometry.largestCornerRadius(options.composer.cells)
            value: options.composer.cornerRadius
            enabled: to > 0
            onChangedBy: options.composer.cornerRadius = value
        }

        // Borders (template and stitched).
        ListView {
            Layout.fillWidth: true
            Layout.preferredHeight: 44
            visible: options.composer.kind !== "free"
            orientation: ListView.Horizontal
            spacing: 4
            clip: true
            model: Catalogue.borders
            delegate: Button {
                required property var modelData
                required property int index
                text: modelData.name
                checkable: true
                checked: options.composer.borderChoice === index
                flat: !checked
                implicitHeight: 44
                Accessible.name: "border " + modelData.name
                onClicked: options.composer.choose("borderChoice", index)
            }
        }

        // Patterns (template and stitched) or backgrounds (free).
        ListView {
            Layout.fillWidth: true
            Layout.preferredHeight: 52
            orientation: ListView.Horizontal
            spacing: 6
            clip: true
            model: options.composer.kind === "free" ? Catalogue.backgrounds : Catalogue.patterns
            delegate: AbstractButton {
                id: swatch
                required property var modelData
                required property int index
                readonly property bool chosen: (options.composer.kind === "free" ? options.composer.backgroundChoice : options.composer.patternChoice) === index
                width: 52
                height: 52
                Accessible.name: (options.composer.kind === "free" ? "background " : "pattern ") + modelData.name
                ToolTip.visible: hovered
                ToolTip.text: modelData.name
                ToolTip.delay: 600
                contentItem: Image {
                    source: "qrc" + swatch.modelData.file
                    sourceSize.width: 96
                    sourceSize.height: 96
                    fillMode: Image.PreserveAspectCrop
                    clip: true
                }
                background: Rectangle {
                    color: "transparent"
                    border.width: swatch.chosen ? 3 : 1
                    border.color: swatch.chosen ? Material.accent : "#424242"
                }
                padding: 3
                onClicked: options.composer.choose(options.composer.kind === "free" ? "backgroundChoice" : "patternChoice", index)
            }
        }
    }
}
