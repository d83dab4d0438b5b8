import QtQuick
import QtTest
import Qt.labs.folderlistmodel
import "../../qml/zeltanorvik/CollageGeometry.js" as Geometry

// The collage screen as a user drives it: each kind of collage composed from
// two or three photos, a photo moved, zoomed and turned in its cell (by the
// mouse too), photos swapped, a new border or background that keeps them as
// placed, free photos held on the canvas, too few photos refused, and Save
// putting the picture among the saved pictures and opening it in the editor.
// The work runs off the GUI thread: a new pattern arrives and the busy state
// clears, a second choice made meanwhile replaces the first and leaves no
// stray working file, Save renders in the background, and a failure says
// what went wrong.
WindowTestCase {
    id: testCase
    name: "Collage"
    photo: ""

    property var page: null

    FolderListModel {
        id: saved
        nameFilters: ["*.png", "*.jpg"]
        showDirs: false
    }

    // The number of pictures in the saved-pictures folder, read afresh (0
    // while the folder does not exist).
    function savedCount() {
        saved.folder = "";
        saved.folder = "file://" + app.savedFolder;
        wait(100);
        return saved.status === FolderListModel.Ready ? saved.count : 0;
    }

    FolderListModel {
        id: workingFiles
        showDirs: false
        showHidden: true
    }

    // The names of the working files, read afresh.
    function workingFileNames() {
        workingFiles.folder = "";
        workingFiles.folder = "file://" + app.temporaryFolder;
        tryCompare(workingFiles, "status", FolderListModel.Ready);
        var names = [];
        for (var i = 0; i < workingFiles.count; ++i)
            names.push(workingFiles.get(i, "fileName"));
        return names.sort();
    }

    function photos(count) {
        var list = [];
        for (var i = 0; i < count; ++i)
            list.push(testFolder + "photo" + i + ".png");
        return list;
    }

    function openPage() {
        page = app.openPage("CollagePage.qml", { app: app }, "Collages");
        verify(page);
        tryCompare(app.pages, "busy", false);
    }

    // The page composing `count` photos as a collage of this kind.
    function compose(count, kind) {
        openPage();
        page.kind = kind;
        page.photos = photos(count);
        page.startComposing();
        tryCompare(page, "ready", true, 10000);
        tryCompare(app, "busy", false);
    }

    // A template collage of three photos, with nothing running and no message.
    function composeThreeQuietly() {
        compose(3, "template");
        idle();
        app.messages.hide();
    }

    function saveAndOpen(name) {
        page.save();
        tryCompare(app, "busy", false);
        // Saved in the saved-pictures folder first, then offered for editing.
        var offer = findChild(page, "editOffer");
        tryCompare(offer, "opened", true);
        offer.accept();
        tryVerify(function() { return app.editorPage && app.pages.currentItem === app.editorPage; }, 5000);
        var current = app.editorPage.history.current;
        verify(current.indexOf(name) > 0, current);
        return current;
    }

    function test_templateCollage() {
        compose(2, "template");
        // Layout 002-001 in border 002 (the defaults).
        compare(page.canvasSize, Qt.size(730, 996));
        compare(page.cells.length, 2);
        compare(page.cells[0].x, 40);
        compare(page.cells[1].h, 585);
        // Move past the photo's edge: held at the edge; zoom in: the centre stays.
        page.moveBy(0, 5000, 5000);
        compare(page.placements[0].ox, 0);
        compare(page.placements[0].oy, 0);
        page.zoomBy(1, 2);
        compare(page.placements[1].zoom, 2);
        var args = page.placementArguments();
        compare(args.length, 2);
        compare(args[0][0], testFolder + "photo0.png");
        compare(args[0][1], 40);
        compare(args[0][3], 650);
        compare(args[0][5], 0);
        verify(args[1][10] > args[0][10]);
        var result = saveAndOpen("template_norvik.png");
        compare(pictureSize(result), Qt.size(730, 996));
    }

    function test_freeCollage() {
        compose(2, "free");
        compare(page.canvasSize, Qt.size(640, 896));
        compare(page.cells[0].degree, -3);
        compare(page.cells[1].degree, 5);
        // The photos fitted into their cells: the wide one 554 wide.
        compare(page.cells[0].w, 554);
        page.turnBy(0, 10);
        compare(page.placements[0].degree, 7);
        var result = saveAndOpen("free_norvik.png");
        compare(pictureSize(result), Qt.size(640, 896));
    }

    // What the screen shows of a free collage is where Save puts the photos,
    // however the free kind was reached; back from another kind, the photos
    // are where they were left.
    function checkFreeOnScreen() {
        var canvas = findChild(page, "collageCanvas");
        for (var i = 0; i < page.photos.length; ++i) {
            var item = findChild(canvas, "freePhoto" + i);
            var p = page.placements[i];
            fuzzyCompare(item.x + item.width / 2, p.cx, 0.01, "photo " + i);
            fuzzyCompare(item.y + item.height / 2, p.cy, 0.01, "photo " + i);
            fuzzyCompare(item.width, p.shown, 0.01, "photo " + i);
            verify(Geometry.freeInside(page.sizes[i].width, page.sizes[i].height, p, page.canvasSize.width,
                                       page.canvasSize.height), JSON.stringify(p));
        }
    }

    function test_freeFromAnotherKind() {
        compose(3, "template");
        page.choose("kind", "free");
        tryCompare(app, "busy", false);
        idle();
        checkFreeOnScreen();
        page.moveBy(0, 30, 10);
        checkFreeOnScreen();
        var moved = JSON.stringify(page.placements);
        page.choose("kind", "template");
        tryCompare(app, "busy", false);
        page.choose("kind", "free");
        tryCompare(app, "busy", false);
        idle();
        checkFreeOnScreen();
        compare(JSON.stringify(page.placements), moved);
    }

    function test_stitchedCollage() {
        compose(3, "stitched");
        // 640 wide: 427 + 1024 + 640 rows, inside border 002.
        compare(page.cells.length, 3);
        compare(page.cells[1].y - page.cells[0].y, 427);
        compare(page.cells[2].h, 640);
        page.choose("vertical", false);
        tryCompare(app, "busy", false);
        compare(page.cells[0].h, 640);
        var result = saveAndOpen("stitching_norvik.png");
        compare(pictureSize(result), page.canvasSize);
    }

    function test_mouseMovesAndZoomsAPhoto() {
        compose(2, "template");
        page.zoomBy(0, 2);
        var before = page.placements[0];
        var canvas = findChild(page, "collageCanvas");
        verify(canvas);
        var cell = page.cells[0];
        // Drag left by 40 screen pixels: the photo follows, so the cut moves right.
        var at = canvas.mapToItem(page, cell.x + cell.w / 2, cell.y + cell.h / 2);
        mouseDrag(page, at.x, at.y, -40, 0);
        verify(page.placements[0].ox > before.ox, JSON.stringify(page.placements[0]));
        compare(page.selected, 0);
        mouseWheel(page, at.x, at.y, 0, 120);
        verify(page.placements[0].zoom > before.zoom);
    }

    function test_tooFewPhotosAreRefused() {
        openPage();
        app.messages.hide();
        page.photos = photos(1);
        page.startComposing();
        verify(app.messages.error);
        verify(app.messages.text.indexOf("between 2 and 9") > 0);
    }

    function test_saveGoesToTheSavedPictures() {
        compose(2, "template");
        var before = savedCount();
        page.save();
        tryCompare(app, "busy", false);
        var offer = findChild(page, "editOffer");
        tryCompare(offer, "opened", true);
        verify(app.messages.text.indexOf(app.savedFolder) >= 0, app.messages.text);
        tryVerify(function() { return savedCount() === before + 1; });
        // Declining keeps the collage screen.
        offer.reject();
        tryCompare(offer, "visible", false);
        compare(app.pages.currentItem, page);
    }

    // The picker says a folder is empty only when it lists nothing.
    function test_pickerListsWithoutSayingEmpty() {
        openPage();
        var picker = findChild(page, "collagePicker");
        var empty = findChild(picker, "noPhotosLabel");
        picker.folder = "file://" + testFolder;
        var grid = findChild(picker, "pickerGrid");
        tryVerify(function() { return grid.count >= 4; });
        // The view announces its count when it next lays out.
        tryVerify(function() { return !empty.visible; });
    }

    // A collage is named for the day; the same collage saved again is not
    // written twice, and says where it is.
    function test_collageSavedOnceUnderItsDate() {
        compose(2, "stitched");
        page.save();
        tryCompare(app, "busy", false);
        var offer = findChild(page, "editOffer");
        tryCompare(offer, "opened", true);
        offer.reject();
        var name = page.savedWhere.substring(page.savedWhere.lastIndexOf("/") + 1);
        verify(/^collage-\d{4}-\d{2}-\d{2}-1\.(jpg|png)$/.test(name), name);
        page.save();
        tryCompare(app, "busy", false);
        compare(app.messages.text, "Already saved in " + page.savedWhere);
        compare(savedCount(), 1);
    }

    function test_swapExchangesPhotosAndKeepsZoom() {
        compose(2, "template");
        page.zoomBy(0, 2);
        var zoomed = page.placements[0].zoom;
        page.swapPhotos(0, 1);
        compare(page.photos[1], testFolder + "photo0.png");
        compare(page.photos[0], testFolder + "photo1.png");
        compare(page.placements[1].zoom, zoomed);
        compare(page.placements[0].zoom, 1);
        compare(page.selected, 1);
        var args = page.placementArguments();
        compare(args[0][0], testFolder + "photo1.png");
        compare(args[1][1], page.cells[1].x);
    }

    function test_swapByDraggingTheHandle() {
        compose(2, "template");
        var canvas = findChild(page, "collageCanvas");
        var c0 = page.cells[0], c1 = page.cells[1];
        // Select the first photo, then drag its handle into the second cell.
        var at = canvas.mapToItem(page, c0.x + c0.w / 2, c0.y + c0.h / 2);
        mouseClick(page, at.x, at.y);
        compare(page.selected, 0);
        var side = 44 / canvas.scale;
        var grip = canvas.mapToItem(page, c0.x + side * 0.7, c0.y + side * 0.7);
        var to = canvas.mapToItem(page, c1.x + c1.w / 2, c1.y + c1.h / 2);
        mousePress(page, grip.x, grip.y);
        mouseMove(page, (grip.x + to.x) / 2, (grip.y + to.y) / 2);
        mouseMove(page, to.x, to.y);
        compare(page.swapTarget, 1);
        mouseRelease(page, to.x, to.y);
        compare(page.photos[0], testFolder + "photo1.png");
        compare(page.swapTarget, -1);
    }

    function test_newBorderKeepsPanAndZoom() {
        compose(2, "template");
        page.zoomBy(1, 2.5);
        page.moveBy(1, -30, 10);
        var before = page.placements[1];
        page.choose("borderChoice", 0);
        tryCompare(app, "busy", false);
        compare(page.placements[1].zoom, before.zoom);
        // The same point of the photo stays near the cell's centre.
        verify(Math.abs(page.placements[1].ox - before.ox) < 40, JSON.stringify([before, page.placements[1]]));
        page.choose("patternChoice", 1);
        tryCompare(app, "busy", false);
        compare(page.placements[1].zoom, before.zoom);
        // A new layout starts afresh.
        page.choose("layoutChoice", 1);
        tryCompare(app, "busy", false);
        compare(page.placements[1].zoom, 1);
    }

    function test_freePhotosStayOnTheCanvas() {
        compose(3, "free");
        var w = page.canvasSize.width, h = page.canvasSize.height;
        var inside = function() {
            var args = page.placementArguments();
            for (var i = 0; i < args.length; ++i) {
                var p = page.placements[i];
                if (!(p.cx > 0 && p.cx < w && p.cy > 0 && p.cy < h))
                    return false;
                if (args[i][1] < 0 || args[i][2] < 0)
                    return false;
            }
            return true;
        };
        verify(inside(), JSON.stringify(page.placements));
        page.moveBy(0, -5000, -5000);
        page.zoomBy(1, 6);
        page.turnBy(2, 40);
        page.moveBy(2, 5000, 5000);
        verify(inside(), JSON.stringify(page.placements));
        var moved = page.placements[0];
        page.choose("backgroundChoice", 1);
        tryCompare(app, "busy", false);
        compare(page.placements[0].cx, moved.cx);
        compare(page.placements[0].shown, moved.shown);
    }

    // A feed's shape: the free canvas takes it and the photos keep their
    // places in proportion; a stitched strip stays whole in the middle of it.
    function test_shapesKeepWhatWasPlaced() {
        compose(3, "free");
        page.moveBy(0, 30, -20);
        var before = page.placements[0];
        var square = findChild(page, "shape 1:1");
        verify(square && square.visible && square.width > 0, "the shape buttons show");
        mouseClick(square);
        tryCompare(app, "busy", false);
        compare(page.canvasSize, Qt.size(896, 896));
        fuzzyCompare(page.placements[0].cx, before.cx * 896 / 640, 1);
        fuzzyCompare(page.placements[0].cy, before.cy, 1);
        page.choose("shape", "16:9");
        tryCompare(app, "busy", false);
        compare(page.canvasSize, Qt.size(896, 504));
        verify(!app.messages.visible, app.messages.text);

        page.kind = "stitched";
        page.choose("shape", "");
        tryCompare(app, "busy", false);
        var own = page.canvasSize;
        var cellsBefore = page.cells;
        page.choose("shape", "1:1");
        tryCompare(app, "busy", false);
        compare(page.canvasSize.width, page.canvasSize.height);
        verify(page.canvasSize.width >= own.height, page.canvasSize.width + " " + own.height);
        // The strip's cells keep their sizes.
        compare(page.cells[1].h, cellsBefore[1].h);
        compare(page.cells[1].y - page.cells[0].y, cellsBefore[1].y - cellsBefore[0].y);
    }

    // A template's spacing draws its cells in and keeps each photo's zoom;
    // its corners reach Save.
    function test_templateSpacingAndCorners() {
        compose(2, "template");
        page.zoomBy(0, 2);
        var zoom = page.placements[0].zoom;
        page.setSpacing(16);
        compare(page.cells[0].x, 48);
        compare(page.cells[0].w, 650 - 16);
        compare(page.placements[0].zoom, zoom);
        page.setSpacing(1000);
        verify(page.cells[0].w >= 48);
        page.cornerRadius = 30;
        compare(pictureSize(saveAndOpen("template_norvik.png")), Qt.size(730, 996));
    }

    // The collage keeps each photo, whatever its name: two photos of one
    // name from two folders, red and blue, both show in the result.
    function test_collageOfTwoPhotosOfOneName() {
        tryCompare(app.pages, "depth", 1);
        app.openCollage();
        page = app.pages.currentItem;
        verify(page.photos !== undefined);
        page.photos = [testFolder + "red/same.png", testFolder + "blue/same.png"];
        page.startComposing();
        tryCompare(page, "ready", true, 20000);
        page.save();
        // Saved, then offered for editing.
        var offer = findChild(page, "editOffer");
        tryCompare(offer, "opened", true, 20000);
        offer.accept();
        tryCompare(offer, "visible", false);  // its dimming gone from the window
        tryVerify(function() { return app.pages.currentItem === editor; }, 20000);
        tryCompare(app, "busy", false);
        shot.source = "file://" + editor.history.current;
        tryCompare(shot, "status", Image.Ready);
        var image = grabImage(shot);
        var red = 0, blue = 0;
        for (var y = 0; y < image.height; y += 2) {
            for (var x = 0; x < image.width; x += 2) {
                if (image.red(x, y) > 200 && image.blue(x, y) < 60)
                    red += 1;
                if (image.blue(x, y) > 200 && image.red(x, y) < 60)
                    blue += 1;
            }
        }
        verify(red > 20, "red pixels: " + red + " in " + editor.history.current + " (blue " + blue + ")");
        verify(blue > 20, "blue pixels: " + blue);
        shot.source = "";
    }

    function test_newPatternArrivesAndBusyClears() {
        composeThreeQuietly();
        var revision = page.revision;
        page.choose("patternChoice", 1);
        verify(app.busy);                 // turning while the worker makes it
        compare(page.revision, revision); // nothing made on the GUI thread
        idle();
        compare(page.revision, revision + 1);
        compare(page.cells.length, 3);
        verify(runner.readable(page.backgroundFile), page.backgroundFile);
        verify(!app.messages.visible, app.messages.text);
    }

    function test_secondChoiceReplacesTheFirst() {
        composeThreeQuietly();
        var revision = page.revision;
        var files = workingFileNames();
        page.choose("patternChoice", 1);
        page.choose("patternChoice", 2);
        verify(app.busy);
        idle();
        // Only the second was shown, and its files are all that is left.
        compare(page.revision, revision + 1);
        compare(page.patternChoice, 2);
        compare(page.cells.length, 3);
        compare(workingFileNames(), files);
        verify(runner.readable(page.backgroundFile), page.backgroundFile);
        verify(!app.messages.visible, app.messages.text);
    }

    function test_saveRendersInTheBackground() {
        composeThreeQuietly();
        page.save();
        verify(app.busy);
        idle();
        var offer = findChild(page, "editOffer");
        tryCompare(offer, "opened", true);
        verify(page.savedCollage.indexOf("template_norvik.png") > 0, page.savedCollage);
        verify(app.messages.text.indexOf(app.savedFolder) >= 0, app.messages.text);
        offer.close();
        tryCompare(offer, "visible", false);
    }

    function test_failureSaysWhyAndWritesNothing() {
        composeThreeQuietly();
        var files = workingFileNames();
        // The background and the photos have gone: nothing to draw.
        page.backgroundFile = testFolder + "missing.png";
        page.photos = [testFolder + "gone1.png", testFolder + "gone2.png", testFolder + "gone3.png"];
        page.save();
        verify(app.busy);
        idle();
        verify(app.messages.visible, page.savedCollage + " / " + app.messages.text);
        verify(app.messages.error, app.messages.text);
        verify(app.messages.text.indexOf("could not be made") >= 0, app.messages.text);
        compare(page.savedCollage, "");
        compare(workingFileNames(), files);
    }

    // The collage's result, small, above everything.
    Image {
        id: shot
        z: 100
        width: 64
        height: 90
        cache: false
        asynchronous: false
    }
}
