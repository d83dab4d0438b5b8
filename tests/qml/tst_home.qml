import QtQuick
import QtTest
import "../../qml/zeltanorvik"

// Home and the window around the pages: the functions the program calls when
// the touch tracker or the sharing controller reports something, and Home's
// Saved grid following a save made when another photo is opened over
// unsaved edits.
WindowTestCase {
    id: testCase
    name: "Home"
    photo: ""

    function savedGrid() {
        var grid = findChild(app.pages.get(0), "savedGrid");
        verify(grid);
        return grid;
    }

    Component {
        id: gridComponent
        PhotoGrid {}
    }

    // A folder that is not there lists nothing (never the current folder,
    // which holds pictures here); the Open dialog starts in a folder that is.
    function test_missingFolderListsNothing() {
        var before = testFiles.setCurrentFolder(testFolder);
        var grid = createTemporaryObject(gridComponent, testCase, { folder: "file:///nonexistent-zn-pictures/" });
        wait(500);
        testFiles.setCurrentFolder(before);
        compare(grid.count, 0);
        verify(!grid.visible);
        compare(app.picturesFolder, "");
        compare(app.openFolder, "file://" + app.documentRoot);
    }

    function test_rootFunctions() {
        app.scaleChanged(1.6);
        compare(app.pinchScale, 1.6);
        app.rotateDegree(45);
        compare(app.lastRotateDegree, 45);
        app.pointChanged();
        compare(app.touchCount, 0);
        app.messages.hide();
        app.httpError();
        verify(app.messages.error);
        app.httpProgress(1, 2);
        app.sinaUpload("x");
        app.renrenUpload("y");
    }

    // Save in the prompt saves first, and the Saved grid shows the new picture.
    function test_anotherPhotoAsksFirstAndSaves() {
        var grid = savedGrid();
        compare(grid.folder, "file://" + app.savedFolder);
        var before = grid.count;
        openPhoto("wide.png");
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
}
