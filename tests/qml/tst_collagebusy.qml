import QtQuick
import QtTest
import Qt.labs.folderlistmodel

// The collage is made off the GUI thread: a new pattern's background and
// cells arrive and the busy state clears, a second choice while the first is
// made replaces it and leaves no stray working file, Save renders and saves
// in the background, and a failure still says what went wrong.
TestCase {
    id: testCase
    name: "CollageBusy"
    when: windowShown
    visible: true
    width: 480
    height: 854

    property var app: null
    property var page: null

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

    function initTestCase() {
        var component = Qt.createComponent("../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
    }

    function init() {
        page = app.openPage("CollagePage.qml", { app: app }, "Collages");
        verify(page);
        tryCompare(app.pages, "busy", false);
        page.kind = "template";
        page.photos = [testFolder + "wide.png", testFolder + "red/same.png", testFolder + "blue/same.png"];
        page.startComposing();
        tryCompare(page, "ready", true, 20000);
        idle();
        app.messages.hide();
    }

    function cleanup() {
        idle();
        app.pages.pop(null);
        tryCompare(app.pages, "busy", false);
        page = null;
    }

    function idle() {
        tryCompare(app, "busy", false, 20000);
        tryCompare(runner, "busy", false, 20000);
    }

    function test_newPatternArrivesAndBusyClears() {
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
}
