#!/usr/bin/env bash
# Installs the runtime component into a temporary DESTDIR and checks what a
# package would carry: both programs, the library under its soname (and no
# development symlink), the documents, the desktop entry, the metainfo and the
# icons; then runs the installed programs from another folder, which must find
# the library, the data bundle and the documents of the install and read
# nothing from the source or build tree.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source="$(cd "$2" && pwd)"
id=org.zeltanorvik.Zeltanorvik
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr --component runtime >/dev/null
usr="$stage/root/usr"
for f in bin/zeltanorvik bin/zeltanorvik-cli share/zeltanorvik/qml/zeltanorvik/main.qml \
         share/zeltanorvik/qml/zeltanorvik/ShanpingImage.qml share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg; do
  [ -s "$usr/$f" ] || fail "$f is not installed"
done
for side in 48 128 256; do
  png="$usr/share/icons/hicolor/${side}x${side}/apps/$id.png"
  [ "$(/usr/bin/identify -format '%wx%h' "$png")" = "${side}x${side}" ] || fail "$png is not ${side}x${side}"
done
lib="$(find "$usr" -name libQtqveffect.so.1)"
[ -n "$lib" ] || fail "libQtqveffect.so.1 is not installed"
readelf -d "$lib" | grep -q 'SONAME.*\[libQtqveffect\.so\.1\]' || fail "the library's soname is not libQtqveffect.so.1"
[ -z "$(find "$usr" -name libQtqveffect.so)" ] || fail "the development symlink is in the runtime component"

elsewhere="$stage/elsewhere"
mkdir -p "$elsewhere/docs" "$elsewhere/runtime"
chmod 700 "$elsewhere/runtime"
cd "$elsewhere"
export ZELTANORVIK_ROOT="$elsewhere/docs/" XDG_RUNTIME_DIR="$elsewhere/runtime" HOME="$elsewhere" QT_QPA_PLATFORM=offscreen
ldd "$usr/bin/zeltanorvik-cli" | grep libQtqveffect | grep -q "$usr" || fail "the installed front does not use the installed library"
[ "$("$usr/bin/zeltanorvik-cli" --version)" = "zeltanorvik-cli $ZN_VERSION" ] || fail "--version"
# Look 1030 screen-blends a texture of the bundle over the photo.
/usr/bin/convert -size 320x240 gradient:orange-navy "$elsewhere/photo.jpg"
out="$("$usr/bin/zeltanorvik-cli" loadImage photo.jpg 1030)" || fail "the installed front failed a look"
[ "$(/usr/bin/identify -format '%wx%h' "$out")" = "320x240" ] || fail "the look wrote no 320x240 picture: $out"
case "$out" in "$elsewhere/docs/"*) ;; *) fail "the look's working file is outside the document root: $out" ;; esac

# The editor, from a folder holding a broken copy of the documents: it loads
# the installed ones. Where strace works, nothing under the tree is opened.
mkdir -p qml/zeltanorvik
echo "this is not a document" > qml/zeltanorvik/main.qml
cp qml/zeltanorvik/main.qml qml/zeltanorvik/ShanpingImage.qml
trace=()
if command -v strace >/dev/null && strace -f -o /dev/null true 2>/dev/null; then
  trace=(strace -f -e trace=open,openat,stat,newfstatat,access -o "$stage/trace")
fi
status=0
QT_LOGGING_RULES="zn.shell.debug=true" timeout -s TERM 8 "${trace[@]}" "$usr/bin/zeltanorvik" photo.jpg \
  > "$stage/editor.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$stage/editor.log" >&2; fail "the installed editor ended early ($status)"; }
grep -q "loading.*$usr/share/zeltanorvik/qml/zeltanorvik/main.qml" "$stage/editor.log" \
  || { cat "$stage/editor.log" >&2; fail "the editor did not load the installed main document"; }
if grep -qi "did not load\|is not a type\|error" "$stage/editor.log"; then
  cat "$stage/editor.log" >&2
  fail "the installed documents did not load cleanly"
fi
if [ ${#trace[@]} -gt 0 ]; then
  if grep -v ENOENT "$stage/trace" | grep -F -e "\"$source/" -e "\"$build/" > "$stage/tree"; then
    head "$stage/tree" >&2
    fail "the installed editor read from the source or build tree"
  fi
fi
echo "install_test: passed"
