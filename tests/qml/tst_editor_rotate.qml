import QtQuick
import QtTest

// The editor's Rotate panel: quarter turns, mirrors and scaling, the fine
// angle that straightens (cropped to the largest upright box inside), and
// the screen copy's turn shown while the photo turns.
WindowTestCase {
    name: "EditorRotate"

    function test_rotateTurnsAndScales() {
        var panel = openTool("rotate");
        verify(panel.unchanged);
        panel.turn(-1);
        compare(panel.quarterTurns, 3);
        verify(!panel.swap);
        panel.mirrorHorizontal = true;
        panel.apply();
        idle();
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(400, 640));

        panel = openTool("rotate");
        panel.scaling = 0.5;
        panel.fineAngle = 12;
        panel.apply();
        idle();
        compare(editor.history.count, 3);
        // The fine angle straightens: cropped to the largest upright box inside.
        compare(pictureSize(editor.history.current), tools.straightenedSize(400, 640, 12));
    }

    function test_rotateStraightens() {
        var panel = openTool("rotate");
        panel.fineAngle = 8;
        verify(panel.keptShare < 1);
        var expected = tools.straightenedSize(640, 400, 8);
        fuzzyCompare(panel.keptShare, expected.width / 640, 1e-9);
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), expected);
    }

    function test_rotateStraightensThenTurns() {
        var panel = openTool("rotate");
        panel.fineAngle = -5;
        panel.turn(1);
        panel.apply();
        tryCompare(app, "busy", false);
        var straightened = tools.straightenedSize(640, 400, -5);
        compare(pictureSize(editor.history.current), Qt.size(straightened.height, straightened.width));
    }

    // The screen copy's turn stands in while the photo turns.
    function test_applyShowsThePreviewFirst() {
        var done = editor.photo.pictureSerial;
        var panel = openTool("rotate");
        tryVerify(function() { return editor.screenCopyOf === editor.history.current; }, 10000);
        idle();
        var seen = [];
        var watch = function() { if (editor.photo.standIn !== "") seen.push(editor.photo.standIn); };
        editor.photo.standInChanged.connect(watch);
        panel.turn(1);
        panel.apply();
        verify(app.busy);
        idle();
        editor.photo.standInChanged.disconnect(watch);
        compare(editor.history.count, 2);
        compare(editor.photo.standIn, "");
        // Counted once the picture is taken in (a call later).
        tryVerify(function() { return editor.photo.pictureSerial > done; }, 5000);
        // The stand-in was the screen copy's result, never the photo's file.
        for (var i = 0; i < seen.length; ++i)
            verify(seen[i].indexOf(".screen") >= 0, seen[i]);
        var size = runner.pictureSize(editor.history.current);
        compare(size.width, 400);
        compare(size.height, 640);
    }
}
