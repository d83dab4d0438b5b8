import QtQuick
import QtTest
import "../../../qml/zeltanorvik/CollageGeometry.js" as Geometry

// Keeping placements: a photo moved to another cell keeps its zoom and the
// point at the cell's centre; a free photo's drawn box stays on the canvas.
TestCase {
    name: "CollageGeometryKeep"

    function test_refitKeepsTheCentrePoint() {
        var before = { x: 0, y: 0, w: 300, h: 200 };
        var after = { x: 320, y: 0, w: 200, h: 300 };
        var p = { zoom: 2, ox: 250, oy: 120 };
        var old = Geometry.cellPlacement(before, 900, 600, 2, 250, 120);
        var centre = { x: (old.copyx + 150) / old.decoded.width, y: (old.copyy + 100) / old.decoded.height };
        var r = Geometry.refitCell(before, after, 900, 600, p, 2);
        compare(r.zoom, 2);
        var now = Geometry.cellPlacement(after, 900, 600, 2, r.ox, r.oy);
        fuzzyCompare((now.copyx + 100) / now.decoded.width, centre.x, 0.02);
        fuzzyCompare((now.copyy + 150) / now.decoded.height, centre.y, 0.02);
        // Still covering the new cell.
        verify(now.copyx + after.w <= now.decoded.width && now.copyy + after.h <= now.decoded.height);
    }

    function test_freePhotoHeldOnTheCanvas_data() {
        return [
            { tag: "off the left", place: { cx: -100, cy: 300, shown: 200, degree: 0 } },
            { tag: "turned past the corner", place: { cx: 630, cy: 890, shown: 300, degree: 37 } },
            { tag: "larger than the canvas", place: { cx: 320, cy: 448, shown: 2000, degree: 10 } },
        ];
    }

    function test_freePhotoHeldOnTheCanvas(data) {
        verify(!Geometry.freeInside(900, 600, data.place, 640, 896));
        var p = Geometry.keepFreeInside(900, 600, data.place, 640, 896);
        verify(Geometry.freeInside(900, 600, p, 640, 896), JSON.stringify(p));
        compare(p.degree, data.place.degree);
    }

    function test_freePhotoInsideIsLeftAlone() {
        var place = { cx: 320, cy: 400, shown: 300, degree: -3 };
        compare(Geometry.keepFreeInside(900, 600, place, 640, 896), place);
    }

    function test_cellAtAndSwapped() {
        var cells = [{ x: 0, y: 0, w: 10, h: 10 }, { x: 10, y: 0, w: 10, h: 10 }];
        compare(Geometry.cellAt(cells, 15, 5), 1);
        compare(Geometry.cellAt(cells, 25, 5), -1);
        compare(Geometry.swapped(["a", "b", "c"], 0, 2), ["c", "b", "a"]);
    }
}
