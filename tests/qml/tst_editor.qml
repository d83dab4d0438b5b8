import QtQuick
import QtQuick.Controls.Material
import QtTest
import "../../qml/zeltanorvik"
import "../../qml/zeltanorvik/WorkingFiles.js" as WorkingFiles

// The editor: its history of working files (EditorHistory) and their names
// (as the runner tells them), and the screen as a user drives it: undo and redo keys,
// failures said in words, saving, a new photo starting over, Esc, one-tap
// enhance, and unsaved edits never dropped unasked (Back, closing the window).
Item {
    id: root
    width: 480
    height: 854

    TestCase {
        name: "EditorHistory"

        EditorHistory { id: history }

        function init() {
            history.clear();
        }

        function test_applyUndoRedo() {
            compare(history.current, "");
            verify(!history.canUndo);
            history.apply("/ignored.png");  // nothing open yet
            compare(history.count, 0);

            history.open("/p/a.jpg");
            compare(history.current, "/p/a.jpg");
            compare(history.original, "/p/a.jpg");
            history.apply("/t/a_norvik.png");
            history.apply("/t/a_norvik_norvik.png");
            compare(history.count, 3);
            verify(history.canUndo);
            verify(!history.canRedo);

            history.undo();
            history.undo();
            compare(history.current, "/p/a.jpg");
            verify(!history.canUndo);
            history.undo();
            compare(history.current, "/p/a.jpg");
            history.redo();
            compare(history.current, "/t/a_norvik.png");
            verify(history.canRedo);
        }

        // An apply after an undo drops what came after the current entry.
        function test_applyAfterUndoDropsTheRest() {
            history.open("/p/a.jpg");
            history.apply("/t/a_norvik.png");
            history.apply("/t/a_norvik_norvik.png");
            history.undo();
            history.undo();
            history.apply("/t/other.png");
            compare(history.entries, ["/p/a.jpg", "/t/other.png"]);
            verify(!history.canRedo);
        }

        // Unsaved edits: any entry after the photo itself, unless it is the one
        // saved last; the saved entry dropped by an apply is forgotten.
        function test_unsavedEdits() {
            history.open("/p/a.jpg");
            verify(!history.hasUnsavedEdits);
            history.apply("/t/a_norvik.png");
            verify(history.hasUnsavedEdits);
            history.markSaved("/s/");
            verify(history.currentIsSaved);
            verify(!history.hasUnsavedEdits);
            history.apply("/t/a_norvik_norvik.png");
            verify(history.hasUnsavedEdits);
            history.undo();
            verify(!history.hasUnsavedEdits);
            compare(history.savedWhere, "/s/");
            history.undo();
            verify(!history.hasUnsavedEdits);  // the photo as opened
            history.apply("/t/a_norvik.png");  // the same name, another picture
            verify(!history.currentIsSaved);
            verify(history.hasUnsavedEdits);
            compare(history.savedWhere, "");
        }

        // The photo as opened and at most `undoSteps` files; past it the
        // files farthest from the current picture go, never the steps. Undo
        // stops at a picture whose file went (the editor makes it again).
        function test_undoBudget() {
            history.undoSteps = 3;
            history.open("/p/a.jpg");
            for (var i = 1; i <= 5; ++i) {
                history.apply("/t/" + i + ".png", { call: "loadImage", args: [1000 + i] });
                if (i === 3)
                    history.markSaved("/s/");
            }
            compare(history.entries, ["/p/a.jpg", "", "", "/t/3.png", "/t/4.png", "/t/5.png"]);
            compare(history.steps.length, 5);
            compare(history.index, 5);
            compare(history.savedIndex, 3);
            history.apply("/t/6.png", { call: "loadImage", args: [1006] });
            compare(history.original, "/p/a.jpg");
            compare(history.savedIndex, 3);  // its file went; its steps did not
            history.undo(); history.undo(); history.undo();
            compare(history.index, 4);
            compare(history.keptAtOrBefore(3), 0);
            compare(history.currentSteps().map(function(s) { return s.args[0]; }), [1001, 1002, 1003, 1004]);
            // Made again, the file is kept and the farthest one goes instead.
            history.restore(0, ["/t/1.png", "/t/2.png", "/t/3.png"], 3);
            compare(history.entries, ["/p/a.jpg", "", "/t/2.png", "/t/3.png", "/t/4.png", "", ""]);
            compare(history.current, "/t/3.png");
            history.undoSteps = 8;
        }

        // Steps from one on replaced: the files before are kept, the later
        // ones are those given; an undo's redo steps go with an apply.
        function test_stepsReplaced() {
            history.open("/p/a.jpg");
            history.apply("/t/1.png", { call: "a" });
            history.apply("/t/2.png", { call: "b" });
            history.apply("/t/3.png", { call: "c" });
            history.replaceFrom(1, [{ call: "B" }, { call: "c" }], ["/t/2b.png", "/t/3b.png"], 3);
            compare(history.entries, ["/p/a.jpg", "/t/1.png", "/t/2b.png", "/t/3b.png"]);
            compare(history.steps.map(function(s) { return s.call; }), ["a", "B", "c"]);
            history.replaceFrom(0, [{ call: "B" }, { call: "c" }], ["/t/x.png", "/t/y.png"], 1);
            compare(history.steps.length, 2);
            compare(history.current, "/t/x.png");
            verify(history.canRedo);
            history.apply("/t/z.png", { call: "d" });
            compare(history.steps.map(function(s) { return s.call; }), ["B", "d"]);
            verify(!history.canRedo);
        }

        function test_openStartsOver() {
            history.open("/p/a.jpg");
            history.apply("/t/a_norvik.png");
            history.open("/p/b.jpg");
            compare(history.entries, ["/p/b.jpg"]);
            verify(!history.hasUnsavedEdits);
        }
    }

    TestCase {
        name: "WorkingFiles"

        // The runner tells the interface the working file the facade writes.
        function test_namesMatchTheFacade_data() {
            return [
                { tag: "jpeg", source: testFolder + "wide.jpg" },
                { tag: "file URL", source: "file://" + testFolder + "wide.png" },
            ];
        }

        function test_namesMatchTheFacade(data) {
            var written = communication.qualityImage(data.source, 0.1);
            compare(runner.workingFileFor(data.source), written);
            compare(runner.workingFileFor(written), communication.qualityImage(written, 0.5));
        }

        // Past the file system's limit too: a chain of 40 steps, a name with two-,
        // three- and four-byte characters.
        function test_longChainsMatchTheFacade_data() {
            return [
                { tag: "plain", source: testFolder + "wide.png" },
                { tag: "multi-byte", source: testFolder + "Прогулка_散歩_\u{1F332}.png" },
            ];
        }

        function test_longChainsMatchTheFacade(data) {
            var current = data.source;
            for (var step = 0; step < 40; ++step) {
                var predicted = runner.workingFileFor(current);
                var written = communication.qualityImage(current, step === 0 ? 0.05 : 1.0);
                compare(predicted, written, "step " + step);
                current = written;
            }
            verify(WorkingFiles.fileName(current).indexOf("~") > 0);
        }

        function test_urls() {
            compare(WorkingFiles.toUrl("/a b/c#1.png"), "file:///a%20b/c%231.png");
            compare(WorkingFiles.toPath("file:///a%20b/c%231.png"), "/a b/c#1.png");
            compare(WorkingFiles.toPath("file:///a/b.png?v=3"), "/a/b.png");
            compare(WorkingFiles.toPath("/plain/path.png"), "/plain/path.png");
            compare(WorkingFiles.toUrl(""), "");
            verify(WorkingFiles.isInside("/r/.qvrkTemp/x.png", "/r/.qvrkTemp/"));
            verify(!WorkingFiles.isInside("/r/x.png", "/r/.qvrkTemp/"));
        }
    }

    WindowTestCase {
        name: "Editor"

        function backButton() {
            var button = findChild(editor, "backButton");
            verify(button);
            return button;
        }

        // Saves are named by the second (copyImage): start each in a fresh one.
        function saveInAFreshSecond() {
            var start = new Date().getSeconds();
            tryVerify(function() { return new Date().getSeconds() !== start; }, 2000);
            editor.save();
            tryCompare(app, "busy", false);
        }

        function test_undoRedoKeys() {
            edit();
            edit();
            compare(editor.history.index, 2);
            editor.forceActiveFocus();
            keySequence("Ctrl+Z");
            compare(editor.history.index, 1);
            keySequence("Ctrl+Shift+Z");
            compare(editor.history.index, 2);
            keySequence("Ctrl+Z");
            keySequence("Ctrl+Y");
            compare(editor.history.index, 2);
        }

        // A picture whose screen copy is not in memory is decoded off the
        // GUI thread: the one before stays on screen meanwhile.
        function test_newPictureDecodedOffTheGuiThread() {
            var big = communication.qualityImage(testFolder + "wide.jpg", 4);
            verify(editor.commit(big, "Enlarging"));
            verify(!editor.photo.hasPicture);
            compare(editor.photo.shown.status, Image.Ready);
            verify(editor.photo.shown.visible);
            tryVerify(function() { return editor.photo.hasPicture; }, 10000);
            compare(editor.photo.shown.sourceSize, editor.photo.decodeSize);
        }

        // The unsaved-edits prompt is in the window's colours: Save in the accent.
        function test_promptSaveInTheAccent() {
            edit();
            backButton().clicked();
            tryCompare(editor.unsavedPrompt, "opened", true);
            compare(editor.unsavedPrompt.Material.accent, app.Material.accent);
            compare(editor.unsavedPrompt.Material.theme, Material.Dark);
            editor.unsavedPrompt.choose("cancel");
        }

        function test_failuresAreSaid() {
            verify(!editor.commit("", "Looks"));
            verify(app.messages.visible);
            verify(app.messages.error);
            compare(app.messages.text, "Looks failed.");
            verify(!editor.commit(testFolder + "nothing-here.png", "Frames"));
            compare(app.messages.text, "Frames failed: no picture was written.");
            compare(editor.history.count, 1);

            verify(!app.openPhoto(testFolder + "missing.jpg"));
            verify(app.messages.text.indexOf("cannot be opened") >= 0);
        }

        // A save says where it went; a second save of the same picture says
        // where it is, without an error.
        function test_save() {
            edit();
            editor.save();
            tryCompare(app, "busy", false);
            verify(!app.messages.error, app.messages.text);
            compare(app.messages.text, "Saved as " + app.savedFolder + "wide_edited.jpg");
            editor.save();
            tryCompare(app, "busy", false);
            verify(!app.messages.error, app.messages.text);
            compare(app.messages.text, "Already saved in " + app.savedFolder + "wide_edited.jpg");
        }

        // Opening a photo starts a new session: the last one's working files go.
        function test_openingStartsOver() {
            edit();
            editor.save();
            tryCompare(app, "busy", false);
            var earlier = editor.history.current;
            verify(app.fileCheck.readable(earlier));
            openPhoto("wide.png");
            verify(!app.fileCheck.readable(earlier));
            verify(!editor.history.canUndo);
        }

        function test_escapeClosesTheTool() {
            editor.openToolNamed("crop");
            compare(editor.openTool, "crop");
            editor.forceActiveFocus();
            keyClick(Qt.Key_Escape);
            compare(editor.openTool, "");
            verify(!editor.panel);
        }

        function test_autoEnhanceIsOneStep() {
            editor.autoEnhance();
            tryCompare(app, "busy", false);
            compare(editor.history.count, 2);
            verify(!app.messages.visible, app.messages.text);
            editor.undo();
            compare(editor.history.count, 2);
            verify(editor.history.canRedo);
        }

        // After an undo, a tool's write that would replace the redo entry's file
        // drops that entry first.
        function test_redoEntryReplacedIsDropped() {
            var panel = openTool("rotate");
            panel.turn(1);
            panel.apply();
            idle();
            compare(editor.history.count, 2);
            editor.undo();
            verify(editor.history.canRedo);
            panel = openTool("looks");
            panel.pick(entryOf(panel, 1101));
            idle();
            verify(!editor.history.canRedo);
            compare(editor.history.count, 1);
            panel.cancel();
        }

        function test_backAsksFirst() {
            backButton().clicked();
            verify(app.pages.currentItem !== editor, "stayed in the editor");  // nothing to lose: gone
            openPhoto("wide.png");
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

        function test_closingTheWindowAsksFirst() {
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
    }
}
