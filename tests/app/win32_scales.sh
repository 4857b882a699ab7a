#!/usr/bin/env bash
# The Windows window's scale tests at 120, 144 and 192 pixels per inch (96 is
# the ordinary run's), in one Wine prefix of their own whose LogPixels, read
# when a program starts, is changed between the runs. In Xvfb: Wine's null
# display driver has a screen of 1024 x 768, too small for the scaled window.
#   win32_scales.sh WINE_RUN PREFIX WIN32_WINDOW_TEST.exe
set -euo pipefail
wine_run=$1 prefix=$2 test=$3
log=$(mktemp /tmp/fenrow-scales.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -f "$log"' EXIT

display=":$((500 + RANDOM % 400))"
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >"$log" 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

for dpi in 120 144 192; do
  # The user's scale, the value Wine 8 reads (not the machine's fonts key).
  "$wine_run" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  echo "== $dpi pixels per inch"
  # The contract's moves between scales once, from 144, where the screen holds them all.
  filter='Win32Scale.*'
  [ "$dpi" = 144 ] && filter='*Scale*'
  "$wine_run" "$prefix" "$test" --gtest_filter="$filter"
done
