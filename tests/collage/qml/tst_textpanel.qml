import QtQuick
import QtTest

// The text tool: the bubble follows the mouse (drag, wheel, right drag), and
// Apply burns it into the photo at the photo's own size.
TestCase {
    id: testCase
    name: "TextPanel"
    when: windowShown
    visible: true
    width: 480
    height: 854

    property var app: null
    readonly property var editor: app ? app.editorPage : null

    Image {
        id: probe
        asynchronous: false
        cache: false
    }

    function pictureSize(path) {
        probe.source = "";
        probe.source = "file://" + path;
        return Qt.size(probe.implicitWidth, probe.implicitHeight);
    }

    function initTestCase() {
        var component = Qt.createComponent("../../../qml/zeltanorvik/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        app = component.createObject(testCase);
        verify(app);
        verify(app.openPhoto(testFolder + "photo0.png"));
        tryCompare(app.pages, "busy", false);
    }

    function test_1_gesturesAndApply() {
        editor.openToolNamed("text");
        var panel = editor.panel;
        verify(panel);
        tryCompare(panel, "ready", true);
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
