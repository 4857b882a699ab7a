#!/usr/bin/env bash
# Every operation as a whole process through fenrow-cli against the fastest
# command-line peer doing the same work on the same generated list: runs
# interleaved, medians of wall time, ratio fenrow/peer, peak memory, and
# whether the outputs agree byte for byte. "floor" is build/bench/io_floor
# (the list read a block at a time and written back, as fenrow-cli does
# around a streamed operation) over the same peer: no streamed run gets below it.
#   bench/cli_vs_peers.sh [-r runs] [-b build-dir] [lines ...]   (default 100000 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
build=build
while getopts "r:b:" opt; do
  case $opt in
    r) runs=$OPTARG ;;
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-r runs] [-b build-dir] [lines ...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
sizes=("${@:-100000}")
[ $# -gt 0 ] || sizes=(100000 1000000)

cli=$(readlink -f "$build/cli/fenrow-cli")
floor=$(readlink -f "$build/bench/io_floor")
[ -x "$cli" ] && [ -x "$floor" ] || { echo "no $cli or $floor: build first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 1; }
awks=()
for a in mawk gawk; do command -v $a >/dev/null && awks+=("$a"); done
[ ${#awks[@]} -gt 0 ] || awks=(awk)

work=$(mktemp -d "${TMPDIR:-/tmp}/fenrow-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

# Accounts of about 20 bytes, one in seven with Chinese (GBK), one in ten a
# repeat of a few hundred common lines, one in a hundred empty; LF line ends.
make_list() {
  "${awks[0]}" -v n="$1" 'BEGIN {
    srand(1)
    for (i = 0; i < n; i++) {
      if (i % 100 == 49) { print ""; continue }
      if (i % 10 == 5) { print "user" (i % 397) "----common"; continue }
      printf "user%d----%spw%d\n", int(rand() * 10000000), (i % 7 == 0 ? "\325\313\272\305" : ""), int(rand() * 100000)
    }
  }'
}

# op name | fenrow-cli arguments | peers, each "label:command", separated by " ;; "
# In the commands, $F is the list, $B the second list of pick, $G the list
# without blank lines, $D a fresh directory.
ops() {
  cat <<'EOF'
number|number $F|AWK:AWK '{print NR"="$0}' $F
suffix-text|number --no-number --suffix = --suffix-text x $F|AWK:AWK '{print $0"=x"}' $F ;; sed:sed 's/$/=x/' $F
suffix|suffix --group 6 $F|AWK:AWK 'length {c++; if (c % 6 == 1) print $0 "*" (int((c - 1) / 6) + 1); else print}' $F
extract|extract --tail ---- $F|AWK:AWK -F---- '{print (NF > 1 ? $1 : "")}' $F
blank|blank $F|AWK:AWK 'length' $F ;; grep:grep -v '^$' $F
dedupe|dedupe $F|AWK:AWK '!seen[$0]++' $F
pick|pick $F $B|AWK:AWK 'NR == FNR {b[$0]; next} !($0 in b)' $B $F
generate|generate --count 1000 --name k --no-top --no-number --out-dir $D $G|split:split -l 1000 $G $D/x
dedupe-case|dedupe --ignore-case $F|AWK:AWK 'NF && !seen[tolower($0)]++' $F
dupes|dupes $F|AWK:AWK '!($0 in c) {o[++n] = $0} {c[$0]++} END {for (i = 1; i <= n; i++) if (c[o[i]] > 1) print o[i]}' $F
count|count $F|AWK:AWK '!($0 in c) {o[++n] = $0} {c[$0]++} END {for (i = 1; i <= n; i++) print o[i] "\t" c[o[i]]}' $F
intersect|intersect $F $B|AWK:AWK 'NR == FNR {b[$0]; next} NF && ($0 in b) && !s[$0]++' $B $F
union|union $F $B|AWK:AWK 'NF && !s[$0]++' $F $B
only|only $F $B|AWK:AWK 'NR == FNR {if (NF && !($0 in a)) {a[$0]; o[++n] = $0} next} NF && !($0 in b) {b[$0]; p[++m] = $0} END {for (i = 1; i <= n; i++) if (!(o[i] in b)) print o[i]; for (i = 1; i <= m; i++) if (!(p[i] in a)) print p[i]}' $F $B
filter|filter common $F|grep:grep -F common $F
sort|sort $F|sort:sort -s $F
shuffle|shuffle --seed 1 $F|shuf:shuf $F
trim|trim $F|sed:sed 's/^[ \t]*//; s/[ \t]*$//' $F
EOF
}

# Runs one command in a fresh directory $D; prints "seconds peak-KB".
# The output goes to $work/out.<tag>, generated files stay in $D for the check.
timed() {
  local tag=$1 cmd=$2
  rm -rf "$work/d.$tag" && mkdir "$work/d.$tag"
  local D=$work/d.$tag
  cmd=${cmd//\$D/$D}
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/mem" bash -c "$cmd" </dev/null >"$work/out.$tag" 2>"$work/err.$tag" ||
    { echo "FAILED: $cmd" >&2; cat "$work/err.$tag" >&2; exit 1; }
  t1=$(date +%s%N)
  echo "$(( (t1 - t0) / 1000 )) $(tail -1 "$work/mem")"
}

median() { sort -n | "${awks[0]}" '{a[NR] = $1} END {print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2)}'; }

# What a generate run wrote, as split -l writes it: each file's lines and the
# accounts left over, LF line ends.
generated_as_split() {
  local dir=$1 out=$2 k=1
  while [ -f "$dir/k$k.txt" ]; do
    tr -d '\r' <"$dir/k$k.txt"
    echo
    k=$((k + 1))
  done
  cat "$out"
}

printf '%-12s %9s %10s %-6s %10s %7s %7s %9s %9s %6s  %s\n' op lines fenrow peer peer ratio floor "fenrow MB" "peer MB" "×input" output
for n in "${sizes[@]}"; do
  F=$work/list.txt B=$work/pick.txt G=$work/noblank.txt
  make_list "$n" >"$F"
  "${awks[0]}" 'NR % 3 == 0 && length' "$F" >"$B"
  "${awks[0]}" 'length' "$F" >"$G"
  input_kb=$(( $(stat -c %s "$F") / 1024 ))

  declare -A times=() mems=() same=()
  # Interleaved: every run does every operation with fenrow and each peer.
  for ((r = 0; r < runs; r++)); do
    read -r s m < <(timed floor "'$floor' $F")
    [ -n "$s" ] || exit 1
    times[floor]+="$s "
    while IFS='|' read -r op args peers; do
      args=${args//\$F/$F}; args=${args//\$B/$B}; args=${args//\$G/$G}
      read -r s m < <(timed "$op.fenrow" "'$cli' $args")
      [ -n "$s" ] || exit 1
      times[$op.fenrow]+="$s "; mems[$op.fenrow]=$m
      if [ "$r" -eq 0 ] && [ "$op" = generate ]; then
        generated_as_split "$work/d.$op.fenrow" "$work/out.$op.fenrow" >"$work/gen.fenrow"
      fi
      IFS=$'\n' read -r -d '' -a list < <(echo "${peers// ;; /$'\n'}" && printf '\0') || true
      for p in "${list[@]}"; do
        label=${p%%:*} cmd=${p#*:}
        cmd=${cmd//\$F/$F}; cmd=${cmd//\$B/$B}; cmd=${cmd//\$G/$G}
        for a in "${awks[@]}"; do
          [ "$label" = AWK ] || a=$label
          c=${cmd//AWK/$a}
          read -r s m < <(timed "$op.$a" "$c")
          [ -n "$s" ] || exit 1
          times[$op.$a]+="$s "; mems[$op.$a]=$m
          if [ "$r" -eq 0 ]; then
            if [ "$op" = generate ]; then
              cat "$work/d.$op.$a"/x* >"$work/gen.$a"
              cmp -s "$work/gen.fenrow" "$work/gen.$a" && same[$op.$a]=bytes || same[$op.$a]=DIFFERENT
            else
              cmp -s "$work/out.$op.fenrow" "$work/out.$op.$a" && same[$op.$a]=bytes || same[$op.$a]=DIFFERENT
            fi
          fi
          [ "$label" = AWK ] || break
        done
      done
    done < <(ops)
  done

  floor_t=$(echo "${times[floor]}" | tr ' ' '\n' | grep . | median)
  while IFS='|' read -r op _ _; do
    f=$(echo "${times[$op.fenrow]}" | tr ' ' '\n' | grep . | median)
    best="" best_t=""
    for key in "${!times[@]}"; do
      [[ $key == "$op".* && $key != "$op.fenrow" ]] || continue
      t=$(echo "${times[$key]}" | tr ' ' '\n' | grep . | median)
      if [ -z "$best_t" ] || "${awks[0]}" -v a="$t" -v b="$best_t" 'BEGIN {exit !(a < b)}'; then
        best=${key#"$op".} best_t=$t
      fi
    done
    "${awks[0]}" -v op="$op" -v n="$n" -v f="$f" -v p="$best" -v t="$best_t" -v fm="${mems[$op.fenrow]}" \
      -v pm="${mems[$op.$best]}" -v in_kb="$input_kb" -v same="${same[$op.$best]}" -v fl="$floor_t" 'BEGIN {
      printf "%-12s %9d %9.3fs %-6s %9.3fs %7.2f %7.2f %9.1f %9.1f %6.1f  %s\n", op, n, f / 1e6, p, t / 1e6, f / t,
        fl / t, fm / 1024, pm / 1024, fm / in_kb, same
    }'
  done < <(ops)
  unset times mems same
done
