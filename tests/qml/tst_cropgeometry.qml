import QtQuick
import QtTest
import "../../qml/zeltanorvik/CropGeometry.js" as CropGeometry

TestCase {
    name: "CropGeometry"

    function test_initialBox_data() {
        return [
            { tag: "free", ratio: 0, w: 400, h: 200, box: { x: 40, y: 20, w: 320, h: 160 } },
            { tag: "square on wide", ratio: 1, w: 400, h: 200, box: { x: 120, y: 20, w: 160, h: 160 } },
            { tag: "16:9 on tall", ratio: 16 / 9, w: 200, h: 400, box: { x: 20, y: 155, w: 160, h: 90 } },
        ];
    }

    function test_initialBox(data) {
        var b = CropGeometry.initialBox(data.ratio, data.w, data.h);
        fuzzyCompare(b.x, data.box.x, 1e-9);
        fuzzyCompare(b.y, data.box.y, 1e-9);
        fuzzyCompare(b.w, data.box.w, 1e-9);
        fuzzyCompare(b.h, data.box.h, 1e-9);
    }

    function test_moveStaysInside() {
        var b = { x: 10, y: 10, w: 100, h: 50 };
        compare(CropGeometry.moveBox(b, -50, 500, 300, 200), { x: 0, y: 150, w: 100, h: 50 });
        compare(CropGeometry.moveBox(b, 20, 5, 300, 200), { x: 30, y: 15, w: 100, h: 50 });
    }

    function test_resizeKeepsTheOppositeCorner() {
        var b = { x: 100, y: 100, w: 100, h: 100 };
        compare(CropGeometry.resizeBox(b, "tl", -20, -30, 0, 400, 400), { x: 80, y: 70, w: 120, h: 130 });
        compare(CropGeometry.resizeBox(b, "br", 500, 500, 0, 400, 400), { x: 100, y: 100, w: 300, h: 300 });
        // Never smaller than the minimum, never inside out.
        var small = CropGeometry.resizeBox(b, "tr", -500, 500, 0, 400, 400);
        compare(small.w, CropGeometry.minimumSide);
        compare(small.h, CropGeometry.minimumSide);
        compare(small.x, 100);
        compare(small.y + small.h, 200);
    }

    function test_resizeKeepsTheRatio() {
        var b = { x: 100, y: 100, w: 160, h: 90 };
        var r = CropGeometry.resizeBox(b, "br", 80, 0, 16 / 9, 1000, 1000);
        fuzzyCompare(r.w / r.h, 16 / 9, 1e-9);
        fuzzyCompare(r.w, 240, 1e-9);
        // Against the edge of the picture, the ratio still holds.
        var edge = CropGeometry.resizeBox(b, "br", 5000, 0, 16 / 9, 400, 1000);
        fuzzyCompare(edge.w / edge.h, 16 / 9, 1e-9);
        verify(edge.x + edge.w <= 400 + 1e-9);
    }

    // The box goes to cropPic in picture pixels, with the picture's own size
    // as the screen, and never reaches past the picture.
    function test_cropArguments() {
        var a = CropGeometry.cropArguments({ x: 48, y: 30, w: 240, h: 150 }, 480, 300, 2560, 1600);
        compare(a, { screenW: 2560, screenH: 1600, x: 256, y: 160, w: 1280, h: 800 });
        var edge = CropGeometry.cropArguments({ x: 470, y: 290, w: 10, h: 10 }, 480, 300, 640, 400);
        verify(edge.x + edge.w <= 640);
        verify(edge.y + edge.h <= 400);
        verify(edge.w >= 1 && edge.h >= 1);
    }

    function test_ratioNames() {
        compare(CropGeometry.ratioValue("Free"), 0);
        compare(CropGeometry.ratioValue("1:1"), 1);
        fuzzyCompare(CropGeometry.ratioValue("3:4"), 0.75, 1e-12);
    }
}
