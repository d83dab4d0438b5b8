// Collages: choose 2 to 9 photos, then a kind (template, free or stitched)
// and its layout, border, pattern or background; drag and zoom each photo in
// its cell (free photos also turn); Save renders the collage at full size and
// opens it in the editor.
//
// Start options (for demonstrations and scripts): --collage-photos A,B,...
// chooses the photos and goes straight to composing, --collage-kind
// template|free|stitched picks the kind, --collage-save saves when ready.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "CollageCatalogue.js" as Catalogue
import "CollageGeometry.js" as Geometry
import "WorkingFiles.js" as WorkingFiles

Page {
    id: page

    property var app: null

    // --- what the user chose --------------------------------------------
    property var photos: []          // plain paths
    property var sizes: []           // stored size of each photo
    property string kind: "template"
    property int layoutChoice: 0     // within the layouts for the photo count
    property int borderChoice: 1
    property int patternChoice: 0
    property int backgroundChoice: 0
    property bool vertical: true

    // --- what the engine made -------------------------------------------
    property string backgroundFile: ""   // working file of the current background
    property int revision: 0
    property size canvasSize: Qt.size(640, 896)
    property var cells: []           // { x, y, w, h, degree } in collage pixels
    // Cell kinds: { zoom, ox, oy }; free: { cx, cy, shown, degree }.
    property var placements: []
    property int selected: -1

    property bool composing: false
    property bool measuring: false
    property bool saveWhenReady: false
    readonly property bool ready: composing && !measuring && backgroundFile !== "" && cells.length === photos.length

    readonly property var templateLayouts: layoutsFor(Catalogue.templateLayouts, photos.length)
    readonly property var freeLayouts: layoutsFor(Catalogue.freeLayouts, photos.length)

    function layoutsFor(all, count) {
        var list = [];
        for (var i = 0; i < all.length; ++i)
            if (all[i].photos === count)
                list.push(all[i]);
        return list;
    }

    function fail(message) {
        if (app)
            app.showError(message);
    }

    function run(label, fn) {
        if (app)
            app.runBusy(label, fn);
        else
            fn();
    }

    // --- photo sizes ------------------------------------------------------

    // The stored size of every photo, each decoded once in the background.
    function measure() {
        measuring = true;
        sizes = [];
        sizeProbe.next = 0;
        sizeProbe.source = WorkingFiles.toUrl(photos[0]);
    }

    function measured(ok, width, height) {
        if (!ok) {
            measuring = false;
            composing = false;
            fail("This photo cannot be read: " + WorkingFiles.fileName(photos[sizeProbe.next]));
            return;
        }
        var list = sizes.slice();
        list.push({ width: width, height: height });
        sizes = list;
        sizeProbe.next += 1;
        if (sizeProbe.next < photos.length) {
            sizeProbe.source = WorkingFiles.toUrl(photos[sizeProbe.next]);
        } else {
            measuring = false;
            rebuild();
        }
    }

    // --- building the background and the cells ----------------------------

    function startComposing() {
        if (photos.length < 2 || photos.length > 9) {
            fail("Choose between 2 and 9 photos.");
            return;
        }
        composing = true;
        layoutChoice = 0;
        measure();
    }

    function choose(property, value) {
        page[property] = value;
        rebuild();
    }

    function pictureSize(url) {
        backgroundProbe.source = "";
        backgroundProbe.source = url;
        var size = Qt.size(backgroundProbe.implicitWidth, backgroundProbe.implicitHeight);
        backgroundProbe.source = "";
        return size;
    }

    function readCells() {
        var list = [];
        var n = communication.imageRectCount();
        for (var i = 0; i < n; ++i) {
            var r = communication.getImageRect(i);
            list.push({ x: r.getx(), y: r.gety(), w: r.getwidth(), h: r.getheight(), degree: r.getDegree() });
        }
        return list;
    }

    function rebuild() {
        if (!composing || measuring)
            return;
        run("Preparing the collage", function() {
            var path = "";
            var list = [];
            if (kind === "template") {
                var layout = templateLayouts[Math.min(layoutChoice, templateLayouts.length - 1)];
                path = communication.getTemplateRule(layout.file, Catalogue.borders[borderChoice].file,
                                                     Catalogue.patterns[patternChoice].file);
                list = readCells();
            } else if (kind === "free") {
                var free = freeLayouts[Math.min(layoutChoice, freeLayouts.length - 1)];
                communication.clearPaintImageList();
                for (var i = 0; i < photos.length; ++i)
                    communication.addPaintImage(photos[i]);
                if (!communication.getMixRule(free.file)) {
                    fail("This free layout cannot be read.");
                    return;
                }
                communication.clearPaintImageList();
                list = readCells();
                var bg = Catalogue.backgrounds[backgroundChoice].file;
                var bgSize = pictureSize("qrc" + bg);
                var zoom = Math.max(640 / bgSize.width, 896 / bgSize.height);
                path = communication.revolvFreeBgImage(bg, zoom, 640, 896);
            } else {
                var length = Geometry.stitchLength(sizes, vertical, 640, 8000);
                var strip = Geometry.stitchCells(sizes, vertical, length);
                path = communication.getStitchingRule(Catalogue.borders[borderChoice].file,
                                                      Catalogue.patterns[patternChoice].file, strip.width,
                                                      strip.height);
                var full = pictureSize(WorkingFiles.toUrl(path) + "?size=" + (revision + 1));
                var left = Math.floor((full.width - strip.width) / 2);
                var top = Math.floor((full.height - strip.height) / 2);
                for (var c = 0; c < strip.cells.length; ++c) {
                    var cell = strip.cells[c];
                    list.push({ x: cell.x + left, y: cell.y + top, w: cell.w, h: cell.h, degree: 0 });
                }
            }
            if (!path || !app.fileCheck.readable(path)) {
                backgroundFile = "";
                fail("The collage background could not be made.");
                return;
            }
            if (list.length !== photos.length) {
                fail("This layout does not fit " + photos.length + " photos.");
                return;
            }
            revision += 1;
            canvasSize = pictureSize(WorkingFiles.toUrl(path) + "?size=" + revision);
            backgroundFile = path;
            cells = list;
            resetPlacements();
            if (saveWhenReady) {
                saveWhenReady = false;
                Qt.callLater(save);
            }
        });
    }

    function resetPlacements() {
        var list = [];
        for (var i = 0; i < cells.length; ++i) {
            var c = cells[i];
            var s = sizes[i];
            if (kind === "free") {
                list.push({ cx: c.x + c.w / 2, cy: c.y + c.h / 2, shown: c.w, degree: c.degree });
            } else {
                var p = Geometry.cellPlacement(c, s.width, s.height, 1, 0, 0);
                list.push({ zoom: 1, ox: (p.decoded.width - c.w) / 2, oy: (p.decoded.height - c.h) / 2 });
            }
        }
        placements = list;
        selected = -1;
    }

    // --- moving, zooming, turning -------------------------------------------

    function update(index, change) {
        var list = placements.slice();
        var p = Object.assign({}, list[index]);
        change(p, cells[index], sizes[index]);
        list[index] = p;
        placements = list;
    }

    function moveBy(index, dx, dy) {
        update(index, function(p, c, s) {
            if (kind === "free") {
                p.cx = Math.max(0, Math.min(canvasSize.width, p.cx + dx));
                p.cy = Math.max(0, Math.min(canvasSize.height, p.cy + dy));
            } else {
                var shown = Geometry.cellPlacement(c, s.width, s.height, p.zoom, p.ox - dx, p.oy - dy);
                p.ox = shown.copyx;
                p.oy = shown.copyy;
            }
        });
    }

    function zoomBy(index, factor) {
        update(index, function(p, c, s) {
            if (kind === "free") {
                p.shown = Math.max(48, Math.min(1200, p.shown * factor));
            } else {
                var before = Geometry.cellPlacement(c, s.width, s.height, p.zoom, p.ox, p.oy);
                p.zoom = Math.max(1, Math.min(6, p.zoom * factor));
                var after = Geometry.cellPlacement(c, s.width, s.height, p.zoom, 0, 0);
                // Zoom about the cell's centre.
                var ratio = after.decoded.width / before.decoded.width;
                var placed = Geometry.cellPlacement(c, s.width, s.height, p.zoom,
                                                    (before.copyx + c.w / 2) * ratio - c.w / 2,
                                                    (before.copyy + c.h / 2) * ratio - c.h / 2);
                p.ox = placed.copyx;
                p.oy = placed.copyy;
            }
        });
    }

    function turnBy(index, degrees) {
        if (kind !== "free")
            return;
        update(index, function(p) { p.degree = p.degree + degrees; });
    }

    // --- saving ---------------------------------------------------------------

    // The addPaintImage arguments of every photo.
    function placementArguments() {
        var list = [];
        for (var i = 0; i < photos.length; ++i) {
            var p = placements[i];
            var s = sizes[i];
            if (kind === "free") {
                var f = Geometry.freePlacement(s.width, s.height, p.shown, p.cx, p.cy, p.degree);
                list.push([photos[i], f.posx, f.posy, 0, 0, 0, 0, f.degree, false, false, f.scale]);
            } else {
                var c = Geometry.cellPlacement(cells[i], s.width, s.height, p.zoom, p.ox, p.oy);
                list.push([photos[i], c.posx, c.posy, c.width, c.height, c.copyx, c.copyy, 0, false, false, c.scale]);
            }
        }
        return list;
    }

    function save() {
        if (!ready)
            return;
        var args = placementArguments();
        var bg = backgroundFile;
        run("Making the collage", function() {
            communication.clearPaintImageList();
            for (var i = 0; i < args.length; ++i) {
                var a = args[i];
                communication.addPaintImage(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10]);
            }
            var result = kind === "free" ? communication.savePuzzleFree(bg)
                       : kind === "template" ? communication.savePuzzleTemplate(bg)
                       : communication.savePuzzleStitching(bg);
            if (!result || !app.fileCheck.readable(result)) {
                fail("The collage could not be made.");
                return;
            }
            Qt.callLater(function() { app.openPhoto(result); });
        });
    }

    Component.onCompleted: {
        var args = Array.from(Qt.application.arguments);
        var at = args.indexOf("--collage-kind");
        if (at >= 0 && at + 1 < args.length && ["template", "free", "stitched"].indexOf(args[at + 1]) >= 0) // qmllint disable type
            kind = args[at + 1];
        saveWhenReady = args.indexOf("--collage-save") >= 0;
        at = args.indexOf("--collage-photos");
        if (at >= 0 && at + 1 < args.length) {
            picker.chosen = args[at + 1].split(",").filter(function(p) { return p.length > 0; }).slice(0, 9);
            photos = picker.chosen;
            startComposing();
        }
    }

    focus: true
    Keys.onEscapePressed: backButton.clicked()
    Shortcut {
        sequence: "Ctrl+S"
        enabled: page.visible && page.ready
        onActivated: page.save()
    }

    // --- probes -----------------------------------------------------------------

    Image {
        autoTransform: true
        id: sizeProbe
        property int next: 0
        visible: false
        asynchronous: true
        cache: false
        onStatusChanged: {
            if (status === Image.Ready) {
                var w = implicitWidth, h = implicitHeight;
                source = "";
                page.measured(true, w, h);
            } else if (status === Image.Error) {
                source = "";
                page.measured(false, 0, 0);
            }
        }
    }

    Image {
        autoTransform: true
        id: backgroundProbe
        visible: false
        asynchronous: false
        cache: false
    }

    // --- the screen ---------------------------------------------------------------

    header: ToolBar {
        Material.background: "#1e1e1e"
        RowLayout {
            anchors.fill: parent
            GlyphButton {
                id: backButton
                glyph: "\u2039"
                name: page.composing ? "back to the photos" : "back to home"
                onClicked: {
                    if (page.composing) {
                        page.composing = false;
                        page.backgroundFile = "";
                    } else if (page.StackView.view) {
                        page.StackView.view.pop();
                    }
                }
            }
            Label {
                text: page.composing ? "Collage of " + page.photos.length + " photos"
                                     : "Choose 2 to 9 photos (" + picker.chosen.length + " chosen)"
                font.pixelSize: 17
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            GlyphButton {
                visible: !page.composing
                glyph: "Next"
                name: "compose the collage"
                enabled: picker.chosen.length >= 2
                onClicked: {
                    page.photos = picker.chosen;
                    page.startComposing();
                }
            }
            GlyphButton {
                visible: page.composing
                glyph: "Save"
                name: "save the collage"
                enabled: page.ready
                onClicked: page.save()
            }
        }
    }

    CollagePicker {
        id: picker
        anchors.fill: parent
        visible: !page.composing
        app: page.app
    }

    ColumnLayout {
        anchors.fill: parent
        visible: page.composing
        spacing: 0

        TabBar {
            id: kinds
            Layout.fillWidth: true
            currentIndex: page.kind === "free" ? 1 : page.kind === "stitched" ? 2 : 0
            Repeater {
                model: [{ kind: "template", label: "Template" }, { kind: "free", label: "Free" },
                        { kind: "stitched", label: "Stitched" }]
                TabButton {
                    required property var modelData
                    text: modelData.label
                    implicitHeight: 48
                    Accessible.name: modelData.label + " collage"
                    onClicked: {
                        if (page.kind !== modelData.kind) {
                            page.layoutChoice = 0;
                            page.choose("kind", modelData.kind);
                        }
                    }
                }
            }
        }

        // The collage, fitted to the space, in its own pixels.
        Item {
            id: view
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            readonly property real fit: Math.min((width - 16) / page.canvasSize.width,
                                                 (height - 16) / page.canvasSize.height)

            MouseArea {
                anchors.fill: parent
                onClicked: page.selected = -1
            }

            Item {
                id: canvas
                objectName: "collageCanvas"
                width: page.canvasSize.width
                height: page.canvasSize.height
                scale: view.fit > 0 ? view.fit : 1
                transformOrigin: Item.TopLeft
                x: (view.width - width * scale) / 2
                y: (view.height - height * scale) / 2
                visible: page.backgroundFile !== ""

                Image {
                    autoTransform: true
                    anchors.fill: parent
                    source: page.backgroundFile ? WorkingFiles.toUrl(page.backgroundFile) + "?v=" + page.revision : ""
                    cache: false
                    smooth: true
                }

                // Template and stitched: each photo inside its cell.
                Repeater {
                    model: page.kind !== "free" && page.placements.length === page.cells.length ? page.cells.length : 0
                    Item {
                        id: cellItem
                        required property int index
                        readonly property var cell: page.cells[index]
                        readonly property var size: page.sizes[index]
                        readonly property var shown: Geometry.cellPlacement(cell, size.width, size.height,
                                                                            page.placements[index].zoom,
                                                                            page.placements[index].ox,
                                                                            page.placements[index].oy)
                        x: cell.x
                        y: cell.y
                        width: cell.w
                        height: cell.h
                        clip: true

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
                            source: WorkingFiles.toUrl(page.photos[cellItem.index])
                        }
                        Rectangle {
                            anchors.fill: parent
                            color: "transparent"
                            border.color: Material.accent
                            border.width: 3 / canvas.scale
                            visible: page.selected === cellItem.index
                        }
                        GestureArea {
                            anchors.fill: parent
                            reference: canvas
                            active: page.selected === cellItem.index
                            pinchScale: page.app ? page.app.pinchScale : 1
                            Accessible.role: Accessible.Graphic
                            Accessible.name: "photo " + (cellItem.index + 1) + ": drag to move, wheel to zoom"
                            onTouched: page.selected = cellItem.index
                            onMoved: (dx, dy) => page.moveBy(cellItem.index, dx, dy)
                            onZoomed: (factor) => page.zoomBy(cellItem.index, factor)
                        }
                    }
                }

                // Free: each photo where it lies, turned.
                Repeater {
                    model: page.kind === "free" && page.placements.length === page.cells.length ? page.cells.length : 0
                    Item {
                        id: freeItem
                        required property int index
                        readonly property var place: page.placements[index]
                        readonly property var size: page.sizes[index]
                        width: place.shown
                        height: place.shown * size.height / size.width
                        x: place.cx - width / 2
                        y: place.cy - height / 2
                        rotation: place.degree
                        z: page.selected === index ? 1 : 0

                        Image {
                            autoTransform: true
                            anchors.fill: parent
                            asynchronous: true
                            smooth: true
                            sourceSize.width: 1280
                            sourceSize.height: 1280
                            source: WorkingFiles.toUrl(page.photos[freeItem.index])
                        }
                        Rectangle {
                            anchors.fill: parent
                            anchors.margins: -border.width
                            color: "transparent"
                            border.color: Material.accent
                            border.width: 3 / canvas.scale
                            visible: page.selected === freeItem.index
                        }
                        GestureArea {
                            anchors.fill: parent
                            reference: canvas
                            centre: Qt.point(freeItem.place.cx, freeItem.place.cy)
                            active: page.selected === freeItem.index
                            pinchScale: page.app ? page.app.pinchScale : 1
                            Accessible.role: Accessible.Graphic
                            Accessible.name: "photo " + (freeItem.index + 1)
                                             + ": drag to move, wheel to zoom, right-drag to turn"
                            onTouched: page.selected = freeItem.index
                            onMoved: (dx, dy) => page.moveBy(freeItem.index, dx, dy)
                            onZoomed: (factor) => page.zoomBy(freeItem.index, factor)
                            onTurned: (degrees) => page.turnBy(freeItem.index, degrees)
                        }
                    }
                }
            }

            Column {
                anchors.centerIn: parent
                spacing: 8
                visible: page.measuring
                BusyIndicator {
                    anchors.horizontalCenter: parent.horizontalCenter
                    running: page.measuring
                }
                Label {
                    text: "Reading the photos\u2026"
                }
            }

        }

        // Options of the kind.
        Pane {
            Layout.fillWidth: true
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
                    text: page.kind === "free" ? "Drag a photo to move it; wheel or pinch to zoom; right-drag or two fingers to turn."
                                               : "Drag a photo to move it in its cell; wheel or pinch to zoom."
                }

                // Layouts for the photo count.
                ListView {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 72
                    visible: page.kind !== "stitched"
                    orientation: ListView.Horizontal
                    spacing: 6
                    clip: true
                    model: page.kind === "free" ? page.freeLayouts : page.templateLayouts
                    delegate: LayoutThumb {
                        required property var modelData
                        required property int index
                        cells: modelData.cells
                        checked: page.layoutChoice === index
                        Accessible.name: "layout " + (index + 1)
                        onClicked: page.choose("layoutChoice", index)
                    }
                }

                RowLayout {
                    visible: page.kind === "stitched"
                    Layout.fillWidth: true
                    Repeater {
                        model: [{ vertical: true, label: "One below the other" },
                                { vertical: false, label: "Side by side" }]
                        Button {
                            required property var modelData
                            text: modelData.label
                            checkable: true
                            checked: page.vertical === modelData.vertical
                            flat: !checked
                            implicitHeight: 48
                            Layout.fillWidth: true
                            Accessible.name: modelData.label
                            onClicked: page.choose("vertical", modelData.vertical)
                        }
                    }
                }

                // Borders (template and stitched).
                ListView {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 44
                    visible: page.kind !== "free"
                    orientation: ListView.Horizontal
                    spacing: 4
                    clip: true
                    model: Catalogue.borders
                    delegate: Button {
                        required property var modelData
                        required property int index
                        text: modelData.name
                        checkable: true
                        checked: page.borderChoice === index
                        flat: !checked
                        implicitHeight: 44
                        Accessible.name: "border " + modelData.name
                        onClicked: page.choose("borderChoice", index)
                    }
                }

                // Patterns (template and stitched) or backgrounds (free).
                ListView {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 52
                    orientation: ListView.Horizontal
                    spacing: 6
                    clip: true
                    model: page.kind === "free" ? Catalogue.backgrounds : Catalogue.patterns
                    delegate: AbstractButton {
                        id: swatch
                        required property var modelData
                        required property int index
                        readonly property bool chosen: (page.kind === "free" ? page.backgroundChoice : page.patternChoice) === index
                        width: 52
                        height: 52
                        Accessible.name: (page.kind === "free" ? "background " : "pattern ") + modelData.name
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
                        onClicked: page.choose(page.kind === "free" ? "backgroundChoice" : "patternChoice", index)
                    }
                }
            }
        }
    }
}
