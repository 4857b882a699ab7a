#!/usr/bin/env bash
# The program killed at random moments while it saves a list (-o) and while it
# generates files: every file on disk is complete or absent, no temporary file
# is visible, and the hidden ones a killed run left are gone after the next run.
set -u
cli=$(readlink -f "$1")
kills=${2:-30}
work=$(mktemp -d /tmp/fenrow-kill.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# 200,000 accounts: a save takes about a tenth of a second, generate makes
# 2,000 files in about a second.
seq 1 200000 | awk '{ printf "user%08d----pw%d\n", $1, $1 * 7 }' >"$work/list.txt"
mkdir -p "$work/ref" "$work/gen" "$work/save"
"$cli" dedupe "$work/list.txt" -o "$work/ref/out.txt" || fail "reference save"
"$cli" generate --count 100 --out-dir "$work/ref" "$work/list.txt" >/dev/null || fail "reference generate"
(cd "$work/ref" && md5sum -- *) >"$work/ref.sums"

# The save killed 0 to 150 ms after its start, generate 0 to 1.2 s after.
for i in $(seq 1 "$kills"); do
  find "$work/gen" -maxdepth 1 -type f ! -name '.*' -delete # keep what a killed run hid
  "$cli" generate --count 100 --out-dir "$work/gen" "$work/list.txt" >/dev/null 2>&1 &
  gen=$!
  "$cli" dedupe "$work/list.txt" -o "$work/save/out.txt" 2>/dev/null &
  save=$!
  save_ms=$(((i * 37) % 150)) gen_ms=$(((i * 53) % 1200))
  [ $gen_ms -ge $save_ms ] || gen_ms=$save_ms
  sleep "$(printf '%d.%03d' $((save_ms / 1000)) $((save_ms % 1000)))"
  kill -9 $save 2>/dev/null
  sleep "$(printf '%d.%03d' $(((gen_ms - save_ms) / 1000)) $(((gen_ms - save_ms) % 1000)))"
  kill -9 $gen 2>/dev/null
  wait $gen $save 2>/dev/null
  # Visible files whose name and bytes are not a reference file's.
  bad=$( (cd "$work/gen" && ls | grep -q . && md5sum -- *; cd "$work/save" && ls | grep -q . && md5sum -- *) | grep -vxFf "$work/ref.sums")
  [ -z "$bad" ] || fail "kill $i: incomplete or temporary files: $(echo "$bad" | head -3)"
done

# The next complete run removes what killed runs left hidden.
find "$work/gen" -maxdepth 1 -type f ! -name '.*' -delete
"$cli" generate --count 100 --out-dir "$work/gen" "$work/list.txt" >/dev/null || fail "last generate"
"$cli" dedupe "$work/list.txt" -o "$work/save/out.txt" || fail "last save"
left=$(find "$work/gen" "$work/save" -maxdepth 1 -type f -name '.*' | wc -l)
[ "$left" -eq 0 ] || fail "$left hidden temporary files left after the next run"
[ "$(ls "$work/gen" | wc -l)" -eq 2000 ] || fail "last generate: $(ls "$work/gen" | wc -l) files"

[ $failures -eq 0 ] && echo "kill during write ok ($kills kills)"
exit $((failures > 0))
