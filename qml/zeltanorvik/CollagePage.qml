// Collages: choose 2 to 9 photos, then a kind (template, free or stitched)
// and its layout, border, pattern or background; drag and zoom each photo in
// its cell (free photos also turn, and stay wholly on the canvas); drag a
// photo's swap handle onto another photo to exchange them; a new border,
// pattern or background keeps every photo's pan and zoom. Save renders the
// collage at full size, puts it in the saved-pictures folder and offers to
// open it in the editor.
//
// This page holds the choices and the photos' placements and talks to the
// engine through the runner: the background and cells are made, and the
// collage rendered and saved, on its main worker, while the window keeps
// drawing with the busy indicator turning; a new choice while one is being
// made replaces it. CollageCanvas.qml shows the collage and takes the touches,
// CollageOptions.qml the choices, CollageGeometry.js does the arithmetic.
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
import "PhotoFormats.js" as PhotoFormats

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
    // A free or stitched collage's shape: "" for its own, or one of the feed
    // shapes ("1:1", "4:5", "9:16", "16:9"; CollageGeometry.shapes).
    property string shape: ""
    // A template collage's spacing between its cells and the rounding of its
    // photos' corners, in collage pixels (as far as the layout allows).
    property int cellSpacing: 0
    property int cornerRadius: 0

    // --- what the engine made -------------------------------------------
    property string backgroundFile: ""   // working file of the current background
    property int revision: 0
    property size canvasSize: Qt.size(640, 896)
    property var cells: []           // { x, y, w, h, degree } in collage pixels
    property var layoutCells: []     // a template's cells before spacing
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

    // Runs `calls` on the runner's main worker in `lane` with the busy
    // indicator turning; done(path, value) or failed(reason) when it ends. A
    // job still open in the lane is replaced, its callbacks dropped.
    function runInBackground(lane, label, calls, done, failed) {
        if (app) {
            app.busyLabel = label;
            app.busy = true;
        }
        work.cancel(lane);
        var ticket = work.start(lane, calls, function(path, value) {
            if (ticket !== latest[lane])
                return;
            finishBackground(lane);
            done(path, value);
        }, function(error) {
            if (ticket !== latest[lane])
                return;
            finishBackground(lane);
            failed(error || "");
        });
        var l = latest;
        l[lane] = ticket;
        latest = l;
    }

    property var latest: ({})

    function finishBackground(lane) {
        var l = latest;
        delete l[lane];
        latest = l;
        if (app && Object.keys(l).length === 0)
            app.busy = false;
    }

    AsyncWork {
        id: work
    }

    Component.onDestruction: {
        // A render nobody will see; a save still running finishes (its
        // picture is kept among the saved pictures).
        work.cancel("collage-render");
        if (app && Object.keys(latest).length > 0)
            app.busy = false;
    }

    // --- photo sizes ------------------------------------------------------

    // The stored size of every photo, each decoded once in the background.
    function measure() {
        measuring = true;
        sizes = [];
        sizeProbe.next = 0;
        sizeProbe.source = PhotoFormats.address(photos[0]);
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
            sizeProbe.source = PhotoFormats.address(photos[sizeProbe.next]);
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

    // Each kind's last layout and placements for these photos, so that
    // coming back to a kind finds the photos as they were left.
    property var kindsLeft: ({})

    function choose(property, value) {
        if (property === "kind") {
            chooseKind(value);
            return;
        }
        page[property] = value;
        // Only the look around the photos changes: the photos stay as placed.
        rebuild(["borderChoice", "patternChoice", "backgroundChoice", "shape"].indexOf(property) >= 0); // qmllint disable type
    }

    function chooseKind(value) {
        if (value === kind)
            return;
        var left = Object.assign({}, kindsLeft);
        if (placements.length === photos.length && cells.length === photos.length)
            left[kind] = { photos: photos.join("\n"), layout: layoutChoice, cells: cells, placements: placements,
                          canvas: Qt.size(canvasSize.width, canvasSize.height) };
        kindsLeft = left;
        var back = left[value];
        // The placements of one kind mean nothing to another.
        placements = [];
        selected = -1;
        layoutChoice = back && back.photos === photos.join("\n") ? back.layout : 0;
        kind = value;
        rebuild(false);
    }

    function pictureSize(url) {
        backgroundProbe.source = "";
        backgroundProbe.source = url;
        var size = Qt.size(backgroundProbe.implicitWidth, backgroundProbe.implicitHeight);
        backgroundProbe.source = "";
        return size;
    }

    // The background and the cells of the chosen kind and layout, made on the
    // runner; then the photos are placed afresh, or keep their placements
    // (`keepPlacements`: only the look around them changed).
    function rebuild(keepPlacements) {
        if (!composing || measuring)
            return;
        var keep = keepPlacements === true && placements.length === photos.length;
        var calls = [];
        var strip = null;
        if (kind === "template") {
            var layout = templateLayouts[Math.min(layoutChoice, templateLayouts.length - 1)];
            calls = [["getTemplateRule", layout.file, Catalogue.borders[borderChoice].file,
                      Catalogue.patterns[patternChoice].file], ["collageCells"]];
        } else if (kind === "free") {
            var free = freeLayouts[Math.min(layoutChoice, freeLayouts.length - 1)];
            calls = [["clearPaintImageList"]];
            for (var i = 0; i < photos.length; ++i)
                calls.push(["addPaintImage", photos[i]]);
            var bg = Catalogue.backgrounds[backgroundChoice].file;
            var bgSize = pictureSize("qrc" + bg);
            var canvas = Geometry.shapedCanvas(shape, 640, 896);
            var zoom = Math.max(canvas.width / bgSize.width, canvas.height / bgSize.height);
            calls.push(["getMixRule", free.file], ["clearPaintImageList"], ["collageCells"],
                       ["revolvFreeBgImage", bg, zoom, canvas.width, canvas.height]);
        } else {
            var length = Geometry.stitchLength(sizes, vertical, 640, 8000);
            strip = Geometry.stitchCells(sizes, vertical, length);
            // The strip stays in the middle of the shape's area.
            var area = Geometry.shapedArea(shape, strip.width, strip.height);
            calls = [["getStitchingRule", Catalogue.borders[borderChoice].file, Catalogue.patterns[patternChoice].file,
                      area.width, area.height]];
        }
        runInBackground("collage-render", "Preparing the collage", calls, function(path, cellList) {
            var full = runner.pictureSize(path);
            var list = cellList ? cellList : [];
            // Free layouts are drawn for 640 x 896; on another shape their
            // cells move with the canvas.
            if (kind === "free" && list.length > 0 && (full.width !== 640 || full.height !== 896))
                list = Geometry.mappedCells(list, 640, 896, full.width, full.height);
            if (strip) {
                var left = Math.floor((full.width - strip.width) / 2);
                var top = Math.floor((full.height - strip.height) / 2);
                list = [];
                for (var c = 0; c < strip.cells.length; ++c) {
                    var cell = strip.cells[c];
                    list.push({ x: cell.x + left, y: cell.y + top, w: cell.w, h: cell.h, degree: 0 });
                }
            }
            built(path, full, list, keep);
        }, function(error) {
            backgroundFile = "";
            fail("The collage background could not be made." + (error ? " " + error : ""));
        });
    }

    function built(path, full, list, keep) {
        if (full.width <= 0 || full.height <= 0) {
            backgroundFile = "";
            fail("The collage background could not be made.");
            return;
        }
        if (list.length !== photos.length) {
            fail("This layout does not fit " + photos.length + " photos.");
            return;
        }
        revision += 1;
        var canvasBefore = Qt.size(canvasSize.width, canvasSize.height);  // a copy, not the property
        canvasSize = full;
        backgroundFile = path;
        var before = cells;
        var back = kindsLeft[kind];
        layoutCells = kind === "template" ? list : [];
        cells = kind === "template" ? Geometry.spacedCells(list, cellSpacing) : list;
        if (keep && before.length === list.length) {
            keepPlacements(before, canvasBefore);
        } else if (back && back.photos === photos.join("\n") && back.layout === layoutChoice
                   && back.placements.length === list.length) {
            placements = back.placements;
            keepPlacements(back.cells, back.canvas);
            var left = Object.assign({}, kindsLeft);
            delete left[kind];
            kindsLeft = left;
        } else {
            resetPlacements();
        }
        if (saveWhenReady) {
            saveWhenReady = false;
            Qt.callLater(save);
        }
    }

    function resetPlacements() {
        var list = [];
        for (var i = 0; i < cells.length; ++i) {
            var c = cells[i];
            var s = sizes[i];
            if (kind === "free") {
                list.push(Geometry.keepFreeInside(s.width, s.height,
                                                  { cx: c.x + c.w / 2, cy: c.y + c.h / 2, shown: c.w, degree: c.degree },
                                                  canvasSize.width, canvasSize.height));
            } else {
                var p = Geometry.cellPlacement(c, s.width, s.height, 1, 0, 0);
                list.push({ zoom: 1, ox: (p.decoded.width - c.w) / 2, oy: (p.decoded.height - c.h) / 2 });
            }
        }
        placements = list;
        selected = -1;
    }

    // The template's spacing changed: its cells are drawn in or out, each
    // photo keeping its zoom and the point at its cell's centre.
    function setSpacing(value) {
        cellSpacing = value;
        if (kind !== "template" || layoutCells.length !== cells.length || placements.length !== cells.length)
            return;
        var before = cells;
        cells = Geometry.spacedCells(layoutCells, cellSpacing);
        keepPlacements(before, canvasSize);
    }

    // --- kept placements and swapping -----------------------------------------

    // After a new border, pattern, background or shape: each photo keeps its
    // zoom and the point at its cell's centre (cells may have moved or
    // resized); free photos keep their places, carried to a canvas of another
    // shape in proportion and held on it.
    function keepPlacements(cellsBefore, canvasBefore) {
        var list = [];
        for (var i = 0; i < placements.length; ++i) {
            var p = placements[i];
            var s = sizes[i];
            if (kind === "free")
                list.push(Geometry.keepFreeInside(s.width, s.height,
                                                  Geometry.mappedFreePlace(p, canvasBefore.width, canvasBefore.height,
                                                                           canvasSize.width, canvasSize.height),
                                                  canvasSize.width, canvasSize.height));
            else
                list.push(Geometry.refitCell(cellsBefore[i], cells[i], s.width, s.height, p, p.zoom));
        }
        placements = list;
    }

    // Photos i and j change places: in cells each keeps its zoom and centre
    // point in its new cell; free photos take each other's place and turn.
    function swapPhotos(i, j) {
        if (i === j || i < 0 || j < 0 || i >= photos.length || j >= photos.length)
            return;
        var before = placements;
        photos = Geometry.swapped(photos, i, j);
        sizes = Geometry.swapped(sizes, i, j);
        var list = before.slice();
        for (var k of [i, j]) {
            var from = k === i ? j : i;  // where the photo now at k was
            var s = sizes[k];
            if (kind === "free")
                list[k] = Geometry.keepFreeInside(s.width, s.height,
                                                  { cx: before[k].cx, cy: before[k].cy, shown: before[from].shown,
                                                    degree: before[k].degree },
                                                  canvasSize.width, canvasSize.height);
            else
                list[k] = Geometry.refitCell(cells[from], cells[k], s.width, s.height, before[from], before[from].zoom);
        }
        placements = list;
        selected = j;
    }

    // The photo under a point of the canvas: its cell, or for free photos the
    // topmost whose box holds the point; -1 for none.
    function photoAt(x, y) {
        if (kind !== "free")
            return Geometry.cellAt(cells, x, y);
        var boxes = [];
        for (var i = 0; i < placements.length; ++i) {
            var p = placements[i];
            var h = p.shown * sizes[i].height / sizes[i].width;
            boxes.push({ x: p.cx - p.shown / 2, y: p.cy - h / 2, w: p.shown, h: h });
        }
        if (selected >= 0 && Geometry.cellAt([boxes[selected]], x, y) === 0)
            return selected;
        for (var k = boxes.length - 1; k >= 0; --k)
            if (Geometry.cellAt([boxes[k]], x, y) === 0)
                return k;
        return -1;
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
                var moved = Geometry.keepFreeInside(s.width, s.height,
                                                    { cx: p.cx + dx, cy: p.cy + dy, shown: p.shown, degree: p.degree },
                                                    canvasSize.width, canvasSize.height);
                p.cx = moved.cx;
                p.cy = moved.cy;
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
                var zoomed = Geometry.keepFreeInside(s.width, s.height,
                                                     { cx: p.cx, cy: p.cy, shown: Math.max(48, Math.min(1200, p.shown * factor)),
                                                       degree: p.degree },
                                                     canvasSize.width, canvasSize.height);
                p.shown = zoomed.shown;
                p.cx = zoomed.cx;
                p.cy = zoomed.cy;
            } else {
                // Zoom about the cell's centre.
                var placed = Geometry.refitCell(c, c, s.width, s.height, p, Math.max(1, Math.min(6, p.zoom * factor)));
                p.zoom = placed.zoom;
                p.ox = placed.ox;
                p.oy = placed.oy;
            }
        });
    }

    function turnBy(index, degrees) {
        if (kind !== "free")
            return;
        update(index, function(p, c, s) {
            var turned = Geometry.keepFreeInside(s.width, s.height,
                                                 { cx: p.cx, cy: p.cy, shown: p.shown, degree: p.degree + degrees },
                                                 canvasSize.width, canvasSize.height);
            p.degree = turned.degree;
            p.shown = turned.shown;
            p.cx = turned.cx;
            p.cy = turned.cy;
        });
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

    // Renders the collage on the runner, then saves it among the saved
    // pictures; the busy indicator turns until both are done.
    function save() {
        if (!ready)
            return;
        var args = placementArguments();
        var calls = [["clearPaintImageList"]];
        for (var i = 0; i < args.length; ++i)
            calls.push(["addPaintImage"].concat(args[i]));
        // Drawn as large as the photos allow (two to four times the canvas),
        // each photo sampled afresh from its file, so it is sharp in print.
        calls.push(["tools.collageImage", kind, backgroundFile, 0, kind === "template" ? cornerRadius : 0]);
        // The same collage again (same background, same placements) is not
        // saved twice: the message says where it is.
        var key = revision + " " + JSON.stringify(calls);
        if (key === savedKey && app && app.fileCheck.readable(savedWhere)) {
            app.showMessage("Already saved in " + savedWhere);
            return;
        }
        runInBackground("collage-save", "Making the collage", calls, function(result) {
            saveRendered(result, key);
        }, function(error) {
            fail("The collage could not be made." + (error ? " " + error : ""));
        });
    }

    // The collage's working file saved into the saved-pictures folder (a JPEG,
    // or a PNG when it has transparency, named collage-<date>-<n>; a collage
    // has no one photo whose metadata it keeps).
    function saveRendered(result, key) {
        runInBackground("collage-save", "Saving the collage", [["tools.exportCollage", result, 92]],
                        function(saved) {
                            // The editor takes the collage's own working file
                            // (lossless), so an edit starts from the picture
                            // itself, not from its JPEG.
                            savedCollage = result;
                            savedKey = key;
                            savedWhere = saved;
                            app.pictureSaved(saved);
                            app.showMessage("Collage saved as " + saved);
                            editOffer.open();
                        }, function(error) {
                            fail("The collage was made but could not be saved: "
                                 + (error || "the saved-pictures folder cannot be written."));
                        });
    }

    property string savedCollage: ""
    // What was saved last (the background's revision and the render's
    // calls), and where.
    property string savedKey: ""
    property string savedWhere: ""

    function editSavedCollage() {
        editOffer.close();
        if (savedCollage)
            app.openPhoto(savedCollage);
    }

    Dialog {
        id: editOffer
        objectName: "editOffer"
        anchors.centerIn: parent
        modal: true
        title: "Collage saved"
        // A popup does not inherit the page's colours by itself.
        Material.theme: page.Material.theme
        Material.accent: page.Material.accent
        Label {
            text: "It is in " + (page.app ? page.app.savedFolder : "") + ".\nEdit it now?"
            wrapMode: Text.Wrap
        }
        footer: DialogButtonBox {
            Button {
                text: "Keep composing"
                flat: true
                implicitHeight: 48
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole // qmllint disable type
                Accessible.name: "keep composing"
            }
            Button {
                text: "Edit"
                highlighted: true
                implicitHeight: 48
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole // qmllint disable type
                Accessible.name: "edit the saved collage"
            }
        }
        onAccepted: page.editSavedCollage()
    }

    // Photos chosen before the page opens (files given to the program or
    // dropped on its window).
    property var startChosen: []

    Component.onCompleted: {
        if (startChosen.length > 0)
            picker.chosen = startChosen.slice(0, picker.maximum);
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

    // --- the swap handle ---------------------------------------------------------

    // The photo a swap handle is over while it is dragged (-1: none).
    property int swapTarget: -1

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
        objectName: "collagePicker"
        anchors.fill: parent
        visible: !page.composing
        app: page.app
    }

    // Phone: the kinds, the collage and its options in one column. Wide
    // (at least 900 px): the options beside the collage.
    readonly property bool wide: width >= 900

    GridLayout {
        anchors.fill: parent
        visible: page.composing
        columns: page.wide ? 2 : 1
        rowSpacing: 0
        columnSpacing: 0

        TabBar {
            id: kinds
            Layout.row: 0
            Layout.column: 0
            Layout.columnSpan: page.wide ? 2 : 1
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
                    onClicked: page.choose("kind", modelData.kind)
                }
            }
        }

        // The collage, fitted to the space, in its own pixels.
        CollageCanvas {
            composer: page
            Layout.row: 1
            Layout.column: 0
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        // Options of the kind.
        CollageOptions {
            composer: page
            Layout.row: page.wide ? 1 : 2
            Layout.column: page.wide ? 1 : 0
            Layout.alignment: Qt.AlignTop
            Layout.fillWidth: !page.wide
            Layout.preferredWidth: page.wide ? 420 : -1
        }
    }
}
