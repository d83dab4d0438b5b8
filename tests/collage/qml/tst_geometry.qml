import QtQuick
import QtTest
import "../../../qml/zeltanorvik/CollageGeometry.js" as Geometry

// The collage screen's arithmetic agrees with the engine's: decode sizes,
// covering zooms, turned boxes, stitched strips and bubble placements.
TestCase {
    name: "CollageGeometry"

    function test_decodeSizeKeepsTheAspectInIntegers() {
        compare(Geometry.decodeSize(2000, 1500, 0.5), { width: 1000, height: 750 });
        compare(Geometry.decodeSize(3264, 2448, 1), { width: 3264, height: 2448 });
        // 1000 x 333 at a third: the box is 333 x 111 (single precision), and
        // 111 rows make 333 columns, so the box is kept.
        compare(Geometry.decodeSize(1000, 333, 1 / 3), { width: 333, height: 111 });
        // 1000 x 334 at a third: 111 rows would need 332.3 columns; 332 it is.
        compare(Geometry.decodeSize(1000, 334, 1 / 3), { width: 332, height: 111 });
        // Zooms the engine refuses give no size.
        compare(Geometry.decodeSize(1000, 1000, 0), { width: 0, height: 0 });
        compare(Geometry.decodeSize(1000, 1000, 17), { width: 0, height: 0 });
        compare(Geometry.decodeSize(1000, 1000, NaN), { width: 0, height: 0 });
    }

    function test_coverScaleCoversTheCell_data() {
        return [
            { tag: "wide photo, tall cell", w: 3264, h: 2448, cw: 203, ch: 583 },
            { tag: "tall photo, wide cell", w: 1000, h: 3000, cw: 650, ch: 323 },
            { tag: "exact fit", w: 650, h: 323, cw: 650, ch: 323 },
            { tag: "small photo", w: 100, h: 80, cw: 640, ch: 896 },
        ];
    }

    function test_coverScaleCoversTheCell(data) {
        for (var zoom = 1; zoom <= 3; zoom += 0.5) {
            var s = Geometry.coverScale(data.w, data.h, data.cw, data.ch, zoom);
            var d = Geometry.decodeSize(data.w, data.h, s);
            verify(d.width >= data.cw && d.height >= data.ch, JSON.stringify(d));
            // Never much more than needed at zoom 1.
            if (zoom === 1)
                verify(d.width <= data.cw + 3 || d.height <= data.ch + 3, JSON.stringify(d));
        }
    }

    function test_offsetsStayInsideThePhoto() {
        var p = Geometry.cellPlacement({ x: 40, y: 40, w: 650, h: 323 }, 2000, 1500, 1, -50, 9999);
        compare(p.copyx, 0);
        compare(p.copyy, p.decoded.height - 323);
        compare(p.posx, 40);
        compare(p.width, 650);
    }

    function test_turnedSize() {
        compare(Geometry.turnedSize(300, 200, 90), { width: 200, height: 300 });
        compare(Geometry.turnedSize(300, 200, 0), { width: 300, height: 200 });
        compare(Geometry.turnedSize(300, 200, 180), { width: 300, height: 200 });
        var t = Geometry.turnedSize(474, 421, 30);
        compare(t.width, Math.ceil(474 * Math.cos(Math.PI / 6) + 421 * 0.5 - 1e-6));
    }

    function test_stitchedStrips() {
        var sizes = [{ width: 1000, height: 500 }, { width: 300, height: 600 }];
        var down = Geometry.stitchCells(sizes, true, 640);
        compare(down.width, 640);
        compare(down.height, 320 + 1280);
        compare(down.cells[1], { x: 0, y: 320, w: 640, h: 1280 });
        var across = Geometry.stitchCells(sizes, false, 400);
        compare(across.height, 400);
        compare(across.cells[1].x, 800);
        compare(across.width, 1000);
        // A strip too long for the limit gets narrower.
        compare(Geometry.stitchLength(sizes, true, 640, 8000), 640);
        compare(Geometry.stitchLength(sizes, true, 640, 800), 320);
    }

    function test_freePlacementCentresTheTurnedBox() {
        var f = Geometry.freePlacement(1000, 500, 200, 300, 400, 90);
        compare(f.decoded, { width: 200, height: 100 });
        compare(f.posx, 300 - 50);
        compare(f.posy, 400 - 100);
    }

    // The bubble of 474 x 421 at zoom 1 on a view half the photo's width:
    // screen scale 2, drawn 948 x 842 on the photo.
    function test_bubblePlacement() {
        var b = Geometry.bubblePlacement(474, 421, 1, 300, 250, 0, 480, 960);
        compare(b.srcScale, 2);
        compare(b.scaled, { width: 948, height: 842 });
        compare(b.innerx, 300 - 474 / 2);
        compare(b.innery, 250 - 421 / 2);
        var turned = Geometry.bubblePlacement(474, 421, 1, 300, 250, 90, 480, 960);
        compare(turned.innerx, 300 - 421 / 2);
    }
}
