#!/usr/bin/env bash
# Every button, and a box's 打开文本 and 另存为, through the real Qt window under Xvfb (build/bench/window_clicks),
# against the fastest awk or grep doing the same work on the same list in the
# same run: seconds from the click until the window is idle, the ratio to the
# peer, the peak memory above the empty window over the text the window then
# holds (both boxes and their undo steps), the same clicks with the
# accessibility bridge on (AT-SPI on a session bus) and their ratio, and the
# growth from the first size to each later one. "cpu" is the window's
# processor time over the click, all threads: on a busy machine wall time
# overstates the work. Every result is checked
# against fenrow-cli's for the same list.
#   bench/window_clicks.sh [-b build-dir] [-o] [lines ...]   (default 1000000 10000000)
#   -o: also the offscreen platform, to show it agrees with Xvfb
# Needs: scripts/install-deps bench (Xvfb, mawk, gawk, a session bus, AT-SPI).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
offscreen=
while getopts "b:o" opt; do
  case $opt in
    b) build=$OPTARG ;;
    o) offscreen=1 ;;
    *) echo "usage: $0 [-b build-dir] [-o] [lines ...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
sizes=("$@")
[ $# -gt 0 ] || sizes=(1000000 10000000)

clicks=$(readlink -f "$build/bench/window_clicks")
cli=$(readlink -f "$build/cli/fenrow-cli")
[ -x "$clicks" ] && [ -x "$cli" ] || { echo "no $clicks or $cli: build window_clicks and fenrow-cli first" >&2; exit 1; }
for tool in xvfb-run dbus-run-session mawk gawk; do
  command -v $tool >/dev/null || { echo "$tool is missing: scripts/install-deps bench" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/fenrow-clicks.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

# click | fenrow-cli runs making the expected results ($F list, $R right list, $E expect.<click>) | peers "label:command" separated by " ;; "
table() {
  cat <<'EOF'
paste|||
dedupe|dedupe --crlf -o $E.txt $F|AWK:AWK '!seen[$0]++' $F
convert|number --suffix = --crlf -o $E.txt $F|AWK:AWK '{print NR"="$0"="}' $F
suffix|suffix --crlf -o $E.txt $F|AWK:AWK 'length {c++; if (c % 6 == 1) print $0 "*" (int((c - 1) / 6) + 1); else print}' $F
pick|pick --crlf -o $E.txt $F $R|AWK:AWK 'NR == FNR {b[$0]; next} !($0 in b)' $R $F
blank|blank --crlf -o $E-left.txt $F && '$CLI' blank --crlf -o $E-right.txt $R|AWK:AWK 'length' $F $R ;; grep:grep -hv '^$' $F $R
extract|extract --tail ---- --crlf -o $E.txt $F|AWK:AWK -F---- '{print (NF > 1 ? $1 : "")}' $F
open||AWK:AWK '{printf "%s\r\n", $0}' $F
save||cp:cp $F $F.copy
EOF
}

# One run of the window's clicks; prints "click name seconds peak held ok".
window_run() {
  local mode=$1 dir=$2
  case $mode in
    xvfb) xvfb-run -a -s "-screen 0 1280x1024x24" "$clicks" "$dir" 2>/dev/null ;;
    offscreen) QT_QPA_PLATFORM=offscreen "$clicks" "$dir" ;;
    a11y)
      # The bridge talks to the accessibility bus its launcher starts on the session bus.
      xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- bash -c \
        '/usr/libexec/at-spi-bus-launcher --launch-immediately & sleep 1;
         QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$0" "$1"; s=$?; kill %1 2>/dev/null; exit $s' \
        "$clicks" "$dir" 2>/dev/null ;;
  esac
}

declare -A secs=() 
printf '%-8s %9s %8s %7s %8s %6s %-5s %8s %6s %7s %6s  %s\n' click lines window cpu a11y ×a11y peer peer ×peer memory ×1st result
first=
for n in "${sizes[@]}"; do
  dir=$work/$n
  mkdir -p "$dir"
  "$clicks" --write-lists "$n" "$dir"
  F=$dir/list.txt R=$dir/right.txt
  declare -A peer_t=() peer_n=()
  while IFS='|' read -r click args peers; do
    if [ -n "$args" ]; then
      E=$dir/expect.$click
      a=${args//\$F/$F}; a=${a//\$R/$R}; a=${a//\$E/$E}; a=${a//\$CLI/$cli}
      bash -c "'$cli' $a" || { echo "fenrow-cli failed: $a" >&2; exit 1; }
    fi
    [ -n "$peers" ] || continue
    IFS=$'\n' read -r -d '' -a list < <(echo "${peers// ;; /$'\n'}" && printf '\0') || true
    for p in "${list[@]}"; do
      label=${p%%:*} cmd=${p#*:}
      cmd=${cmd//\$F/$F}; cmd=${cmd//\$R/$R}
      for awk in mawk gawk; do
        [ "$label" = AWK ] || awk=$label
        c=${cmd//AWK/$awk}
        t0=$(date +%s%N)
        bash -c "$c" >"$work/peer.out" </dev/null
        t1=$(date +%s%N)
        t=$(( (t1 - t0) / 1000 ))
        if [ -z "${peer_t[$click]:-}" ] || [ "$t" -lt "${peer_t[$click]}" ]; then
          peer_t[$click]=$t peer_n[$click]=$awk
        fi
        [ "$label" = AWK ] || break
      done
    done
  done < <(table)
  rm -f "$work/peer.out" "$F.copy"

  modes=(xvfb a11y)
  [ -z "$offscreen" ] || modes+=(offscreen)
  declare -A got=()
  for mode in "${modes[@]}"; do
    while read -r _ click s cpu peak held ok; do
      got[$mode.$click]="$s $cpu $peak $held $ok"
    done < <(window_run "$mode" "$dir" | grep '^click ')
  done

  while IFS='|' read -r click _ _; do
    read -r s cpu peak held ok <<<"${got[xvfb.$click]:-0 0 0 1 missing}"
    read -r sa _ _ _ oka <<<"${got[a11y.$click]:-0 0 0 1 missing}"
    secs[$n.$click]=$s
    grow=
    [ -z "$first" ] || grow=$(mawk -v a="$s" -v b="${secs[$first.$click]}" 'BEGIN {printf "%.1f", a / b}')
    mawk -v c="$click" -v n="$n" -v s="$s" -v cpu="$cpu" -v sa="$sa" -v pn="${peer_n[$click]:--}" -v pt="${peer_t[$click]:-0}" \
      -v peak="$peak" -v held="$held" -v g="${grow:--}" -v ok="$ok" -v oka="$oka" 'BEGIN {
      pts = "-"; pr = "-"
      if (pt > 0) { pts = sprintf("%.2fs", pt / 1e6); pr = sprintf("%.2f", s / (pt / 1e6)) }
      note = ""
      if (oka != ok) note = " (a11y: " oka ")"
      printf "%-8s %9d %7.2fs %6.2fs %7.2fs %6.2f %-5s %8s %6s %6.2f× %6s  %s%s\n", c, n, s, cpu, sa, sa / s, pn, pts, pr,
        peak / held, g, ok, note
    }'
    if [ -n "$offscreen" ]; then
      read -r so _ _ _ oko <<<"${got[offscreen.$click]:-0 0 0 1 missing}"
      printf '%-8s %9s offscreen %.2fs (%s)\n' "" "" "$so" "$oko"
    fi
  done < <(table)
  [ -n "$first" ] || first=$n
  unset peer_t peer_n got
done
