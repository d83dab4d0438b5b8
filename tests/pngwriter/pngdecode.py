#!/usr/bin/env python3
"""A small PNG decoder independent of Qt, for checking the working-file writer.

Reads a non-interlaced PNG, checks the signature, every chunk's CRC, the chunk
order that matters (IHDR first, PLTE before IDAT, IDAT chunks consecutive, IEND
last) and the zlib stream, undoes the row filters and writes the pixels as
"P7"-like text header "width height\\n" followed by 16-bit big-endian R, G, B, A
per pixel (8-bit samples scaled by 257, palettes and grey expanded, tRNS applied).

Usage: pngdecode.py in.png out.rgba16
"""
import struct
import sys
import zlib


def fail(message):
    sys.stderr.write("pngdecode: %s\n" % message)
    sys.exit(1)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(data, width, height, bits_per_pixel):
    bpp = max(1, bits_per_pixel // 8)
    stride = (width * bits_per_pixel + 7) // 8
    if len(data) != (stride + 1) * height:
        fail("pixel data is %d bytes, expected %d" % (len(data), (stride + 1) * height))
    rows = []
    prev = bytearray(stride)
    pos = 0
    for _ in range(height):
        kind = data[pos]
        cur = bytearray(data[pos + 1:pos + 1 + stride])
        pos += stride + 1
        if kind == 0:
            pass
        elif kind == 1:
            for i in range(bpp, stride):
                cur[i] = (cur[i] + cur[i - bpp]) & 0xff
        elif kind == 2:
            for i in range(stride):
                cur[i] = (cur[i] + prev[i]) & 0xff
        elif kind == 3:
            for i in range(stride):
                left = cur[i - bpp] if i >= bpp else 0
                cur[i] = (cur[i] + ((left + prev[i]) >> 1)) & 0xff
        elif kind == 4:
            for i in range(stride):
                left = cur[i - bpp] if i >= bpp else 0
                upleft = prev[i - bpp] if i >= bpp else 0
                cur[i] = (cur[i] + paeth(left, prev[i], upleft)) & 0xff
        else:
            fail("unknown filter type %d" % kind)
        rows.append(cur)
        prev = cur
    return rows


def samples(row, width, channels, depth):
    if depth == 16:
        return list(struct.unpack(">%dH" % (width * channels), bytes(row[:width * channels * 2])))
    if depth == 8:
        return list(row[:width * channels])
    out = []
    per_byte = 8 // depth
    mask = (1 << depth) - 1
    for x in range(width * channels):
        byte = row[x // per_byte]
        shift = 8 - depth * (x % per_byte + 1)
        out.append((byte >> shift) & mask)
    return out


def main():
    if len(sys.argv) != 3:
        fail("usage: pngdecode.py in.png out.rgba16")
    blob = open(sys.argv[1], "rb").read()
    if blob[:8] != b"\x89PNG\r\n\x1a\n":
        fail("bad signature")
    pos = 8
    chunks = []
    while pos < len(blob):
        if pos + 12 > len(blob):
            fail("truncated chunk")
        length, kind = struct.unpack(">I4s", blob[pos:pos + 8])
        body = blob[pos + 8:pos + 8 + length]
        if len(body) != length or pos + 12 + length > len(blob):
            fail("truncated chunk %r" % kind)
        (crc,) = struct.unpack(">I", blob[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) & 0xffffffff != crc:
            fail("bad CRC in %r" % kind)
        chunks.append((kind, body))
        pos += 12 + length
    kinds = [k for k, _ in chunks]
    if not kinds or kinds[0] != b"IHDR" or kinds[-1] != b"IEND" or kinds.count(b"IEND") != 1:
        fail("IHDR must come first and IEND last")
    idat = [i for i, k in enumerate(kinds) if k == b"IDAT"]
    if not idat or idat != list(range(idat[0], idat[-1] + 1)):
        fail("IDAT chunks missing or not consecutive")
    if b"PLTE" in kinds and kinds.index(b"PLTE") > idat[0]:
        fail("PLTE after IDAT")

    width, height, depth, color, method, filt, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if method != 0 or filt != 0 or interlace != 0:
        fail("unsupported compression, filter method or interlace")
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(color)
    if channels is None:
        fail("bad colour type %d" % color)
    allowed = {0: (1, 2, 4, 8, 16), 2: (8, 16), 3: (1, 2, 4, 8), 4: (8, 16), 6: (8, 16)}[color]
    if depth not in allowed:
        fail("bad bit depth %d for colour type %d" % (depth, color))
    palette = []
    trns = b""
    for kind, body in chunks:
        if kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"tRNS":
            trns = body

    data = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    rows = unfilter(data, width, height, channels * depth)

    scale = 65535 // ((1 << depth) - 1)
    out = bytearray(("%d %d\n" % (width, height)).encode())
    for row in rows:
        values = samples(row, width, channels, depth)
        pixels = []
        for x in range(width):
            v = values[x * channels:(x + 1) * channels]
            if color == 3:
                if v[0] >= len(palette):
                    fail("palette index %d out of range" % v[0])
                r, g, b = (c * 257 for c in palette[v[0]])
                a = trns[v[0]] * 257 if v[0] < len(trns) else 65535
            elif color == 0:
                r = g = b = v[0] * scale
                a = 65535
            elif color == 4:
                r = g = b = v[0] * scale
                a = v[1] * scale
            elif color == 2:
                r, g, b = (c * scale for c in v)
                a = 65535
            else:
                r, g, b, a = (c * scale for c in v)
            pixels.extend((r, g, b, a))
        out += struct.pack(">%dH" % len(pixels), *pixels)
    open(sys.argv[2], "wb").write(out)


if __name__ == "__main__":
    main()
