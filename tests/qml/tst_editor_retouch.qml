import QtQuick
import QtTest

// The retouching panels: heal (a tap is one step, the panel stays), selective
// points, curves, the colour mixer and Rotate's perspective; each shows a
// live preview from the screen copy and its Apply keeps what it showed.
WindowTestCase {
    name: "EditorRetouch"

    function test_healTapIsOneStepAndThePanelStays() {
        var panel = openTool("heal");
        var area = findChild(editor.photo, "healArea");
        verify(area);
        mouseClick(area, area.width / 3, area.height / 2);
        tryCompare(panel, "healed", 1, 20000);
        compare(editor.openTool, "heal");
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
        // A stroke of several spots is one more step, on the new picture.
        tryCompare(panel, "ready", true, 5000);
        mousePress(area, 40, 40);
        for (var x = 60; x <= 200; x += 20)
            mouseMove(area, x, 40 + x / 4);
        tryVerify(function() { return panel.preview.path !== ""; }, 20000);
        verify(panel.stroke.length > 2);
        mouseRelease(area, 200, 90);
        tryCompare(panel, "healed", 2, 20000);
        compare(editor.history.count, 3);
        verify(!app.messages.visible, app.messages.text);
    }

    function test_selectivePointPreviewIsWhatApplyGives() {
        var panel = openTool("selective");
        var area = findChild(editor.photo, "selectiveArea");
        mouseClick(area, area.width / 2, area.height / 2);
        compare(panel.points.length, 1);
        verify(panel.neutral);
        var serial = panel.preview.serial;
        panel.setAmount("brightness", 50);
        panel.setAmount("saturation", -40);
        var address = shownAfter(panel.preview, serial);
        var copySize = pictureSize(panel.copy);
        compareToFile(address, fileResult(panel.pointCalls(panel.copy, copySize.width, copySize.height)));
        // Dragging moves the point rather than placing another.
        mouseDrag(area, area.width / 2, area.height / 2, 40, 20);
        compare(panel.points.length, 1);
        verify(panel.points[0].x > 0.5);
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
    }

    function test_curvesPointsAndApply() {
        var panel = openTool("curves");
        tryVerify(function() { return panel.histogram.length === 64; }, 20000);
        var graph = findChild(panel, "curveArea");
        verify(graph);
        // A point in the middle, dragged up: a brighter curve.
        mousePress(graph, graph.width / 2, graph.height / 2);
        mouseMove(graph, graph.width / 2, graph.height / 4);
        mouseRelease(graph, graph.width / 2, graph.height / 4);
        compare(panel.shown.length, 3);
        verify(panel.levels[128] > 150);
        verify(!panel.neutral);
        tryVerify(function() { return panel.preview.path !== ""; }, 20000);
        // A double tap removes it again.
        mouseDoubleClickSequence(graph, graph.width / 2, graph.height / 4);
        compare(panel.shown.length, 2);
        verify(panel.neutral);
        panel.channel = "red";
        panel.setPoints([[0, 30], [255, 255]]);
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.history.count, 2);
        verify(!app.messages.visible, app.messages.text);
    }

    function test_colourMixerBandsAndTabs() {
        var panel = openTool("mixer");
        panel.band = 5;
        panel.setAmount(1, -100);
        tryVerify(function() { return panel.preview.path !== ""; }, 20000);
        compare(panel.mixCalls("x"), [["tools.hslImage", "x", "blue", 0, -100, 0]]);
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.history.count, 2);
        // The Tone tabs open each other's panels.
        panel = openTool("tone");
        editor.openToolNamed("curves");
        compare(editor.openTool, "curves");
    }

    function test_perspectiveInTheRotatePanel() {
        var panel = openTool("rotate");
        panel.vertical = 12;
        panel.previewPerspective();
        tryVerify(function() { return panel.corrected !== ""; }, 20000);
        verify(!panel.unchanged);
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.history.count, 2);
        var size = pictureSize(editor.history.current);
        compare(Math.round(size.width * 400 / 640), size.height);  // the photo's proportions
        verify(size.width < 640);
    }
}
