import QtQuick
import QtTest

// The editor's steps: a step changed through the Steps list (its tool reopened
// with its settings) or removed has every later step made again, giving the
// pixels of the edits made one by one, previewed in memory when it can be;
// undo and redo move through the steps, making again a picture whose file
// went past the undo budget; a photo opened with steps replays them.
WindowTestCase {
    name: "EditorSteps"

    // The same pixels as wide.png under another name: calls made on it write
    // working files of their own, never the history's.
    readonly property string twin: testFolder + "Прогулка_散歩_\u{1F332}.png"

    function tone(exposure) {
        var panel = openTool("tone");
        panel.exposure = exposure;
        panel.apply();
        idle();
    }

    function brighten(amount) {
        var panel = openTool("adjust");
        panel.brightness = amount;
        panel.apply();
        idle();
    }

    function turn() {
        var panel = openTool("rotate");
        panel.turn(1);
        panel.apply();
        idle();
    }

    function threeSteps() {
        tone(30);
        brighten(20);
        turn();
        compare(editor.history.steps.map(function(s) { return s.label; }),
                ["Tone: exposure +30", "Adjust: brightness +20", "Rotate 90\u00b0"]);
        compare(editor.history.index, 3);
        verify(!app.messages.visible, app.messages.text);
    }

    // The picture the calls make one by one from the twin of the photo.
    function oneByOne(calls) {
        var made = null;
        calls[0].splice(1, 0, twin);
        for (var i = 1; i < calls.length; ++i)
            calls[i].splice(1, 0, "$previous");
        editor.work.start("test-one-by-one", calls, function(path) { made = path; },
                          function(error) { made = ""; fail("the calls failed: " + error); });
        tryVerify(function() { return made !== null; }, 20000);
        return made;
    }

    function toneCall(exposure) {
        return ["tools.toneImage", exposure, 0, 0, 0, 0, 0];
    }
    function brightenCall(amount) {
        return ["mixingcolorImage", 640, 400, amount, 0, 0];
    }
    function turnCall() {
        return ["revolvingImage", 1.0, 90, false, false, false];
    }

    function samePicture(made, expected) {
        // The Steps drawer gone: it would lie over the pictures compared.
        tryCompare(editor.stepsDrawer, "visible", false);
        compareToFile("file://" + made, expected);
    }

    // The Steps list's row for step `i` (0: the photo as opened), in the drawer.
    function stepRow(i) {
        editor.toggleSteps();
        tryCompare(editor.stepsDrawer, "opened", true);
        var row = null;
        tryVerify(function() { row = editor.stepsDrawerList.view.itemAtIndex(i); return row !== null; });
        return row;
    }

    // The tool of a step reopened from the list, once the picture before
    // the step shows.
    function reopened(name) {
        tryCompare(editor, "openTool", name);
        tryVerify(function() { return editor.panel !== null; });
        var panel = editor.panel;
        tryCompare(panel, "ready", true, 5000);
        return panel;
    }

    function test_changingTheFirstStepMakesTheLaterOnesAgain() {
        threeSteps();
        var before = editor.history.entries.slice();
        mouseClick(stepRow(1));
        tryCompare(editor.stepsDrawer, "opened", false);
        var panel = reopened("tone");
        idle();
        // The tool shows the step's settings, on the picture before it.
        compare(panel.exposure, 30);
        compare(editor.history.index, 0);
        panel.exposure = -40;
        panel.apply();
        idle();
        compare(editor.openTool, "");
        compare(editor.history.index, 3);
        compare(editor.history.steps.length, 3);
        compare(editor.history.steps[0].label, "Tone: exposure -40");
        compare(editor.history.steps[0].args, [-40, 0, 0, 0, 0, 0]);
        compare(editor.history.entries[0], before[0]);
        compare(pictureSize(editor.history.current), Qt.size(400, 640));
        samePicture(editor.history.current, oneByOne([toneCall(-40), brightenCall(20), turnCall()]));
        verify(!app.messages.visible, app.messages.text);

        // Reopened and cancelled: nothing changes.
        mouseClick(stepRow(2));
        panel = reopened("adjust");
        compare(panel.brightness, 20);
        panel.cancel();
        idle();
        compare(editor.history.index, 3);
        compare(editor.history.steps[1].label, "Adjust: brightness +20");

        // Changed, then stopped while the steps are made again: the tool
        // stays open, and closed, the picture and the steps are as they were.
        mouseClick(stepRow(1));
        panel = reopened("tone");
        panel.exposure = 10;
        panel.apply();
        verify(app.busy);
        app.busyCancel();
        idle();
        compare(editor.openTool, "tone");
        editor.closeTool();
        idle();
        compare(editor.history.index, 3);
        compare(editor.history.steps[0].args, [-40, 0, 0, 0, 0, 0]);
        samePicture(editor.history.current, oneByOne([toneCall(-40), brightenCall(20), turnCall()]));
    }

    // A change whose later steps all have a form in memory is previewed in
    // memory; one with a turn after it, through working files of the copy.
    function test_previewOfAChange() {
        tone(30);
        brighten(20);
        var standIns = [];
        var watch = function() {
            if (editor.photo.standIn !== "")
                standIns.push(editor.photo.standIn);
        };
        editor.photo.standInChanged.connect(watch);
        var change = function(exposure) {
            standIns = [];
            mouseClick(stepRow(1));
            tryCompare(editor.stepsDrawer, "opened", false);
            var panel = reopened("tone");
            panel.exposure = exposure;
            panel.apply();
            idle();
            compare(standIns.length, 1);
            return standIns[0];
        };
        var shown = change(-40);
        verify(shown.indexOf("image://working/live:") === 0, shown);
        samePicture(editor.history.current, oneByOne([toneCall(-40), brightenCall(20)]));

        turn();
        shown = change(10);
        verify(shown.indexOf("/") === 0 && runner.isCopy(shown), shown);
        samePicture(editor.history.current, oneByOne([toneCall(10), brightenCall(20), turnCall()]));
        editor.photo.standInChanged.disconnect(watch);
        verify(!app.messages.visible, app.messages.text);
    }

    function test_removingAStep() {
        threeSteps();
        var row = stepRow(2);
        var remove = findChild(row, "removeStep");
        verify(remove);
        mouseClick(remove);
        idle();
        compare(editor.history.steps.map(function(s) { return s.label; }), ["Tone: exposure +30", "Rotate 90\u00b0"]);
        compare(editor.history.index, 2);
        samePicture(editor.history.current, oneByOne([toneCall(30), turnCall()]));
        // The last one removed: the picture before it, nothing to make again.
        editor.removeStep(1);
        idle();
        compare(editor.history.steps.length, 1);
        compare(editor.history.index, 1);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
    }

    // Past the undo budget a picture's file goes but its step stays: undo
    // makes it again from the photo, redo comes back.
    function test_undoAndRedoThroughTheSteps() {
        editor.history.undoSteps = 1;
        threeSteps();
        compare(editor.history.entries[1], "");
        editor.undo();
        idle();
        compare(editor.history.index, 2);
        editor.undo();
        idle();
        compare(editor.history.index, 1);
        compare(editor.history.currentSteps().length, 1);
        samePicture(editor.history.current, oneByOne([toneCall(30)]));
        editor.redo();
        idle();
        editor.redo();
        idle();
        compare(editor.history.index, 3);
        compare(editor.history.steps.length, 3);
        samePicture(editor.history.current, oneByOne([toneCall(30), brightenCall(20), turnCall()]));
        editor.history.undoSteps = 8;
    }

    // Every tool's Apply records its step (with its label and how to reopen
    // the tool), and the steps of all of them are made again when the first
    // one is removed.
    function test_everyToolRecordsItsStep() {
        var names = ["looks", "frames", "adjust", "tone", "curves", "mixer", "selective", "heal", "focus", "rotate",
                     "crop", "text"];
        for (var i = 0; i < names.length; ++i) {
            editor.openToolNamed(names[i], { applyWhenReady: true });
            tryCompare(editor.history, "count", i + 2, 20000, names[i]);
            tryCompare(editor, "openTool", "", 20000, names[i]);
            idle();
            var step = editor.history.steps[i];
            verify(step, names[i]);
            verify(step.label.length > 0, names[i]);
            compare(step.tool.name, names[i]);
        }
        verify(!app.messages.visible, app.messages.text);
        // Each tool reopens with its step's settings; cancelled, nothing changes.
        var labels = editor.history.steps.map(function(s) { return s.label; });
        for (i = 0; i < names.length; ++i) {
            editor.reviseStep(i);
            var panel = reopened(names[i]);
            compare(editor.history.index, i);
            var settings = editor.history.steps[i].tool.settings;
            for (var key in settings)
                compare(JSON.stringify(panel[key]), JSON.stringify(settings[key]), names[i] + " " + key);
            editor.closeTool();
            idle();
            compare(editor.history.index, names.length);
        }
        compare(editor.history.steps.map(function(s) { return s.label; }), labels);
        verify(!app.messages.visible, app.messages.text);
        editor.removeStep(0);
        idle();
        verify(!app.messages.visible, app.messages.text);
        compare(editor.history.steps.map(function(s) { return s.label; }), labels.slice(1));
        compare(editor.history.index, names.length - 1);
        verify(app.fileCheck.readable(editor.history.current));
    }

    function test_openWithSteps() {
        tone(30);
        turn();
        var steps = editor.history.steps;
        // The edits open now are asked about first.
        verify(editor.openWithSteps(testFolder + "wide.png", steps));
        tryCompare(editor.unsavedPrompt, "opened", true);
        editor.unsavedPrompt.choose("discard");
        tryCompare(editor.history, "index", 2, 20000);
        idle();
        compare(editor.history.steps.length, 2);
        samePicture(editor.history.current, oneByOne([toneCall(30), turnCall()]));

        // A step that cannot be made: said with its number; the photo as it is.
        editor.history.clear();
        verify(editor.openWithSteps(testFolder + "wide.png", [steps[0], null]));
        tryVerify(function() { return app.messages.visible && app.messages.error; });
        idle();
        compare(editor.history.count, 1);
        compare(editor.history.steps.length, 0);
        verify(app.messages.text.indexOf("Step 2") >= 0, app.messages.text);
    }
}
