import QtQuick
import QtTest

// The editor's Text panel: the bubble follows the mouse (drag, wheel, right
// drag), and Apply burns it into the photo at the photo's own size.
WindowTestCase {
    id: testCase
    name: "EditorText"
    photo: "photo0.png"

    function test_gesturesAndApply() {
        var panel = openTool("text");
        var bubble = panel.overlayBubble;
        var overlay = editor.photo.overlay;
        compare(bubble.parent, overlay);
        panel.text = "Hello there, this is a bubble";

        var centre = bubble.mapToItem(testCase, bubble.width / 2, bubble.height / 2);
        var cx = bubble.cx;
        mouseDrag(testCase, centre.x, centre.y, 30, 10);
        verify(Math.abs(bubble.cx - cx - 30) < 2, bubble.cx);
        var zoom = bubble.zoom;
        centre = bubble.mapToItem(testCase, bubble.width / 2, bubble.height / 2);
        mouseWheel(testCase, centre.x, centre.y, 0, -120);
        verify(bubble.zoom < zoom);
        // A right drag round the centre turns the bubble.
        mousePress(testCase, centre.x + 40, centre.y, Qt.RightButton);
        mouseMove(testCase, centre.x + 40, centre.y + 20, -1, Qt.RightButton);
        mouseMove(testCase, centre.x + 30, centre.y + 40, -1, Qt.RightButton);
        mouseRelease(testCase, centre.x + 30, centre.y + 40, Qt.RightButton);
        verify(bubble.degree > 20, bubble.degree);

        panel.bold = true;
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.history.count, 2);
        compare(editor.openTool, "");
        compare(pictureSize(editor.history.current), Qt.size(900, 600));
    }
}
