import QtQuick
import QtTest
import "../../qml/zeltanorvik/CollageGeometry.js" as Geometry
import "../../qml/zeltanorvik/CropGeometry.js" as CropGeometry

// The geometry scripts: the crop box (CropGeometry.js) and the collage
// screen's arithmetic (CollageGeometry.js).
Item {
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

        // A ratio crop is exact in whole pixels (k·a x k·b), inside the
        // picture, even when the shown picture's sides are not whole or
        // not in the photo's proportions.
        function test_ratioCropsAreExact() {
            var cases = [["1:1", 8000, 6000, 480.4, 360.2], ["4:3", 8000, 6000, 479.7, 359.9],
                         ["16:9", 3264, 2448, 480, 359.6], ["3:4", 2448, 3264, 338.5, 451.3],
                         ["Original", 6000, 4000, 480, 320.3]];
            for (var i = 0; i < cases.length; ++i) {
                var c = cases[i];
                var parts = CropGeometry.ratioParts(c[0], c[1], c[2]);
                var ratio = parts.a / parts.b;
                for (var f = 0.05; f < 1; f += 0.113) {
                    var box = CropGeometry.reshapeBox({ x: c[3] * f / 3, y: c[4] * f / 4, w: c[3] * f, h: c[4] * f },
                                                      ratio, c[3], c[4]);
                    var g = CropGeometry.cropArguments(box, c[3], c[4], c[1], c[2], parts);
                    compare(g.w * parts.b, g.h * parts.a, c[0] + " " + JSON.stringify(g));
                    verify(g.x >= 0 && g.y >= 0 && g.x + g.w <= c[1] && g.y + g.h <= c[2], JSON.stringify(g));
                }
            }
            compare(CropGeometry.ratioParts("Original", 6000, 4000), { a: 3, b: 2 });
            compare(CropGeometry.ratioParts("Free", 6000, 4000), null);
        }

        function test_ratioNames() {
            compare(CropGeometry.ratioValue("Free"), 0);
            compare(CropGeometry.ratioValue("1:1"), 1);
            fuzzyCompare(CropGeometry.ratioValue("3:4"), 0.75, 1e-12);
        }
    }

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
}
