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

    // An apply after an undo drops what came after the current entry, but the
    // files it wrote are still known.
    function test_applyAfterUndoDropsTheRest() {
        history.open("/p/a.jpg");
        history.apply("/t/a_norvik.png");
        history.apply("/t/a_norvik_norvik.png");
        history.undo();
        history.undo();
        history.apply("/t/other.png");
        compare(history.entries, ["/p/a.jpg", "/t/other.png"]);
        verify(!history.canRedo);
        verify(history.wasProduced("/t/a_norvik_norvik.png"));
        verify(!history.wasProduced("/p/a.jpg"));
    }

    function test_openStartsOver() {
        history.open("/p/a.jpg");
        history.apply("/t/a_norvik.png");
        history.open("/p/b.jpg");
        compare(history.entries, ["/p/b.jpg"]);
        verify(!history.wasProduced("/t/a_norvik.png"));
    }
}
