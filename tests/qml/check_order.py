#!/usr/bin/env python3
"""Shows that the Qt Quick tests do not depend on their order.

Runs every test function of the runner alone, each in a process of its own,
then the whole set in one process in a shuffled order. Qt Quick Test runs the
files and a TestCase's functions in name order, so the shuffle runs copies of
the files with their names and their functions' names prefixed at random.

    tests/qml/check_order.py BUILD_DIR [--seed N] [--shuffled-only]
"""
import argparse
import os
import pathlib
import random
import re
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
TEST_FUNCTION = re.compile(r"\bfunction test_(\w+?)(_data)?\s*\(")


def run(runner, *args):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QT_QUICK_CONTROLS_STYLE="Material")
    return subprocess.run([str(runner), *args], env=env, capture_output=True, text=True)


def shuffled_copy(folder, rng):
    """Copies of the QML files in `folder`, in a random order."""
    for source in sorted(HERE.glob("*.qml")):
        text = source.read_text(encoding="utf-8")
        # The copies live elsewhere: the program's documents by absolute URL.
        text = text.replace('"../../qml/', '"file://%s/qml/' % ROOT)
        prefixes = {}

        def renamed(match):
            prefix = prefixes.setdefault(match.group(1), "%04d" % rng.randrange(10000))
            return "function test_%s_%s%s(" % (prefix, match.group(1), match.group(2) or "")

        text = TEST_FUNCTION.sub(renamed, text)
        name = source.name
        if name.startswith("tst_"):
            name = "tst_%04d_%s" % (rng.randrange(10000), name[4:])
        (folder / name).write_text(text, encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--seed", type=int, default=random.randrange(1 << 30))
    parser.add_argument("--shuffled-only", action="store_true")
    args = parser.parse_args()
    runner = pathlib.Path(args.build, "tests", "qml", "tst_quick")
    failures = []

    if not args.shuffled_only:
        listed = run(runner, "-functions").stderr.split()  # Qt Quick Test lists on stderr
        functions = [line[:-2] for line in listed if "::test_" in line and line.endswith("()")]
        for function in functions:
            result = run(runner, function)
            ok = result.returncode == 0 and " 0 failed" in result.stdout
            print(("PASS " if ok else "FAIL ") + function, flush=True)
            if not ok:
                failures.append(function)
                print(result.stdout[-3000:])
        print("%d functions alone, %d failed" % (len(functions), len(failures)))

    print("shuffled with seed %d" % args.seed, flush=True)
    with tempfile.TemporaryDirectory() as folder:
        shuffled_copy(pathlib.Path(folder), random.Random(args.seed))
        result = run(runner, "-input", folder)
        totals = [line for line in result.stdout.splitlines() if line.startswith("Totals:")]
        print(totals[0] if totals else result.stdout[-3000:])
        if result.returncode != 0:
            failures.append("the shuffled run")
            print("\n".join(line for line in result.stdout.splitlines() if line.startswith(("FAIL", "   Loc"))))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
