import QtQuick
import QtTest
import "../../qml/zeltanorvik/CropGeometry.js" as CropGeometry

// A new ratio keeps the box's centre and as much of its size as fits.
TestCase {
    name: "CropReshape"

    function centreOf(b) {
        return Qt.point(b.x + b.w / 2, b.y + b.h / 2);
    }

    function test_sameCentreAndArea() {
        var b = { x: 100, y: 100, w: 200, h: 100 };
        var r = CropGeometry.reshapeBox(b, 1, 800, 600);
        fuzzyCompare(r.w, r.h, 1e-9);
        fuzzyCompare(r.w * r.h, 200 * 100, 1e-6);
        compare(centreOf(r), centreOf(b));
    }

    function test_shrinksToFitAroundTheCentre() {
        // Near the left edge: the square's half width is the room to the edge.
        var b = { x: 0, y: 100, w: 60, h: 300 };
        var r = CropGeometry.reshapeBox(b, 16 / 9, 800, 600);
        fuzzyCompare(r.w / r.h, 16 / 9, 1e-9);
        fuzzyCompare(r.x, 0, 1e-9);
        compare(centreOf(r), centreOf(b));
        verify(r.y >= 0 && r.y + r.h <= 600);
    }

    function test_neverBelowTheMinimum() {
        var corner = { x: 0, y: 0, w: 40, h: 40 };
        var r = CropGeometry.reshapeBox(corner, 4, 800, 600);
        verify(Math.min(r.w, r.h) >= CropGeometry.minimumSide - 1e-9);
        verify(r.x >= 0 && r.y >= 0 && r.x + r.w <= 800 + 1e-9 && r.y + r.h <= 600 + 1e-9);
    }

    function test_freeAndOriginal() {
        var b = { x: 10, y: 20, w: 30, h: 40 };
        compare(CropGeometry.reshapeBox(b, 0, 800, 600), b);
        fuzzyCompare(CropGeometry.ratioValue("Original", 1.5), 1.5, 1e-12);
        compare(CropGeometry.ratioValue("Original", 0), 0);
    }
}
