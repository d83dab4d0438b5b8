// The collage as it is composed: the background the engine made, each photo
// in its cell (template and stitched) or where it lies (free), fitted to the
// space it is given, in the collage's own pixels. Touches select, move, zoom
// and turn photos, and a swap handle on the selected photo drags it onto
// another; every change goes through the view.composer.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import "CollageGeometry.js" as Geometry
import "WorkingFiles.js" as WorkingFiles
import "PhotoFormats.js" as PhotoFormats

Item {
    id: view
    // The collage page whose state this shows and changes.
    required property var composer
    clip: true
    readonly property real fit: Math.min((width - 16) / view.composer.canvasSize.width,
                                         (height - 16) / view.composer.canvasSize.height)

    MouseArea {
        anchors.fill: parent
        onClicked: view.composer.selected = -1
    }

    Item {
        id: canvas
        objectName: "collageCanvas"
        width: view.composer.canvasSize.width
        height: view.composer.canvasSize.height
        scale: view.fit > 0 ? view.fit : 1
        transformOrigin: Item.TopLeft
        x: (view.width - width * scale) / 2
        y: (view.height - height * scale) / 2
        visible: view.composer.backgroundFile !== ""

        Image {
            autoTransform: true
            anchors.fill: parent
            source: view.composer.backgroundFile ? WorkingFiles.toUrl(view.composer.backgroundFile) + "?v=" + view.composer.revision : ""
            cache: false
            smooth: true
        }

        // Template and stitched: each photo inside its cell.
        Repeater {
            model: view.composer.kind !== "free" && view.composer.placements.length === view.composer.cells.length
                   && view.composer.sizes.length === view.composer.cells.length ? view.composer.cells.length : 0
            Item {
                id: cellItem
                required property int index
                readonly property var cell: view.composer.cells[index]
                readonly property var size: view.composer.sizes[index]
                readonly property var shown: Geometry.cellPlacement(cell, size.width, size.height,
                                                                    view.composer.placements[index].zoom,
                                                                    view.composer.placements[index].ox,
                                                                    view.composer.placements[index].oy)
                x: cell.x
                y: cell.y
                width: cell.w
                height: cell.h
                clip: true

                // The photo cut to its cell, its corners rounded as Save
                // rounds them.
                Item {
                    anchors.fill: parent
                    clip: true
                    layer.enabled: view.composer.kind === "template" && view.composer.cornerRadius > 0
                    layer.effect: ShaderEffect {
                        readonly property size size: Qt.size(width, height)
                        readonly property real radius: Math.min(view.composer.cornerRadius, cellItem.width / 2,
                                                                cellItem.height / 2)
                        fragmentShader: "qrc:/shaders/roundedcorners.frag.qsb"
                    }

                    Image {
                        autoTransform: true
                        x: -cellItem.shown.copyx
                        y: -cellItem.shown.copyy
                        width: cellItem.shown.decoded.width
                        height: cellItem.shown.decoded.height
                        asynchronous: true
                        smooth: true
                        sourceSize.width: 1280
                        sourceSize.height: 1280
                        source: PhotoFormats.address(view.composer.photos[cellItem.index])
                    }
                }
                Rectangle {
                    anchors.fill: parent
                    color: "transparent"
                    border.color: Material.accent
                    border.width: 3 / canvas.scale
                    visible: view.composer.selected === cellItem.index
                }
                Rectangle {
                    anchors.fill: parent
                    color: "#40ffffff"
                    border.color: Material.accent
                    border.width: 6 / canvas.scale
                    visible: view.composer.swapTarget === cellItem.index
                }
                GestureArea {
                    anchors.fill: parent
                    reference: canvas
                    active: view.composer.selected === cellItem.index
                    pinchScale: view.composer.app ? view.composer.app.pinchScale : 1
                    Accessible.role: Accessible.Graphic
                    Accessible.name: "photo " + (cellItem.index + 1) + ": drag to move, wheel to zoom"
                    onTouched: view.composer.selected = cellItem.index
                    onMoved: (dx, dy) => view.composer.moveBy(cellItem.index, dx, dy)
                    onZoomed: (factor) => view.composer.zoomBy(cellItem.index, factor)
                }
                SwapHandle {
                    photoIndex: cellItem.index
                }
            }
        }

        // Free: each photo where it lies, turned.
        Repeater {
            model: view.composer.kind === "free" && view.composer.placements.length === view.composer.cells.length
                   && view.composer.sizes.length === view.composer.cells.length ? view.composer.cells.length : 0
            Item {
                id: freeItem
                objectName: "freePhoto" + index
                required property int index
                readonly property var place: view.composer.placements[index]
                readonly property var size: view.composer.sizes[index]
                // From the placement alone: a binding on the item's own size
                // could keep a value of the kind shown before.
                width: place.shown
                height: place.shown * size.height / size.width
                x: place.cx - place.shown / 2
                y: place.cy - place.shown * size.height / size.width / 2
                rotation: place.degree
                z: view.composer.selected === index ? 1 : 0

                Image {
                    autoTransform: true
                    anchors.fill: parent
                    asynchronous: true
                    smooth: true
                    sourceSize.width: 1280
                    sourceSize.height: 1280
                    source: PhotoFormats.address(view.composer.photos[freeItem.index])
                }
                Rectangle {
                    anchors.fill: parent
                    anchors.margins: -border.width
                    color: "transparent"
                    border.color: Material.accent
                    border.width: 3 / canvas.scale
                    visible: view.composer.selected === freeItem.index
                }
                GestureArea {
                    anchors.fill: parent
                    reference: canvas
                    centre: Qt.point(freeItem.place.cx, freeItem.place.cy)
                    active: view.composer.selected === freeItem.index
                    pinchScale: view.composer.app ? view.composer.app.pinchScale : 1
                    Accessible.role: Accessible.Graphic
                    Accessible.name: "photo " + (freeItem.index + 1)
                                     + ": drag to move, wheel to zoom, right-drag to turn"
                    onTouched: view.composer.selected = freeItem.index
                    onMoved: (dx, dy) => view.composer.moveBy(freeItem.index, dx, dy)
                    onZoomed: (factor) => view.composer.zoomBy(freeItem.index, factor)
                    onTurned: (degrees) => view.composer.turnBy(freeItem.index, degrees)
                }
                Rectangle {
                    anchors.fill: parent
                    color: "#40ffffff"
                    visible: view.composer.swapTarget === freeItem.index
                }
                SwapHandle {
                    photoIndex: freeItem.index
                }
            }
        }
    }

    Column {
        anchors.centerIn: parent
        spacing: 8
        visible: view.composer.measuring
        BusyIndicator {
            anchors.horizontalCenter: parent.horizontalCenter
            running: view.composer.measuring
        }
        Label {
            text: "Reading the photos\u2026"
        }
    }


    // On the selected photo: drag it onto another photo to exchange the two.
    component SwapHandle: Rectangle {
        id: handle
        required property int photoIndex
        readonly property real side: 44 / canvas.scale
        width: side
        height: side
        radius: side / 2
        x: side * 0.2
        y: side * 0.2
        z: 3
        color: dragArea.pressed ? Material.accent : "#c0212121"
        border.color: "#ffffff"
        border.width: 2 / canvas.scale
        visible: view.composer.selected === photoIndex
        Label {
            anchors.centerIn: parent
            text: "\u21c4"
            color: "#ffffff"
            font.pixelSize: Math.max(1, 24 / canvas.scale)
        }
        MouseArea {
            id: dragArea
            anchors.fill: parent
            preventStealing: true
            cursorShape: Qt.DragMoveCursor
            Accessible.role: Accessible.Button
            Accessible.name: "swap photo " + (handle.photoIndex + 1) + ": drag onto another photo"
            function target(mouse) {
                var p = mapToItem(canvas, mouse.x, mouse.y);
                var at = view.composer.photoAt(p.x, p.y);
                return at === handle.photoIndex ? -1 : at;
            }
            onPositionChanged: (mouse) => view.composer.swapTarget = target(mouse)
            onReleased: (mouse) => {
                var at = target(mouse);
                view.composer.swapTarget = -1;
                if (at >= 0)
                    view.composer.swapPhotos(handle.photoIndex, at);
            }
            onCanceled: view.composer.swapTarget = -1
        }
    }
}
