#!/usr/bin/env bash
# The Windows program under Wine in a real X server (Xvfb), worked with
# xdotool and the X clipboard (Wine bridges it) as a user would: paste a list,
# press an operation's button, copy the result and compare it; generate files
# and compare them.   end_to_end_win32.sh PROGRAM.exe WINE_RUN PREFIX
set -euo pipefail
program=$(readlink -f "$1")
wine_run=$2
prefix=$3
work=$(mktemp -d /tmp/fenrow-e2e-win.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

display=":$((500 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

cp "$program" "$work/fenrow.exe" # generated files land beside the program
"$wine_run" "$prefix" "$work/fenrow.exe" >"$work/fenrow.log" 2>&1 &
win=""
for _ in $(seq 300); do
  win=$(xdotool search --name "^Fenrow v2.4 byBrenik$" 2>/dev/null | head -1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "FAIL: no window"; cat "$work/fenrow.log"; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "window $WIDTH x $HEIGHT at $X,$Y"
[ "$WIDTH" = 722 ] && [ "$HEIGHT" = 514 ] || { echo "FAIL: client area ${WIDTH}x${HEIGHT}"; exit 1; }
# The program itself, not the script that started it (its command line names the program too).
app=$(pgrep -nf "^[^ ]*$work/fenrow\\.exe( |\$)")
[ -n "$app" ] || { echo "FAIL: no program process"; exit 1; }

# The pointer then rests on the right box: Wine keeps a timer running for a
# themed (common controls 6) button under the pointer, and never goes idle.
click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1 mousemove --sync $((X + 300)) $((Y + 300)); sleep 0.3; }
# Until the program has used no processor time for a second: its work is done.
wait_idle() {
  local before="" now
  while now=$(awk '{print $14 + $15}' "/proc/$app/stat") && [ "$now" != "$before" ]; do
    before=$now
    sleep 1
  done
}
# Closes the message box with the given title by pressing Enter in it.
close_box() {
  local box=""
  for _ in $(seq 50); do
    box=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { echo "FAIL: no message box '$1'"; import -window root "$work/nobox.png"; exit 1; }
  for _ in $(seq 10); do # a box just shown may miss the first key
    sleep 0.3
    xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
    sleep 0.3
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qx "$box" || return 0
  done
  echo "FAIL: message box '$1' stays"; exit 1
}
# Puts the lines into the left box, replacing what it held.
paste_left() {
  printf '%s' "$1" | xclip -selection clipboard -i
  sleep 0.3
  click 120 200 # into the left box
  xdotool key ctrl+a
  click 198 17  # 粘贴1
}
copied() {
  click "$1" 17 # 复制1 or 复制2
  close_box "复制"
  xclip -selection clipboard -o | tr -d '\r'
}
check() {
  [ "$2" = "$3" ] || { echo "FAIL: $1 gave '$2', expected '$3'"; import -window root "$work/fail.png"; exit 1; }
  echo "ok: $1"
}

list=$'u1\nu2\nU1\nu1\n\nu3\n '
paste_left "$list"
check "paste and copy" "$(copied 45)" "$list"

click 606 399 # 去重复
wait_idle
check "remove duplicates" "$(copied 296)" $'u1\nu2\nU1\n\nu3\n '

click 674 168 # 转换: numbering and suffix
wait_idle
check "numbering conversion" "$(copied 296)" $'1=u1=\n2=u2=\n3=U1=\n4=u1=\n5==\n6=u3=\n7= ='

click 675 399 # 去空行: cleans the left box
wait_idle
check "remove blank lines" "$(copied 45)" $'u1\nu2\nU1\nu1\nu3\n '

paste_left $'a1\na2\na3\na4\na5\na6\na7\na8'
click 674 271 # 生成文本: whole blocks of six go into 账号1.txt, …
close_box "提示！"
wait_idle
[ -f "$work/账号1.txt" ] && [ ! -f "$work/账号2.txt" ] || { ls "$work"; echo "FAIL: files"; exit 1; }
check "the file" "$(iconv -f GBK -t UTF-8 <"$work/账号1.txt" | tr -d '\r')" $'[账号]\n1=a1\n2=a2\n3=a3\n4=a4\n5=a5\n6=a6'
check "left box after generating" "$(copied 45)" $'a7\na8'

xdotool windowclose "$win" 2>/dev/null || kill "$app"
echo "PASS"
