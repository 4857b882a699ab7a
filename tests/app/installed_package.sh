#!/usr/bin/env bash
# The .deb as Debian and a user get it. Debian's checker finds no error or
# warning in it, its metainfo and desktop entry validate, and it holds the
# program, its skin library, fenrow-cli, the desktop entry, icons, metainfo,
# manual pages, copyright and changelog. Unpacked in a clean folder, the
# program answers --version and starts in a real X server with its skin loaded
# from the install layout. As root (CI), apt-get installs it: the window starts
# from /usr/bin, fenrow-cli dedupes a list, the manual pages show, and
# removing it with --purge leaves none of its files.
set -euo pipefail
deb=$(readlink -f "$1")
work=$(mktemp -d /tmp/fenrow-deb.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
id=org.example.fenrow.Fenrow

# Errors and warnings fail; info tags pass. The debug symbols' package too.
dbgsym=$(dirname "$deb")/$(basename "$deb" | sed 's/^fenrow_/fenrow-dbgsym_/')
lintian --fail-on error,warning "$deb" "$dbgsym" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }
grep -v 'root privileges' "$work/lintian.log" || true

for p in qt6-translations-l10n libqt6widgets6 xdg-utils; do
  dpkg-deb -f "$deb" Depends | grep -q "$p" || fail "no dependency on $p"
done
dpkg -x "$deb" "$work/root"
root=$work/root
for f in usr/bin/fenrow usr/bin/fenrow-cli usr/lib/fenrow/libfenrow_skin.so \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/48x48/apps/fenrow.png usr/share/icons/hicolor/scalable/apps/fenrow.svg \
         usr/share/man/man1/fenrow.1.gz usr/share/man/man1/fenrow-cli.1.gz \
         usr/share/man/zh_CN/man1/fenrow.1.gz usr/share/man/zh_CN/man1/fenrow-cli.1.gz \
         usr/share/doc/fenrow/copyright usr/share/doc/fenrow/changelog.gz; do
  [ -f "$root/$f" ] || fail "missing $f"
done
desktop=$root/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo"
grep -q '^Categories=Utility;' "$desktop" || fail "desktop entry category"
grep -q '^Name\[zh_CN\]=' "$desktop" || fail "no Chinese name"
"$root/usr/bin/fenrow" --version | grep -q '^fenrow [0-9]' || fail "--version"

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# Starts a program with its own home folder and waits for its window; $app
# is its process.
start_window() {
  HOME=$2 TMPDIR=/tmp "$1" >"$work/fenrow.log" 2>&1 &
  app=$!
  local win=""
  for _ in $(seq 100); do
    win=$(xdotool search --name "^Fenrow " 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { cat "$work/fenrow.log"; fail "no window from $1"; }
  sleep 0.5
}

start_window "$root/usr/bin/fenrow" "$work/home"
grep -q "$(readlink -f "$root/usr/lib/fenrow/libfenrow_skin.so")" "/proc/$app/maps" || fail "skin library not loaded from the install"
# Unpacked into the temporary folder: generated files go to the documents folder.
[ -d "$work/home/Documents/Fenrow" ] || fail "no documents folder for generated files"
kill "$app"
wait "$app" 2>/dev/null || true
echo "unpacked package ok"

if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the package is not installed"
  exit 0
fi
if dpkg-query -W -f='${Status}' fenrow 2>/dev/null | grep -q 'install ok installed'; then
  echo "fenrow is installed already: left as it is, the package is not installed"
  exit 0
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install"; }
dpkg -L fenrow >"$work/owned"

start_window /usr/bin/fenrow "$work/home-installed"
grep -q ' /usr/lib/fenrow/libfenrow_skin.so$' "/proc/$app/maps" || fail "skin library not loaded from /usr/lib/fenrow"
kill "$app"
wait "$app" 2>/dev/null || true

printf 'b\r\na\r\nb\r\nA\r\n' >"$work/list.txt"
printf 'b\r\na\r\nA\r\n' >"$work/expected.txt"
fenrow-cli dedupe "$work/list.txt" -o "$work/unique.txt" || fail "fenrow-cli dedupe"
cmp "$work/unique.txt" "$work/expected.txt" || fail "fenrow-cli dedupe result"

export LC_ALL=C.UTF-8
man -P cat fenrow 2>/dev/null | grep -q 'desktop tool for lists of accounts' || fail "man fenrow"
man -P cat fenrow-cli 2>/dev/null | grep -q -- '--ignore-case' || fail "man fenrow-cli"
man -L zh_CN -P cat fenrow 2>/dev/null | grep -q '皮肤库' || fail "man fenrow in Chinese"
man -L zh_CN -P cat fenrow-cli 2>/dev/null | grep -q '用法' || fail "man fenrow-cli in Chinese"

DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq fenrow >>"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get remove"; }
dpkg-query -W -f='${Status}' fenrow 2>/dev/null | grep -q installed && fail "still installed"
# Its files are gone, and its own folders; the shared ones (/usr/bin, the icon
# theme's) stay.
while read -r p; do
  if [ -d "$p" ]; then
    case "$p" in *fenrow*) fail "left behind: $p" ;; esac
  elif [ -e "$p" ] || [ -L "$p" ]; then
    fail "left behind: $p"
  fi
done <"$work/owned"
echo "installed package ok"
