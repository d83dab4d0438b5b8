import QtQuick
import QtTest
import Qt.labs.folderlistmodel

// Collages beyond composing: Save puts the picture in the saved-pictures
// folder, photos swap places, a new border or background keeps them as
// placed, and free photos stay on the canvas.
TestCase {
    id: testCase
    name: "CollageKeep"
    when: windowShown
    visible: true
    width: 480
    height: 854

    property var app: null
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

    function initTestCase() {
        var component = Qt.createComponent("../../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
    }

    function openPage(photos, kind) {
        if (page && app.pages.currentItem !== page)
            app.pages.pop(null);
        if (!page || app.pages.currentItem !== page)
            page = app.openPage("CollagePage.qml", { app: app }, "Collages");
        verify(page);
        tryCompare(app.pages, "busy", false);
        page.kind = kind;
        page.photos = photos;
        page.startComposing();
        tryCompare(page, "ready", true, 10000);
        tryCompare(app, "busy", false);
    }

    function test_1_saveGoesToTheSavedPictures() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png"], "template");
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

    function test_2_swapExchangesPhotosAndKeepsZoom() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png"], "template");
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

    function test_3_swapByDraggingTheHandle() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png"], "template");
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

    function test_4_newBorderKeepsPanAndZoom() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png"], "template");
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

    function test_5_freePhotosStayOnTheCanvas() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png", testFolder + "photo2.png"], "free");
        var w = page.canvasSize.width, h = page.canvasSize.height;
        var inside = function() {
            var args = page.placementArguments();
            for (var i = 0; i < args.length; ++i) {
                var s = page.sizes[i];
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
}
