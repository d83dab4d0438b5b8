#!/usr/bin/env bash
# Lints the interface documents (every .qml file under qml/) with Qt's qmllint.
# Fails (exit 1) on any warning except unqualified access to the objects the
# program publishes to the documents by name (communication, tools, http,
# oauth, multitouch, nami, runner), which the linter cannot see.
#
#   ./tools/qmllint.sh            lint qml/
#   ./tools/qmllint.sh FILE...    lint these files only
set -euo pipefail
cd "$(dirname "$0")/.."

qmllint=""
for candidate in qmllint6 qmllint /usr/lib/qt6/bin/qmllint; do
  if command -v "$candidate" >/dev/null 2>&1; then qmllint=$(command -v "$candidate"); break; fi
done
if [ -z "$qmllint" ]; then
  echo "qmllint: not found (Debian package qt6-declarative-dev-tools; see tools/install-deps.sh)" >&2
  exit 2
fi

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(find qml -name '*.qml' | sort)
fi

report=$(mktemp)
trap 'rm -f "$report"' EXIT
# qmllint's own exit status counts the published objects too; the filter
# below decides.
"$qmllint" --json "$report" "${files[@]}" >/dev/null 2>&1 || true

python3 - "$report" <<'EOF'
import json
import sys

PUBLISHED = {"communication", "tools", "runner", "http", "oauth", "multitouch", "nami"}

with open(sys.argv[1], encoding="utf-8") as f:
    report = json.load(f)

failures = 0
for entry in report.get("files", []):
    name = entry["filename"]
    if not entry.get("success", True) and not entry.get("warnings"):
        print(f"{name}: qmllint could not read the file")
        failures += 1
        continue
    try:
        with open(name, encoding="utf-8") as f:
            lines = f.read().split("\n")
    except OSError:
        lines = []
    for w in entry.get("warnings", []):
        # "critical" is a syntax error; "info" never fails the run.
        if w.get("type") not in ("warning", "critical"):
            continue
        line, column = w.get("line", 0), w.get("column", 0)
        text = lines[line - 1] if 0 < line <= len(lines) else ""
        word = text[column - 1:column - 1 + w.get("length", 0)] if column > 0 else ""
        if w.get("message") == "Unqualified access" and word in PUBLISHED:
            continue
        print(f"{name}:{line}:{column}: {w.get('message')}")
        if text:
            print(f"    {text.strip()}")
        failures += 1

if failures:
    print(f"qmllint: {failures} warning(s)")
    sys.exit(1)
print("qmllint: clean")
EOF
