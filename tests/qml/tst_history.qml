import QtQuick
import QtTest
import "../../qml/zeltanorvik"

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

    function test_openStartsOver() {
        history.open("/p/a.jpg");
        history.apply("/t/a_norvik.png");
        history.open("/p/b.jpg");
        compare(history.entries, ["/p/b.jpg"]);
        verify(!history.hasUnsavedEdits);
    }
}
