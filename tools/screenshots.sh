#!/usr/bin/env bash
# Starts the editor in a virtual X display, takes a screenshot of each screen
# and checks that none of them is empty (a single colour).
#
#   tools/screenshots.sh [OUTPUT_FOLDER]      (default: build/screenshots)
#
# ZN_PROGRAM names the program to run (default: build/zeltanorvik). The
# screens: the splash, home, the editor with the sample photo, each tool panel
# (looks, frames, adjust, tone with its curves and colour mixer, selective, heal,
# focus, rotate, crop, text), a crop applied, the file
# dialog, the collage screen (picking, then composing two photos) and the
# share page; at 1280 x 800 ("-wide"), home, the editor with a tool open and a
# collage.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
program="${ZN_PROGRAM:-$here/build/zeltanorvik}"
out="${1:-$here/build/screenshots}"
sample="/usr/share/wallpapers/Path/contents/images/2560x1600.jpg"

for tool in xvfb-run /usr/bin/import /usr/bin/convert; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (tools/install-deps.sh)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "screenshots: no program at $program" >&2; exit 1; }
[ -r "$sample" ] || { echo "screenshots: no sample photo at $sample" >&2; exit 1; }

mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export ZELTANORVIK_ROOT="$work/MyDocs/"
export XDG_RUNTIME_DIR="$work/runtime"
export HOME="$work/home"
mkdir -p "$ZELTANORVIK_ROOT" "$XDG_RUNTIME_DIR" "$HOME/Pictures"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$sample" "$ZELTANORVIK_ROOT/Path.jpg"
export QT_QPA_PLATFORM=xcb

# One run of the program: wait, then shoot the whole display.
#   shoot NAME SECONDS [PROGRAM ARGUMENTS...]
shoot() {
  local name="$1" delay="$2"
  shift 2
  cat > "$work/shot.sh" <<INNER
#!/usr/bin/env bash
"\$@" > "$work/$name.log" 2>&1 &
pid=\$!
sleep $delay
# A loaded machine may not have drawn the screen yet: an empty screen, or the
# splash where another screen is due, is shot again once a second for up to
# fifteen seconds more. The splash is told by its corner, bare ground
# (#121212) where every other screen has its tool bar.
for try in \$(seq 16); do
  /usr/bin/import -window root "$out/$name.png"
  if [ "\$(/usr/bin/convert "$out/$name.png" -format '%k' info: 2>/dev/null || echo 0)" -ge 8 ]; then
    case "$name" in splash*) break ;; esac
    [ "\$(/usr/bin/convert "$out/$name.png" -format '%[hex:p{4,4}]' info:)" != 121212 ] && break
  fi
  sleep 1
done
kill \$pid 2>/dev/null || true
wait \$pid 2>/dev/null || true
INNER
  chmod +x "$work/shot.sh"
  xvfb-run -a -s "-screen 0 ${screen}x24" "$work/shot.sh" "$program" "$@"
  if [ ! -s "$out/$name.png" ]; then
    echo "screenshots: $name: no picture taken" >&2
    return 1
  fi
  local colours
  colours="$(/usr/bin/convert "$out/$name.png" -format '%k' info:)"
  if [ "$colours" -lt 8 ]; then
    echo "screenshots: $name: the screen is empty ($colours colours)" >&2
    cat "$work/$name.log" >&2
    return 1
  fi
  case "$name" in
    splash*) ;;
    *)
      if [ "$(/usr/bin/convert "$out/$name.png" -format '%[hex:p{4,4}]' info:)" = 121212 ]; then
        echo "screenshots: $name: still the splash screen" >&2
        cat "$work/$name.log" >&2
        return 1
      fi
      ;;
  esac
  echo "screenshots: $name.png ($colours colours)"
}

# The display: a phone's screen, and a desktop monitor for the "-wide" shots.
screen=480x854
photo="$ZELTANORVIK_ROOT/Path.jpg"
shoot splash 1.5
shoot home 5
shoot editor 5 --open "$photo"
for tool in looks frames adjust tone curves mixer selective heal focus rotate crop text; do
  shoot "$tool" 4 --open "$photo" --tool "$tool"
done
shoot cropped 6 --open "$photo" --tool crop --apply
shoot browse 5 --browse
shoot collage 4 --collage
cp "$sample" "$ZELTANORVIK_ROOT/Path-2.jpg"
shoot collage-compose 6 --collage --collage-photos "$photo,$ZELTANORVIK_ROOT/Path-2.jpg"
shoot share 5 --open "$photo" --share
screen=1280x800
shoot splash-wide 1.5 --size 1280x800
shoot home-wide 5 --size 1280x800
shoot editor-wide 5 --size 1280x800 --open "$photo" --tool adjust
shoot collage-wide 10 --size 1280x800 --collage --collage-photos "$photo,$ZELTANORVIK_ROOT/Path-2.jpg"
