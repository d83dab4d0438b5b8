#!/usr/bin/env python3
"""One look on a 48-megapixel photo, whole command-line process, side by side
with Debian's vips doing a Gaussian blur and a PNG write at compression 1 on
the same photo.

    bench/program/compare_vips.py [BUILD_DIR] [--runs N]

The photo (8000 x 6000, JPEG quality 90) is made by vips from the desktop
wallpaper when it is installed (else from vips's own test pattern), with a
little sensor-like grain. Each round runs the two commands one after the
other, after one unmeasured round that fills the page cache. For each the
script reports the median wall-clock time, the CPU time (user + system) and
the peak resident memory, and the ratio of the editor's median wall time to
vips's. The machine may be shared: compare the two columns of one run.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 8000, 6000
WALLPAPER = "/usr/share/wallpapers/Path/contents/images/2560x1600.jpg"
LOOK = "1018"
SIGMA = "2"


def run(command, env=None):
    """Wall seconds, CPU seconds and peak resident MiB of one process."""
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    output = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit(f"compare_vips: {' '.join(command)} failed with status {process.returncode}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0, output


def vips(*arguments):
    subprocess.run(["vips", *arguments], check=True, stderr=subprocess.DEVNULL)


def make_photo(folder):
    """The 48 MP JPEG, made by vips in `folder`."""
    base = os.path.join(folder, "base.v")
    if os.path.exists(WALLPAPER):
        scale = max(WIDTH / 2560, HEIGHT / 1600)
        vips("resize", WALLPAPER, os.path.join(folder, "big.v"), str(scale))
        vips("crop", os.path.join(folder, "big.v"), base, "0", "0", str(WIDTH), str(HEIGHT))
    else:
        vips("sines", os.path.join(folder, "sines.v"), str(WIDTH), str(HEIGHT))
        vips("linear", os.path.join(folder, "sines.v"), os.path.join(folder, "grey.v"), "100", "128")
        vips("bandjoin_const", os.path.join(folder, "grey.v"), base, "90 160")
    vips("gaussnoise", os.path.join(folder, "noise.v"), str(WIDTH), str(HEIGHT), "--sigma", "1.5", "--mean", "0")
    vips("add", base, os.path.join(folder, "noise.v"), os.path.join(folder, "grainy.v"))
    vips("cast", os.path.join(folder, "grainy.v"), os.path.join(folder, "photo.v"), "uchar")
    photo = os.path.join(folder, "photo48.jpg")
    vips("jpegsave", os.path.join(folder, "photo.v"), photo, "--Q", "90")
    for name in os.listdir(folder):
        if name.endswith(".v"):
            os.remove(os.path.join(folder, name))
    return photo


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "zeltanorvik-cli"))
    if not os.access(cli, os.X_OK):
        sys.exit(f"compare_vips: no {cli}; build the program first")
    if not shutil.which("vips"):
        sys.exit("compare_vips: vips is not installed (Debian: libvips-tools)")

    with tempfile.TemporaryDirectory() as folder:
        photo = make_photo(folder)
        root = os.path.join(folder, "MyDocs") + "/"
        os.makedirs(root)
        env = dict(os.environ, ZELTANORVIK_ROOT=root, QT_QPA_PLATFORM="offscreen")
        ours = [cli, "loadImage", photo, LOOK]
        theirs = ["vips", "gaussblur", photo, os.path.join(folder, "blurred.png[compression=1]"), SIGMA]

        results = {"editor": [], "vips": []}
        for round_number in range(args.runs + 1):
            editor = run(ours, env)
            reference = run(theirs)
            if round_number == 0:
                written = editor[3].decode().strip().splitlines()[-1]
                if not os.path.isfile(written):
                    sys.exit("compare_vips: the editor wrote no working file")
                continue
            results["editor"].append(editor[:3])
            results["vips"].append(reference[:3])

    print(f"\n48 MP photo ({WIDTH} x {HEIGHT}), {args.runs} rounds, medians")
    print("| command | wall s | CPU s | peak MiB |")
    print("|---|---:|---:|---:|")
    medians = {}
    labels = {"editor": f"zeltanorvik-cli loadImage (look {LOOK}, working PNG)",
              "vips": f"vips gaussblur (sigma {SIGMA}) + PNG, compression 1"}
    for key, rows in results.items():
        wall = statistics.median(r[0] for r in rows)
        cpu = statistics.median(r[1] for r in rows)
        peak = max(r[2] for r in rows)
        medians[key] = (wall, cpu)
        print(f"| {labels[key]} | {wall:.2f} | {cpu:.2f} | {peak:.0f} |")
    print(f"\nwall-clock ratio editor / vips: {medians['editor'][0] / medians['vips'][0]:.2f}"
          f" (CPU: {medians['editor'][1] / medians['vips'][1]:.2f})")


if __name__ == "__main__":
    main()
