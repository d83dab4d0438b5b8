// The crop box: where it starts, how a drag moves or resizes it, and the
// arguments cropPic takes for it. Boxes are {x, y, w, h} in the coordinates of
// the shown picture (0, 0 at its top-left corner, `areaW` x `areaH` in size).
.pragma library

var minimumSide = 32;

// Width over height of the named ratio; 0 for a free box. "Original" is the
// photo's own, `pictureRatio`.
function ratioValue(name, pictureRatio) {
    switch (name) {
    case "Original": return pictureRatio > 0 ? pictureRatio : 0;
    case "1:1": return 1;
    case "4:3": return 4 / 3;
    case "3:4": return 3 / 4;
    case "16:9": return 16 / 9;
    default: return 0;
    }
}

// The named ratio in whole numbers, { a, b } for a:b (width to height);
// "Original" is the picture's own size in lowest terms; null for a free box.
function ratioParts(name, pictureW, pictureH) {
    switch (name) {
    case "1:1": return { a: 1, b: 1 };
    case "4:3": return { a: 4, b: 3 };
    case "3:4": return { a: 3, b: 4 };
    case "16:9": return { a: 16, b: 9 };
    case "Original":
        if (!(pictureW > 0 && pictureH > 0))
            return null;
        var g = gcd(pictureW, pictureH);
        return { a: pictureW / g, b: pictureH / g };
    default: return null;
    }
}

function gcd(m, n) {
    while (n > 0) {
        var r = m % n;
        m = n;
        n = r;
    }
    return m;
}

function clamp(v, lo, hi) {
    return Math.max(lo, Math.min(hi, v));
}

// The starting box: centred, 80 % of the picture, or the largest box of the
// ratio that fits inside that.
function initialBox(ratio, areaW, areaH) {
    var w = areaW * 0.8;
    var h = areaH * 0.8;
    if (ratio > 0) {
        if (w / h > ratio)
            w = h * ratio;
        else
            h = w / ratio;
    }
    return { x: (areaW - w) / 2, y: (areaH - h) / 2, w: w, h: h };
}

// The box given another ratio: the same centre and, as far as it fits in
// the picture around that centre, the same area; a box that would come out
// smaller than minimumSide grows to it and moves inwards instead. A free
// ratio (0) keeps the box as it is.
function reshapeBox(box, ratio, areaW, areaH) {
    if (!(ratio > 0))
        return { x: box.x, y: box.y, w: box.w, h: box.h };
    var cx = box.x + box.w / 2;
    var cy = box.y + box.h / 2;
    var w = Math.sqrt(box.w * box.h * ratio);
    var h = w / ratio;
    var fit = Math.min(1, 2 * Math.min(cx, areaW - cx) / w, 2 * Math.min(cy, areaH - cy) / h);
    w *= fit;
    h *= fit;
    if (Math.min(w, h) < minimumSide) {
        var grow = Math.min(minimumSide / Math.min(w, h), areaW / w, areaH / h);
        w *= grow;
        h *= grow;
    }
    return { x: clamp(cx - w / 2, 0, areaW - w), y: clamp(cy - h / 2, 0, areaH - h), w: w, h: h };
}

// The box moved by (dx, dy), kept inside the picture.
function moveBox(box, dx, dy, areaW, areaH) {
    return {
        x: clamp(box.x + dx, 0, areaW - box.w),
        y: clamp(box.y + dy, 0, areaH - box.h),
        w: box.w,
        h: box.h
    };
}

// The box with one corner ("tl", "tr", "bl", "br") dragged by (dx, dy); the
// opposite corner stays put, the box stays inside the picture, keeps the
// ratio (when one is set) and never gets smaller than minimumSide.
function resizeBox(box, corner, dx, dy, ratio, areaW, areaH) {
    var left = corner === "tl" || corner === "bl";
    var top = corner === "tl" || corner === "tr";
    // The fixed corner and the room there is from it.
    var fx = left ? box.x + box.w : box.x;
    var fy = top ? box.y + box.h : box.y;
    var roomW = left ? fx : areaW - fx;
    var roomH = top ? fy : areaH - fy;
    var w = clamp(box.w + (left ? -dx : dx), Math.min(minimumSide, roomW), roomW);
    var h = clamp(box.h + (top ? -dy : dy), Math.min(minimumSide, roomH), roomH);
    if (ratio > 0) {
        // Follow the larger change, then fit the ratio into the room.
        if (Math.abs(dx) >= Math.abs(dy) * ratio)
            h = w / ratio;
        else
            w = h * ratio;
        if (h > roomH) { h = roomH; w = h * ratio; }
        if (w > roomW) { w = roomW; h = w / ratio; }
    }
    return { x: left ? fx - w : fx, y: top ? fy - h : fy, w: w, h: h };
}

// cropPic's arguments for a box on a picture shown at areaW x areaH whose
// decoded size is pictureW x pictureH: the box in picture pixels, with the
// picture's own size as the screen size, so cropPic cuts the picture at that
// size without scaling it first. With a ratio `parts` ({ a, b }, ratioParts)
// the cut is exactly a:b in whole pixels (k·a x k·b) about the box's centre;
// a box smaller than one a x b step comes as close to the ratio as it can.
function cropArguments(box, areaW, areaH, pictureW, pictureH, parts) {
    var sx = pictureW / areaW;
    var sy = pictureH / areaH;
    var x = clamp(Math.round(box.x * sx), 0, pictureW - 1);
    var y = clamp(Math.round(box.y * sy), 0, pictureH - 1);
    var w = clamp(Math.round(box.w * sx), 1, pictureW - x);
    var h = clamp(Math.round(box.h * sy), 1, pictureH - y);
    if (parts && parts.a > 0 && parts.b > 0) {
        var cx = x + w / 2;
        var cy = y + h / 2;
        var k = Math.min(Math.round((w / parts.a + h / parts.b) / 2),
                         Math.floor(pictureW / parts.a), Math.floor(pictureH / parts.b));
        if (k >= 1) {
            w = k * parts.a;
            h = k * parts.b;
        } else if (w * parts.b >= h * parts.a) {
            w = clamp(Math.round(h * parts.a / parts.b), 1, pictureW);
        } else {
            h = clamp(Math.round(w * parts.b / parts.a), 1, pictureH);
        }
        x = clamp(Math.round(cx - w / 2), 0, pictureW - w);
        y = clamp(Math.round(cy - h / 2), 0, pictureH - h);
    }
    return { screenW: pictureW, screenH: pictureH, x: x, y: y, w: w, h: h };
}
