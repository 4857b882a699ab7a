#!/usr/bin/env bash
# The .deb as a user gets it: unpacked in a clean folder, it holds the program,
# its skin library, the desktop entry and the icons; the unpacked program
# answers --version and starts in a real X server with its skin loaded from
# the install layout.
set -euo pipefail
deb=$(readlink -f "$1")
work=$(mktemp -d /tmp/fenrow-deb.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

dpkg-deb -f "$deb" Depends | grep -q 'qt6-translations-l10n' || fail "no dependency on the translations"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no dependency on Qt Widgets"
dpkg -x "$deb" "$work/root"
root=$work/root
for f in usr/bin/fenrow usr/share/applications/fenrow.desktop \
         usr/share/icons/hicolor/48x48/apps/fenrow.png usr/share/icons/hicolor/scalable/apps/fenrow.svg; do
  [ -f "$root/$f" ] || fail "missing $f"
done
skin=$(find "$root/usr/lib" -name libfenrow_skin.so | head -1)
[ -n "$skin" ] || fail "no skin library"
grep -q '^Categories=Utility;' "$root/usr/share/applications/fenrow.desktop" || fail "desktop entry category"
grep -q '^Name\[zh_CN\]=' "$root/usr/share/applications/fenrow.desktop" || fail "no Chinese name"
"$root/usr/bin/fenrow" --version | grep -q '^fenrow [0-9]' || fail "--version"

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
HOME=$work/home TMPDIR=/tmp "$root/usr/bin/fenrow" >"$work/fenrow.log" 2>&1 &
app=$!
win=""
for _ in $(seq 100); do
  win=$(xdotool search --name "^Fenrow " 2>/dev/null | head -1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { cat "$work/fenrow.log"; fail "no window"; }
sleep 0.5
grep -q "$(readlink -f "$skin")" "/proc/$app/maps" || fail "skin library not loaded from the install"
# Unpacked into the temporary folder: generated files go to the documents folder.
[ -d "$work/home/Documents/Fenrow" ] || fail "no documents folder for generated files"
kill "$app"
echo "installed package ok"
