#!/usr/bin/env python3
"""Opening the photos of phones and cameras, whole command-line process, side
by side with the formats' own tools on the same files:

- a 12-megapixel HEIC (4032 x 3024) through one look (a working PNG written),
  beside `heif-convert` writing it to PNG (goal: the editor within 0.5 x);
- a 24-megapixel Bayer DNG (6000 x 4000, 16 bits) through one look, beside
  LibRaw's `dcraw_emu -T` developing it to a TIFF.

    bench/program/compare_photoformats.py [BUILD_DIR] [--runs N]

The HEIC is made with heif-enc from the desktop wallpaper scaled up with a
little grain (ImageMagick's test pattern when the wallpaper is missing); the
DNG is written here (an uncompressed 16-bit RGGB mosaic with an identity
colour matrix). Each round runs the commands one after the other, after one
unmeasured round that fills the page cache; the medians of wall-clock time
and CPU time, the peak memory and the ratio of the editor's wall time to the
tool's are reported. The machine may be shared: compare columns of one run.
"""

import argparse
import array
import os
import random
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

WALLPAPER = "/usr/share/wallpapers/Path/contents/images/2560x1600.jpg"
LOOK = "1018"
HEIC_SIZE = (4032, 3024)
DNG_SIZE = (6000, 4000)


def run(command, env=None):
    """Wall seconds, CPU seconds and peak resident MiB of one process."""
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    output = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit(f"compare_photoformats: {' '.join(command)} failed with status {code}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0, output


def make_heic(folder):
    width, height = HEIC_SIZE
    source = os.path.join(folder, "source.png")
    if os.path.exists(WALLPAPER):
        picture = [WALLPAPER, "-resize", f"{width}x{height}^", "-gravity", "center", "-extent", f"{width}x{height}"]
    else:
        picture = ["-size", f"{width}x{height}", "pattern:checkerboard"]
    subprocess.run(["/usr/bin/convert", *picture, "-attenuate", "0.3", "+noise", "Gaussian", source], check=True)
    photo = os.path.join(folder, "photo12.heic")
    subprocess.run(["heif-enc", "-q", "85", source, "-o", photo], check=True, stdout=subprocess.DEVNULL)
    os.remove(source)
    return photo


def tiff_entry(tag, kind, count, value):
    return struct.pack("<HHI", tag, kind, count) + value.ljust(4, b"\0")


def make_dng(folder):
    """An uncompressed 16-bit RGGB mosaic with the DNG tags LibRaw needs."""
    width, height = DNG_SIZE
    rng = random.Random(1)
    # Rows of a warm gradient with grain, a few variants repeated down the picture.
    variants = []
    for v in range(16):
        even, odd = array.array("H"), array.array("H")
        for x in range(width):
            shade = 4000 + 40000 * x // width
            grain = rng.randint(-600, 600)
            if x % 2 == 0:
                even.append(max(0, min(65535, shade + grain)))             # red
                odd.append(max(0, min(65535, shade // 2 + grain)))         # green
            else:
                even.append(max(0, min(65535, shade // 2 + grain)))        # green
                odd.append(max(0, min(65535, 30000 - shade // 3 + grain)))  # blue
        variants.append((even.tobytes(), odd.tobytes()))
    data_size = width * height * 2
    SHORT, LONG, ASCII, BYTE, RATIONAL, SRATIONAL = 3, 4, 2, 1, 5, 10
    extra = bytearray()
    entries = []
    n = 24
    values_at = 8 + 2 + 12 * n + 4

    def out_of_line(blob):
        if len(extra) % 2:
            extra.append(0)
        at = values_at + len(extra)
        extra.extend(blob)
        return struct.pack("<I", at)

    def ascii(text):
        blob = text.encode() + b"\0"
        return len(blob), blob if len(blob) <= 4 else out_of_line(blob)

    make_n, make_v = ascii("Bench")
    model_n, model_v = ascii("Bayer")
    ucm_n, ucm_v = ascii("Bench Bayer")
    identity = b"".join(struct.pack("<ii", 1 if i % 4 == 0 else 0, 1) for i in range(9))
    neutral = b"".join(struct.pack("<II", 1, 1) for _ in range(3))
    entries = [
        tiff_entry(254, LONG, 1, struct.pack("<I", 0)),
        tiff_entry(256, LONG, 1, struct.pack("<I", width)),
        tiff_entry(257, LONG, 1, struct.pack("<I", height)),
        tiff_entry(258, SHORT, 1, struct.pack("<H", 16)),
        tiff_entry(259, SHORT, 1, struct.pack("<H", 1)),
        tiff_entry(262, SHORT, 1, struct.pack("<H", 32803)),
        tiff_entry(271, ASCII, make_n, make_v),
        tiff_entry(272, ASCII, model_n, model_v),
        None,  # 273, the data's offset, once the values are laid out
        tiff_entry(274, SHORT, 1, struct.pack("<H", 1)),
        tiff_entry(277, SHORT, 1, struct.pack("<H", 1)),
        tiff_entry(278, LONG, 1, struct.pack("<I", height)),
        tiff_entry(279, LONG, 1, struct.pack("<I", data_size)),
        tiff_entry(284, SHORT, 1, struct.pack("<H", 1)),
        tiff_entry(33421, SHORT, 2, struct.pack("<HH", 2, 2)),
        tiff_entry(33422, BYTE, 4, bytes([0, 1, 1, 2])),
        tiff_entry(50706, BYTE, 4, bytes([1, 4, 0, 0])),
        tiff_entry(50707, BYTE, 4, bytes([1, 1, 0, 0])),
        tiff_entry(50708, ASCII, ucm_n, ucm_v),
        tiff_entry(50714, LONG, 1, struct.pack("<I", 0)),
        tiff_entry(50717, LONG, 1, struct.pack("<I", 65535)),
        tiff_entry(50721, SRATIONAL, 9, out_of_line(identity)),
        tiff_entry(50728, RATIONAL, 3, out_of_line(neutral)),
        tiff_entry(50778, SHORT, 1, struct.pack("<H", 21)),
    ]
    assert len(entries) == n
    data_at = values_at + len(extra)
    entries[8] = tiff_entry(273, LONG, 1, struct.pack("<I", data_at))
    photo = os.path.join(folder, "photo24.dng")
    with open(photo, "wb") as f:
        f.write(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", n) + b"".join(entries) + struct.pack("<I", 0))
        f.write(extra)
        for y in range(0, height, 2):
            even, odd = variants[rng.randrange(len(variants))]
            f.write(even)
            f.write(odd)
    return photo


def compare(title, rounds, ours, theirs, env, labels):
    results = {"editor": [], "tool": []}
    for round_number in range(rounds + 1):
        editor = run(ours, env)
        reference = run(theirs)
        if round_number == 0:
            written = editor[3].decode().strip().splitlines()[-1]
            if not os.path.isfile(written):
                sys.exit("compare_photoformats: the editor wrote no working file")
            continue
        results["editor"].append(editor[:3])
        results["tool"].append(reference[:3])
    print(f"\n{title}, {rounds} rounds, medians")
    print("| command | wall s | CPU s | peak MiB |")
    print("|---|---:|---:|---:|")
    medians = {}
    for key, rows in results.items():
        wall = statistics.median(r[0] for r in rows)
        cpu = statistics.median(r[1] for r in rows)
        peak = max(r[2] for r in rows)
        medians[key] = (wall, cpu)
        print(f"| {labels[key]} | {wall:.2f} | {cpu:.2f} | {peak:.0f} |")
    print(f"\nwall-clock ratio editor / tool: {medians['editor'][0] / medians['tool'][0]:.2f}"
          f" (CPU: {medians['editor'][1] / medians['tool'][1]:.2f})")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", choices=["heic", "dng"])
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "zeltanorvik-cli"))
    if not os.access(cli, os.X_OK):
        sys.exit(f"compare_photoformats: no {cli}; build the program first")
    for tool in ("heif-enc", "heif-convert", "dcraw_emu"):
        if not shutil.which(tool):
            sys.exit(f"compare_photoformats: {tool} is not installed (Debian: libheif-examples, libraw-bin)")
    if not os.path.exists("/usr/bin/convert"):
        sys.exit("compare_photoformats: ImageMagick is not installed")

    with tempfile.TemporaryDirectory() as folder:
        root = os.path.join(folder, "MyDocs") + "/"
        os.makedirs(root)
        env = dict(os.environ, ZELTANORVIK_ROOT=root, QT_QPA_PLATFORM="offscreen")
        if args.only in (None, "heic"):
            heic = make_heic(folder)
            compare(f"12 MP HEIC ({HEIC_SIZE[0]} x {HEIC_SIZE[1]})", args.runs, [cli, "loadImage", heic, LOOK],
                    ["heif-convert", heic, os.path.join(folder, "converted.png")], env,
                    {"editor": f"zeltanorvik-cli loadImage (look {LOOK}, working PNG)",
                     "tool": "heif-convert to PNG"})
        if args.only in (None, "dng"):
            dng = make_dng(folder)
            compare(f"24 MP DNG ({DNG_SIZE[0]} x {DNG_SIZE[1]})", args.runs, [cli, "loadImage", dng, LOOK],
                    ["dcraw_emu", "-T", dng], env,
                    {"editor": f"zeltanorvik-cli loadImage (look {LOOK}, working PNG)",
                     "tool": "dcraw_emu -T (develop, write TIFF)"})


if __name__ == "__main__":
    main()
