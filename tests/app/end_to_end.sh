#!/usr/bin/env bash
# Starts the program in a real X server (Xvfb) and works it with xdotool as a
# user would: type into the left box, copy it, paste it into the right box,
# copy that, and check the clipboard and the line counters on the screen.
set -euo pipefail
program=$(readlink -f "$1")
work=$(mktemp -d /tmp/fenrow-e2e.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5

cp "$program" "$work/fenrow"
export XDG_CONFIG_HOME="$work/config" # the window's settings, never the user's
"$work/fenrow" >"$work/fenrow.log" 2>&1 &
app=$!
win=""
for _ in $(seq 100); do
  win=$(xdotool search --name "^Fenrow v2.4 byBrenik$" 2>/dev/null | head -1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "FAIL: no window"; cat "$work/fenrow.log"; exit 1; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "window $WIDTH x $HEIGHT at $X,$Y"
[ "$WIDTH" = 722 ] && [ "$HEIGHT" = 514 ] || { echo "FAIL: client area ${WIDTH}x${HEIGHT}"; exit 1; }
# Centred on the 1280 x 800 screen by its 740 x 548 outer size.
[ "$X" = 270 ] && [ "$Y" = 126 ] || { echo "FAIL: placed at $X,$Y"; exit 1; }

click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1; sleep 0.3; }
# Until the program has used no processor time for a second: all its work is done.
wait_idle() {
  local before="" now
  while now=$(awk '{print $14 + $15}' "/proc/$app/stat") && [ "$now" != "$before" ]; do
    before=$now
    sleep 1
  done
}
counter() { import -window root -crop "$3x$4+$((X + $1))+$((Y + $2))" "$work/$5.png"; }
close_message_box() {
  local box=""
  for _ in $(seq "${1:-50}"); do
    box=$(xdotool search --name "^复制$" 2>/dev/null | head -1 || true)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { echo "FAIL: no message box"; exit 1; }
  xdotool windowfocus --sync "$box" key Return
  sleep 0.3
}

counter 90 5 70 24 before
click 120 200                      # into the left box
xdotool type --delay 20 "alpha"
xdotool key Return
xdotool type --delay 20 "beta"
sleep 0.3
counter 90 5 70 24 after
if compare -metric AE "$work/before.png" "$work/after.png" null: 2>/dev/null; then
  echo "FAIL: the left line counter did not change"; exit 1
fi

click 45 17                        # 复制1
close_message_box
got=$(xclip -selection clipboard -o)
[ "$got" = $'alpha\nbeta' ] || { echo "FAIL: clipboard holds '$got'"; exit 1; }
# Marked as a secret, which clipboard managers keep out of their history.
xclip -selection clipboard -o -t TARGETS | grep -qx x-kde-passwordManagerHint || { echo "FAIL: the copy is not marked secret"; exit 1; }
hint=$(xclip -selection clipboard -o -t x-kde-passwordManagerHint)
[ "$hint" = secret ] || { echo "FAIL: the password manager hint reads '$hint'"; exit 1; }

counter 341 5 70 24 right_before
click 457 17                       # 粘贴2
counter 341 5 70 24 right_after
if compare -metric AE "$work/right_before.png" "$work/right_after.png" null: 2>/dev/null; then
  echo "FAIL: the right line counter did not change"; exit 1
fi
# Both counters now read the same two lines.
compare -metric AE "$work/after.png" "$work/right_after.png" null: 2>/dev/null || { echo "FAIL: counters differ"; exit 1; }

echo -n "" | xclip -selection clipboard
click 457 17                       # 粘贴2 of a clipboard without text: the box keeps its lines
click 296 17                       # 复制2
close_message_box
got=$(xclip -selection clipboard -o)
[ "$got" = $'alpha\nbeta' ] || { echo "FAIL: right box copied as '$got'"; exit 1; }

# A click on another button while pick runs waits until the pick is over: pick
# keeps every left line (each is there twice), then remove duplicates leaves
# one of each. Carried out in the middle of the pick, remove duplicates would
# come first and the pick's result would stand.
seq 1 500000 | sed 's/^/user/; p' > "$work/twice.txt"
xclip -selection clipboard < "$work/twice.txt"
click 198 17                       # 粘贴1
click 45 17                        # 复制1: its message shows once the paste is over
close_message_box 600
xdotool mousemove --sync $((X + 538)) $((Y + 400)) click 1 sleep 0.05 \
  mousemove --sync $((X + 607)) $((Y + 400)) click 1   # 挑不重复, then 去重复 while it runs
wait_idle
echo -n "" | xclip -selection clipboard
click 296 17                       # 复制2
close_message_box 600
total=$(xclip -selection clipboard -o | wc -l)
[ "$total" = 499999 ] || { echo "FAIL: after pick and remove duplicates the right box holds $total line breaks, not 499999"; exit 1; }

kill -0 "$app" || { echo "FAIL: the program ended"; exit 1; }
echo "end-to-end: passed"
