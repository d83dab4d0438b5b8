// The arithmetic of the collage screen and the text tool: the sizes the
// engine will decode a photo at, the zoom that makes a photo cover its cell,
// the box of a turned picture, the cells of a stitched strip, and the
// arguments of a placement. Sizes follow the engine's own rules (single-
// precision products truncated toward zero, aspect kept in integers), so what
// the screen shows is what the engine draws.
.pragma library

var maxSide = 16384;

// A QSize(w, h) scaled into rw x rh keeping its aspect ratio, in integers.
function fitInside(w, h, rw, rh) {
    if (w <= 0 || h <= 0)
        return { width: 0, height: 0 };
    var byHeight = Math.floor(rh * w / h);
    if (byHeight <= rw)
        return { width: byHeight, height: rh };
    return { width: rw, height: Math.floor(rw * h / w) };
}

// The size a w x h photo is decoded at for zoom `scale` (exactly 1: itself).
function decodeSize(w, h, scale) {
    var s = Math.fround(scale);
    if (s === 1)
        return { width: w, height: h };
    var tw = Math.trunc(Math.fround(w * s));
    var th = Math.trunc(Math.fround(h * s));
    if (!(tw >= 1 && th >= 1) || tw > maxSide || th > maxSide)
        return { width: 0, height: 0 };
    return fitInside(w, h, tw, th);
}

// The zoom at which a w x h photo, decoded, covers a cw x ch cell, times the
// user's extra zoom (1 or more).
function coverScale(w, h, cw, ch, zoom) {
    var z = Math.max(1, zoom || 1);
    var s = Math.max((cw + 0.5) / w, (ch + 0.5) / h) * z;
    for (var guard = 0; guard < 8; ++guard) {
        var d = decodeSize(w, h, s);
        if (d.width >= cw && d.height >= ch)
            return s;
        s *= 1.002;
    }
    return s;
}

// Copy offsets held inside the decoded photo, as whole pixels.
function clampOffsets(ox, oy, decoded, cw, ch) {
    return {
        x: Math.round(Math.max(0, Math.min(ox, decoded.width - cw))),
        y: Math.round(Math.max(0, Math.min(oy, decoded.height - ch)))
    };
}

// The bounding box of a w x h picture turned by `degree`.
function turnedSize(w, h, degree) {
    var a = degree * Math.PI / 180;
    var c = Math.abs(Math.cos(a)), s = Math.abs(Math.sin(a));
    // Whole quarter turns come out exact.
    if (c < 1e-9) c = 0;
    if (s < 1e-9) s = 0;
    return { width: Math.ceil(w * c + h * s - 1e-6), height: Math.ceil(w * s + h * c - 1e-6) };
}

// Cells of a stitched strip: every photo at one width (one below the other)
// or at one height (side by side), `length` collage pixels across. Returns
// { width, height, cells: [{ x, y, w, h }] } with cells from the origin.
function stitchCells(sizes, vertical, length) {
    var cells = [];
    var along = 0;
    for (var i = 0; i < sizes.length; ++i) {
        var s = sizes[i];
        if (vertical) {
            var h = Math.max(1, Math.round(length * s.height / s.width));
            cells.push({ x: 0, y: along, w: length, h: h });
            along += h;
        } else {
            var w = Math.max(1, Math.round(length * s.width / s.height));
            cells.push({ x: along, y: 0, w: w, h: length });
            along += w;
        }
    }
    return vertical ? { width: length, height: along, cells: cells } : { width: along, height: length, cells: cells };
}

// The across length of a stitched strip that keeps its long side within
// `limit` pixels: `preferred` unless the photos make the strip too long.
function stitchLength(sizes, vertical, preferred, limit) {
    var strip = stitchCells(sizes, vertical, preferred);
    var longSide = vertical ? strip.height : strip.width;
    if (longSide <= limit)
        return preferred;
    return Math.max(16, Math.floor(preferred * limit / longSide));
}

// A placement's addPaintImage arguments for a cell collage (template or
// stitched): the photo (w x h) zoomed to cover the cell, cut at the offsets.
function cellPlacement(cell, w, h, zoom, ox, oy) {
    var scale = coverScale(w, h, cell.w, cell.h, zoom);
    var decoded = decodeSize(w, h, scale);
    var o = clampOffsets(ox, oy, decoded, cell.w, cell.h);
    return { posx: cell.x, posy: cell.y, width: cell.w, height: cell.h, copyx: o.x, copyy: o.y,
             scale: scale, decoded: decoded };
}

// A free collage's photo: shown `shownWidth` collage pixels wide, centred on
// (cx, cy), turned by `degree`. The engine draws the turned picture's box
// from its top-left corner.
function freePlacement(w, h, shownWidth, cx, cy, degree) {
    var scale = shownWidth / w;
    var decoded = decodeSize(w, h, scale);
    var box = turnedSize(decoded.width, decoded.height, degree);
    return { posx: cx - box.width / 2, posy: cy - box.height / 2, scale: scale, degree: degree, decoded: decoded };
}

// The speech bubble's burn-in arguments. The bubble picture (pw x ph) is shown
// at `zoom` on a photo view `viewWidth` screen units wide over a photo
// `photoWidth` pixels wide, centred on (cx, cy) of the view and turned by
// `degree`.
function bubblePlacement(pw, ph, zoom, cx, cy, degree, viewWidth, photoWidth) {
    var srcScale = Math.fround(photoWidth / viewWidth);
    var k = Math.fround(Math.fround(zoom) * srcScale);
    var scaled = { width: Math.trunc(Math.fround(pw * k)), height: Math.trunc(Math.fround(ph * k)) };
    var box = turnedSize(scaled.width, scaled.height, degree);
    return { srcScale: srcScale, innerx: cx - box.width / 2 / srcScale, innery: cy - box.height / 2 / srcScale,
             scaled: scaled };
}

// A cell photo's placement { zoom, ox, oy } moved from one cell to another
// (or to another zoom in the same cell): the point of the photo at the old
// cell's centre stays at the new cell's centre, held inside the photo.
function refitCell(before, after, w, h, p, zoom) {
    var old = cellPlacement(before, w, h, p.zoom, p.ox, p.oy);
    var fresh = cellPlacement(after, w, h, zoom, 0, 0);
    var ratio = fresh.decoded.width / old.decoded.width;
    var placed = cellPlacement(after, w, h, zoom, (old.copyx + before.w / 2) * ratio - after.w / 2,
                               (old.copyy + before.h / 2) * ratio - after.h / 2);
    return { zoom: zoom, ox: placed.copyx, oy: placed.copyy };
}

// A free photo's place { cx, cy, shown, degree } held inside a canvas of
// canvasW x canvasH: the turned box the engine draws (from the decoded size)
// lies wholly on the canvas; a photo too large for it is made smaller first.
function keepFreeInside(w, h, place, canvasW, canvasH) {
    var p = { cx: place.cx, cy: place.cy, shown: place.shown, degree: place.degree };
    for (var guard = 0; guard < 4; ++guard) {
        var f = freePlacement(w, h, p.shown, p.cx, p.cy, p.degree);
        var box = turnedSize(f.decoded.width, f.decoded.height, p.degree);
        if (box.width <= canvasW && box.height <= canvasH)
            break;
        // One pixel under the canvas leaves room for the rounding of the decode.
        p.shown = p.shown * Math.min((canvasW - 1) / box.width, (canvasH - 1) / box.height);
    }
    f = freePlacement(w, h, p.shown, p.cx, p.cy, p.degree);
    box = turnedSize(f.decoded.width, f.decoded.height, p.degree);
    p.cx = Math.max(box.width / 2, Math.min(canvasW - box.width / 2, p.cx));
    p.cy = Math.max(box.height / 2, Math.min(canvasH - box.height / 2, p.cy));
    return p;
}

// Whether the free photo's drawn box lies wholly on the canvas.
function freeInside(w, h, place, canvasW, canvasH) {
    var f = freePlacement(w, h, place.shown, place.cx, place.cy, place.degree);
    var box = turnedSize(f.decoded.width, f.decoded.height, place.degree);
    return f.posx >= 0 && f.posy >= 0 && f.posx + box.width <= canvasW && f.posy + box.height <= canvasH;
}

// The index of the cell { x, y, w, h } that holds point (x, y), or -1.
function cellAt(cells, x, y) {
    for (var i = 0; i < cells.length; ++i) {
        var c = cells[i];
        if (x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h)
            return i;
    }
    return -1;
}

// A copy of `list` with entries i and j exchanged.
function swapped(list, i, j) {
    var copy = list.slice();
    var t = copy[i];
    copy[i] = copy[j];
    copy[j] = t;
    return copy;
}

// --- shapes of free and stitched collages --------------------------------------

// The shapes a free or stitched collage can take besides its own: the common
// shapes of photo feeds, as width : height.
var shapes = [{ name: "", label: "Own" }, { name: "1:1", label: "1:1", w: 1, h: 1 },
              { name: "4:5", label: "4:5", w: 4, h: 5 }, { name: "9:16", label: "9:16", w: 9, h: 16 },
              { name: "16:9", label: "16:9", w: 16, h: 9 }];

function shapeNamed(name) {
    for (var i = 1; i < shapes.length; ++i)
        if (shapes[i].name === name)
            return shapes[i];
    return null;
}

// The free collage's canvas for a shape: its own w x h, or the shape with the
// longer of the two as its longer side.
function shapedCanvas(name, w, h) {
    var s = shapeNamed(name);
    if (!s)
        return { width: w, height: h };
    var side = Math.max(w, h);
    return s.w >= s.h ? { width: side, height: Math.round(side * s.h / s.w) }
                      : { width: Math.round(side * s.w / s.h), height: side };
}

// A stitched strip of w x h grown (never cut) to the shape: the photos stay
// at their size in the middle, the pattern fills the rest.
function shapedArea(name, w, h) {
    var s = shapeNamed(name);
    if (!s)
        return { width: w, height: h };
    return { width: Math.max(w, Math.ceil(h * s.w / s.h)), height: Math.max(h, Math.ceil(w * s.h / s.w)) };
}

// Cells laid out for a canvas of fromW x fromH moved to one of toW x toH:
// their centres in proportion, their sizes by the smaller of the two ratios
// (so no cell grows past the canvas).
function mappedCells(cells, fromW, fromH, toW, toH) {
    var k = Math.min(toW / fromW, toH / fromH);
    var out = [];
    for (var i = 0; i < cells.length; ++i) {
        var c = cells[i];
        var w = Math.round(c.w * k), h = Math.round(c.h * k);
        var cx = (c.x + c.w / 2) * toW / fromW, cy = (c.y + c.h / 2) * toH / fromH;
        out.push({ x: Math.round(cx - w / 2), y: Math.round(cy - h / 2), w: w, h: h, degree: c.degree });
    }
    return out;
}

// A free photo's place on a canvas of fromW x fromH carried to one of
// toW x toH, as the cells are.
function mappedFreePlace(p, fromW, fromH, toW, toH) {
    return { cx: p.cx * toW / fromW, cy: p.cy * toH / fromH, shown: p.shown * Math.min(toW / fromW, toH / fromH),
             degree: p.degree };
}

// --- spacing and corners of template cells -------------------------------------

// The widest spacing the cells allow: each cell keeps at least 48 pixels on
// its shorter side, and no spacing is wider than 32.
function largestSpacing(cells) {
    var least = 64;
    for (var i = 0; i < cells.length; ++i)
        least = Math.min(least, Math.floor((Math.min(cells[i].w, cells[i].h) - 48) / 2));
    return Math.max(0, Math.min(32, least));
}

// The roundest corners the cells allow: half the shorter side of the smallest.
function largestCornerRadius(cells) {
    var least = 96;
    for (var i = 0; i < cells.length; ++i)
        least = Math.min(least, Math.floor(Math.min(cells[i].w, cells[i].h) / 2));
    return Math.max(0, least);
}

// The layout's cells with `spacing` collage pixels of the background between
// them and around them: each cell drawn in by half the spacing on every side.
function spacedCells(cells, spacing) {
    var s = Math.max(0, Math.min(spacing, largestSpacing(cells)));
    var inset = Math.floor(s / 2);
    var out = [];
    for (var i = 0; i < cells.length; ++i) {
        var c = cells[i];
        out.push({ x: c.x + inset, y: c.y + inset, w: c.w - 2 * inset, h: c.h - 2 * inset, degree: c.degree });
    }
    return out;
}
