import QtQuick
import QtTest

// The editor's Crop panel: the box cuts the photo at its own resolution, a
// crop after an undo or after a cancelled look cuts anew, the box follows the
// mouse, a ratio keeps the box's centre, and an empty box is refused.
WindowTestCase {
    name: "EditorCrop"

    // Crops the current photo to a box given as fractions of the shown picture.
    function crop(fx, fy, fw, fh) {
        var panel = openTool("crop");
        var area = editor.photo.overlay;
        panel.cropBox.box = { x: area.width * fx, y: area.height * fy, w: area.width * fw, h: area.height * fh };
        panel.apply();
        tryCompare(app, "busy", false);
    }

    function test_openAndCrop() {
        crop(0.5, 0.5, 0.5, 0.5);
        compare(editor.history.count, 2);
        compare(editor.openTool, "");
        // Cut at the photo's own resolution, not the screen's.
        compare(pictureSize(editor.history.current), Qt.size(320, 200));
        compare(editor.history.original, testFolder + "wide.png");
    }

    // After an undo a new crop of the same photo is made anew, not the
    // earlier crop handed back.
    function test_cropAfterUndo() {
        crop(0.5, 0.5, 0.5, 0.5);
        editor.undo();
        compare(editor.history.current, testFolder + "wide.png");
        crop(0, 0, 0.25, 0.25);
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(160, 100));
        // And a crop of the crop.
        crop(0, 0, 0.5, 1);
        compare(editor.history.count, 3);
        compare(pictureSize(editor.history.current), Qt.size(80, 100));
    }

    // A look shown and cancelled has written the working file that a crop of
    // the same photo would be named by; the crop must still cut the photo.
    function test_cropAfterACancelledLook() {
        var panel = openTool("looks");
        panel.pick(entryOf(panel, 1030));
        idle();
        panel.cancel();
        crop(0, 0, 0.5, 0.5);
        compare(editor.history.count, 2);
        compare(pictureSize(editor.history.current), Qt.size(320, 200));
    }

    // The box follows the mouse: dragged inside it moves, dragged by a
    // corner it grows from the opposite corner.
    function test_dragTheBoxWithTheMouse() {
        var box = openTool("crop").cropBox;
        verify(box);
        box.box = { x: 20, y: 20, w: 100, h: 60 };
        mouseDrag(box, 70, 50, 30, 10);
        fuzzyCompare(box.box.x, 50, 2);
        fuzzyCompare(box.box.y, 30, 2);
        compare(box.box.w, 100);
        // The bottom-right corner handle sits on the box's corner.
        mouseDrag(box, 150, 90, 40, 20);
        fuzzyCompare(box.box.x, 50, 2);
        fuzzyCompare(box.box.w, 140, 2);
        fuzzyCompare(box.box.h, 80, 2);
    }

    function test_cropOriginalRatioKeepsTheCentre() {
        var panel = openTool("crop");
        var area = editor.photo.overlay;
        panel.cropBox.box = { x: area.width * 0.1, y: area.height * 0.2, w: area.width * 0.3, h: area.height * 0.5 };
        var cx = area.width * 0.25, cy = area.height * 0.45;
        panel.chooseRatio("Original");
        var box = panel.cropBox.box;
        fuzzyCompare(box.w / box.h, 640 / 400, 1e-6);
        fuzzyCompare(box.x + box.w / 2, cx, 1e-6);
        fuzzyCompare(box.y + box.h / 2, cy, 1e-6);
        panel.chooseRatio("1:1");
        box = panel.cropBox.box;
        fuzzyCompare(box.w, box.h, 1e-6);
        fuzzyCompare(box.x + box.w / 2, cx, 1e-6);
        panel.apply();
        tryCompare(app, "busy", false);
        var size = pictureSize(editor.history.current);
        verify(Math.abs(size.width - size.height) <= 1);
    }

    function test_emptyCropBoxIsRefused() {
        var panel = openTool("crop");
        panel.cropBox.box = { x: 10, y: 10, w: 0, h: 40 };
        panel.apply();
        compare(app.busy, false);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("crop box is empty") >= 0, app.messages.text);
        compare(editor.history.count, 1);
    }
}
