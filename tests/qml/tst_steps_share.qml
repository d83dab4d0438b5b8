import QtQuick
import QtTest

// Steps beyond one editing session: kept across a restart (Continue editing,
// Start over, a refused file forgotten), written by Save and replayed by "Edit
// steps", copied and pasted through the clipboard, and applied to several
// photos from Home.
WindowTestCase {
    id: shareTest
    name: "StepsShare"

    readonly property var store: communication.workingFolder.keptSteps
    readonly property string wide: testFolder + "wide.png"

    TextEdit {
        id: clipboard
        visible: false
    }

    function putOnClipboard(text) {
        clipboard.text = text;
        clipboard.selectAll();
        clipboard.copy();
    }

    function tone(exposure) {
        var panel = openTool("tone");
        panel.exposure = exposure;
        panel.apply();
        idle();
    }

    function turn() {
        var panel = openTool("rotate");
        panel.turn(1);
        panel.apply();
        idle();
    }

    // A new window, as after closing the program and starting it again.
    function restart() {
        app.destroy();
        wait(0);
        var component = Qt.createComponent("../../qml/zeltanorvik/main.qml");
        app = createTemporaryObject(component, shareTest);
        verify(app);
    }

    function reopen(path) {
        verify(app.openPhoto(path));
        tryCompare(app.pages, "busy", false);
        tryVerify(function() { return editor.photo.hasPicture; }, 20000);
    }

    function choose(which) {
        var choice = editor.stepsKeeper.choice;
        tryCompare(choice, "opened", true);
        choice.choose(which);
        idle();
        // Its dimming fades out over the window, the pictures compared
        // there included.
        tryCompare(choice, "visible", false);
    }

    function labels() {
        return editor.history.currentSteps().map(function(s) { return s.label; });
    }

    // The picture the calls make one by one from a twin of wide.png (its
    // working files are its own).
    function oneByOne(calls) {
        var made = null;
        calls[0].splice(1, 0, testFolder + "Прогулка_散歩_\u{1F332}.png");
        for (var i = 1; i < calls.length; ++i)
            calls[i].splice(1, 0, "$previous");
        editor.work.start("test-one-by-one", calls, function(path) { made = path; },
                          function(error) { made = ""; fail("the calls failed: " + error); });
        tryVerify(function() { return made !== null; }, 20000);
        return made;
    }

    function samePicture(made, expected) {
        compareToFile("file://" + made, expected);
    }

    function test_keptStepsAfterARestart() {
        tone(30);
        turn();
        verify(store.kept(wide) !== "");

        restart();
        reopen(wide);
        compare(editor.history.count, 1);
        choose(0);  // Continue editing
        compare(labels(), ["Tone: exposure +30", "Rotate 90\u00b0"]);
        samePicture(editor.history.current, oneByOne([["tools.toneImage", 30, 0, 0, 0, 0, 0],
                                                      ["revolvingImage", 1.0, 90, false, false, false]]));
        verify(!app.messages.error, app.messages.text);

        // An undo is kept too: the next start continues from one step.
        editor.undo();
        idle();
        restart();
        reopen(wide);
        choose(0);
        compare(labels(), ["Tone: exposure +30"]);

        // Start over forgets them.
        restart();
        reopen(wide);
        choose(1);
        compare(editor.history.count, 1);
        compare(store.kept(wide), "");
        restart();
        reopen(wide);
        // Decided: steps are kept for the photo from now on, nothing asked.
        tryCompare(editor.stepsKeeper, "photo", wide);
        verify(!editor.stepsKeeper.choice.opened);
    }

    // Steps that do not pass the check are refused with the step's number,
    // forgotten, and the photo opens as it is.
    function test_refusedKeptStepsAreForgotten() {
        verify(store.keep(wide, JSON.stringify({ format: "zeltanorvik-steps", version: 1,
                                                 steps: [{ object: "tools", call: "toneImage", args: [30] }] })));
        restart();
        reopen(wide);
        verify(!editor.stepsKeeper.choice.opened);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("Step 1") >= 0, app.messages.text);
        compare(store.kept(wide), "");
        compare(editor.history.count, 1);
    }

    // Save writes the steps and where the photo was; "Edit steps" on the saved
    // picture replays them on the photo, to the saved pixels.
    function test_saveThenEditSteps() {
        tone(-20);
        turn();
        var sheet = editor.saveSheet;
        sheet.format = "png";
        sheet.longSide = 0;
        sheet.remember();
        editor.save();
        idle();
        var saved = app.savedFolder + "wide_edited.png";
        compare(app.messages.text, "Saved as " + saved);
        var carried = tools.stepsOf(saved);
        verify(carried !== "");
        compare(tools.readSteps(carried).steps.length, 2);

        restart();
        reopen(saved);
        compare(editor.history.original, saved);
        choose(0);  // Edit steps
        // The steps are listed at once; the pictures follow when made.
        tryCompare(editor.history, "index", 2, 20000);
        idle();
        compare(editor.history.original, wide);
        compare(labels(), ["Tone: exposure -20", "Rotate 90\u00b0"]);
        samePicture(editor.history.current, saved);

        // The original gone: said in words, nothing replayed.
        editor.stepsKeeper.editSteps("/nowhere/wide.png", tools.readSteps(carried).steps);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("no longer exists") >= 0, app.messages.text);
        // The choice back to the first one (remembered across windows).
        editor.saveSheet.format = "jpeg";
        editor.saveSheet.remember();
    }

    function test_copyAndPaste() {
        tone(30);
        editor.stepsCopy.copy();
        clipboard.text = "";
        clipboard.paste();
        compare(tools.readSteps(clipboard.text).steps[0].label, "Tone: exposure +30");

        // Another photo: the edits of this one discarded.
        verify(app.openPhoto(testFolder + "photo0.png"));
        tryCompare(editor.unsavedPrompt, "opened", true);
        editor.unsavedPrompt.choose("discard");
        tryCompare(app.pages, "busy", false);
        tryVerify(function() { return editor.photo.hasPicture && editor.history.original === testFolder + "photo0.png"; }, 20000);
        compare(store.kept(wide), "");
        editor.stepsCopy.paste();
        idle();
        compare(labels(), ["Tone: exposure +30"]);
        verify(!app.messages.error, app.messages.text);

        // Steps from another program: checked, refused with the step and why.
        putOnClipboard(JSON.stringify({ format: "zeltanorvik-steps", version: 1,
                                        steps: [{ call: "revolvingImage", args: [1.0, 90, false, false, false] },
                                                { call: "noSuchCall", args: [] }] }));
        editor.stepsCopy.paste();
        idle();
        verify(app.messages.error);
        verify(app.messages.text.indexOf("cannot be used: Step 2") >= 0, app.messages.text);
        compare(labels(), ["Tone: exposure +30"]);

        // Other text leaves the steps copied here.
        putOnClipboard("a shopping list");
        editor.stepsCopy.paste();
        idle();
        compare(labels(), ["Tone: exposure +30", "Tone: exposure +30"]);
    }

    function test_applyStepsOnSeveralPhotos() {
        var home = app.pages.get(0);
        compare(home.objectName, "home");
        var batch = home.batch;
        var steps = tools.stepsJson([{ object: "tools", call: "toneImage", args: [30, 0, 0, 10, 0, 0] }]);
        var photos = [testFolder + "photo0.png", testFolder + "gone.png", testFolder + "photo1.png"];
        batch.start(photos, steps);
        tryCompare(batch, "running", false, 30000);
        compare(batch.saved.length, 2);
        compare(batch.failures.length, 1);
        verify(batch.failures[0].indexOf("gone.png: ") === 0, batch.failures[0]);
        verify(batch.summary.indexOf("2 saved, 1 failed: gone.png: ") === 0, batch.summary);
        for (var i = 0; i < batch.saved.length; ++i) {
            verify(batch.saved[i].indexOf(app.savedFolder) === 0, batch.saved[i]);
            compare(tools.readSteps(tools.stepsOf(batch.saved[i])).steps.length, 1);
        }

        // Cancel: the photo being made finishes, no other starts.
        batch.start(photos.concat(photos), steps);
        batch.cancel();
        tryCompare(batch, "running", false, 30000);
        compare(batch.saved.length, 1);
        verify(batch.summary.indexOf("Stopped: 1 saved, 5 not done.") === 0, batch.summary);
    }
}
