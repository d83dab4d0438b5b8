import QtQuick
import QtTest

// Save: the sheet's choice (format, size, location) goes to
// tools.exportImageAs on the runner, with the busy indicator, never on the GUI
// thread; the choice is remembered and Ctrl+S saves with it at once; a
// failure says why.
WindowTestCase {
    name: "EditorSave"

    SignalSpy {
        id: finishedJobs
        target: runner
        signalName: "finished"
    }

    function savedThroughTheRunner(path) {
        for (var i = 0; i < finishedJobs.count; ++i) {
            var job = finishedJobs.signalArguments[i];
            if (job[1] === "save" && job[2] === path)
                return true;
        }
        return false;
    }

    // The choice back to the first one, for the tests that come after.
    function cleanup() {
        var sheet = editor.saveSheet;
        sheet.close();
        sheet.format = "jpeg";
        sheet.quality = 92;
        sheet.longSide = 0;
        sheet.keepLocation = true;
        sheet.remember();
    }

    function test_savesAsChosenThroughTheRunner() {
        edit();
        finishedJobs.clear();
        var sheet = editor.saveSheet;
        editor.askSave();
        tryCompare(sheet, "opened", true);
        compare(sheet.format, "jpeg");
        compare(sheet.keepLocation, true);
        sheet.format = "png";
        sheet.longSide = 160;
        sheet.choose();
        verify(app.busy);
        tryCompare(app, "busy", false);
        var saved = app.savedFolder + "wide_edited.png";
        verify(!app.messages.error, app.messages.text);
        compare(app.messages.text, "Saved as " + saved);
        compare(pictureSize(saved), Qt.size(128, 160));  // the left half of 640 x 400, its long side 160
        verify(savedThroughTheRunner(saved));

        // Remembered: the next save (Ctrl+S) uses the same choice at once.
        edit();
        editor.save();
        verify(!sheet.opened);
        tryCompare(app, "busy", false);
        saved = app.savedFolder + "wide_edited-2.png";
        compare(app.messages.text, "Saved as " + saved);
        verify(savedThroughTheRunner(saved));
        editor.askSave();
        compare(sheet.format, "png");
        compare(sheet.longSide, 160);
    }

    // A save that cannot be done says why, and the picture stays unsaved.
    function test_failureSaysWhy() {
        edit();
        var sheet = editor.saveSheet;
        sheet.format = "webp";
        sheet.longSide = -1;  // no choice the sheet offers; the reason comes from the save
        sheet.choose();
        tryCompare(app, "busy", false);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("Saving failed: ") === 0, app.messages.text);
        verify(app.messages.text.indexOf("longSide") > 0 || app.messages.text.indexOf("long side") > 0,
               app.messages.text);
        verify(editor.history.hasUnsavedEdits);
    }
}
