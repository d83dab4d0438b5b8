import QtQuick
import QtTest
import QtQuick.Controls

// The window on a big screen and files from outside: at 1280 x 800 the tool
// panel sits beside the photo, Home's grids take more columns and the collage
// options sit beside the collage; narrow again, the phone layout returns.
// Dropped files open as the drop handler opens them (the drop events
// themselves: tst_desktopwindow).
WindowTestCase {
    name: "Desktop"

    function setSize(w, h) {
        app.width = w;
        app.height = h;
        waitForRendering(app);
    }

    function itemRect(item) {
        var p = item.mapToItem(app, 0, 0);
        return Qt.rect(p.x, p.y, item.width, item.height);
    }

    function test_wideEditorPutsThePanelBesideThePhoto() {
        setSize(1280, 800);
        verify(editor.wide);
        // The Steps list in a column on the left, which the top bar's button hides.
        verify(editor.stepsColumnWidth > 0);
        var photo = itemRect(editor.photo);
        compare(photo.width, editor.width - editor.stepsColumnWidth);
        compare(photo.x, editor.stepsColumnWidth);
        editor.toggleSteps();
        compare(itemRect(editor.photo).width, editor.width);
        editor.toggleSteps();
        var panel = openTool("adjust");
        photo = itemRect(editor.photo);
        var side = itemRect(panel);
        compare(photo.width, editor.width - editor.sidePanelWidth - editor.stepsColumnWidth);
        compare(side.width, editor.sidePanelWidth);
        compare(side.x, photo.x + photo.width);
        verify(photo.height > 600, "the photo keeps the height: " + photo.height);
        verify(side.y < photo.y + photo.height / 2);

        setSize(480, 854);
        verify(!editor.wide);
        compare(editor.stepsColumnWidth, 0);
        photo = itemRect(editor.photo);
        side = itemRect(editor.panel);
        compare(side.width, editor.width);
        compare(photo.width, editor.width);
        verify(side.y >= photo.y + photo.height - 1);
    }

    function test_homeGridFillsTheWidth() {
        app.pages.pop(null, StackView.Immediate);
        var grid = findChild(app.pages.get(0), "savedGrid");
        verify(grid);
        compare(grid.columns, 3);
        setSize(1280, 800);
        verify(grid.columns >= 7, "columns: " + grid.columns);
        compare(grid.limit, grid.columns * 2);
    }

    // Several files open the collage picker with them chosen; its options
    // sit beside the collage on a big screen.
    function test_severalFilesOpenTheCollagePicker() {
        setSize(1280, 800);
        var files = [testFolder + "wide.png", "file://" + testFolder + "wide.jpg", testFolder + "no-such.png"];
        compare(app.outsideFiles.openFiles(files, true), "collage");
        tryCompare(app.pages, "busy", false);
        var page = app.pages.currentItem;
        verify(page.wide);
        compare(findChild(page, "collagePicker").chosen, [testFolder + "wide.png", testFolder + "wide.jpg"]);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("no-such.png cannot be opened") >= 0, app.messages.text);
    }

    // One file replaces the photo, asking first when there are unsaved edits.
    function test_oneFileAsksFirstOverUnsavedEdits() {
        edit();
        compare(app.outsideFiles.openFiles(["file://" + testFolder + "wide.jpg"], false), "editor");
        tryCompare(editor.unsavedPrompt, "opened", true);
        compare(editor.history.original, testFolder + "wide.png");
        editor.unsavedPrompt.choose("discard");
        tryCompare(editor.history, "original", testFolder + "wide.jpg");
    }

    // Problems found at start are said on the first screen.
    function test_startProblemsAreSaid() {
        app.messages.hide();
        app.outsideFiles.start([], ["gone.jpg cannot be opened: there is no such file."]);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("gone.jpg cannot be opened: there is no such file.") === 0,
               app.messages.text);
    }
}
