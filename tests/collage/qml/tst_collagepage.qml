import QtQuick
import QtTest

// The collage screen as a user drives it: two or three photos, each kind of
// collage composed, a photo moved and zoomed in its cell, saved into the editor.
TestCase {
    id: testCase
    name: "CollagePage"
    when: windowShown
    visible: true
    width: 480
    height: 854

    property var app: null
    property var page: null

    Image {
        id: probe
        asynchronous: false
        cache: false
    }

    function pictureSize(path) {
        probe.source = "";
        probe.source = "file://" + path;
        return Qt.size(probe.implicitWidth, probe.implicitHeight);
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

    function test_1_templateCollage() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png"], "template");
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

    function test_2_freeCollage() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png"], "free");
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

    function test_3_stitchedCollage() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png", testFolder + "photo2.png"], "stitched");
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

    function test_4_mouseMovesAndZoomsAPhoto() {
        openPage([testFolder + "photo0.png", testFolder + "photo1.png"], "template");
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

    function test_5_tooFewPhotosAreRefused() {
        app.messages.hide();
        page.photos = [testFolder + "photo0.png"];
        page.startComposing();
        verify(app.messages.error);
        verify(app.messages.text.indexOf("between 2 and 9") > 0);
    }
}
