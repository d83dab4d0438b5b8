import QtQuick
import QtTest

// A session as a user lives it: unsaved edits are never dropped unasked (Back,
// another photo, closing the window), Home's Saved grid follows the saves,
// an empty crop box is refused, and a collage of two photos of one name from
// two folders shows both.
TestCase {
    id: testCase
    name: "Sessions"
    when: windowShown
    visible: true
    width: 480
    height: 854

    property var app: null
    readonly property var editor: app ? app.editorPage : null

    // The collage's result, small, above everything.
    Image {
        id: shot
        z: 100
        width: 64
        height: 90
        cache: false
        asynchronous: false
    }

    function initTestCase() {
        var component = Qt.createComponent("../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
    }

    function open(name) {
        verify(app.openPhoto(testFolder + name));
        tryCompare(app.pages, "busy", false);
    }

    // One edit: a crop of the left half.
    function edit() {
        editor.openToolNamed("crop");
        tryCompare(editor.panel, "ready", true);
        var area = editor.photo.overlay;
        editor.panel.cropBox.box = { x: 0, y: 0, w: area.width / 2, h: area.height };
        editor.panel.apply();
        tryCompare(app, "busy", false);
        verify(editor.history.hasUnsavedEdits);
    }

    // Saves are named by the second (copyImage): start each in a fresh one.
    function saveInAFreshSecond() {
        var start = new Date().getSeconds();
        tryVerify(function() { return new Date().getSeconds() !== start; }, 2000);
        editor.save();
        tryCompare(app, "busy", false);
    }

    function backButton() {
        var button = findChild(editor, "backButton");
        verify(button);
        return button;
    }

    function savedGrid() {
        var grid = findChild(app.pages.get(0), "savedGrid");
        verify(grid);
        return grid;
    }

    function test_1_backAsksFirst() {
        open("wide.png");
        backButton().clicked();
        verify(app.pages.currentItem !== editor, "stayed in the editor");  // nothing to lose: gone
        open("wide.png");
        edit();
        backButton().clicked();
        tryCompare(editor.unsavedPrompt, "opened", true);
        editor.unsavedPrompt.choose("cancel");
        verify(app.pages.currentItem === editor);
        compare(editor.history.count, 2);

        backButton().clicked();
        tryCompare(editor.unsavedPrompt, "opened", true);
        editor.unsavedPrompt.choose("discard");
        tryCompare(app.pages, "depth", 1);
        verify(!editor.history.hasUnsavedEdits);
    }

    // Save in the prompt saves first, and the Saved grid shows the new picture.
    function test_2_anotherPhotoAsksFirstAndSaves() {
        var grid = savedGrid();
        compare(grid.folder, "file://" + app.savedFolder);
        var before = grid.count;
        open("wide.png");
        edit();
        var start = new Date().getSeconds();
        tryVerify(function() { return new Date().getSeconds() !== start; }, 2000);
        verify(app.openPhoto(testFolder + "wide.jpg"));
        tryCompare(editor.unsavedPrompt, "opened", true);
        compare(editor.history.original, testFolder + "wide.png");
        editor.unsavedPrompt.choose("save");
        tryCompare(editor.history, "original", testFolder + "wide.jpg");
        tryVerify(function() { return app.savedCount > 0; });
        tryCompare(grid, "count", before + 1);
        verify(!editor.history.hasUnsavedEdits);
    }

    function test_3_closingTheWindowAsksFirst() {
        var close = { accepted: true };
        app.windowClosing(close);
        verify(close.accepted);  // nothing to lose
        edit();
        app.windowClosing(close);
        verify(!close.accepted);
        tryCompare(editor.unsavedPrompt, "opened", true);
        editor.unsavedPrompt.choose("cancel");
        verify(editor.history.hasUnsavedEdits);
        // Saved, the window may close.
        saveInAFreshSecond();
        verify(!app.messages.error, app.messages.text);
        close = { accepted: true };
        app.windowClosing(close);
        verify(close.accepted);
    }

    function test_4_emptyCropBoxIsRefused() {
        open("wide.png");
        editor.openToolNamed("crop");
        tryCompare(editor.panel, "ready", true);
        editor.panel.cropBox.box = { x: 10, y: 10, w: 0, h: 40 };
        editor.panel.apply();
        compare(app.busy, false);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("crop box is empty") >= 0, app.messages.text);
        compare(editor.history.count, 1);
        editor.closeTool();
    }

    // The collage keeps each photo, whatever its name.
    function test_5_collageOfTwoPhotosOfOneName() {
        backButton().clicked();
        tryCompare(app.pages, "depth", 1);
        app.openCollage();
        var page = app.pages.currentItem;
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
}
