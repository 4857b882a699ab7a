#!/usr/bin/env bash
# Fenrow's encoding detector against uchardet (Debian's package of the
# detector many editors use) on the same account lists: GBK and Big5 lists,
# short (one to three lines) and long (up to 2000), mostly ASCII with Chinese
# names, and the same lists in UTF-8 and in UTF-16 without a BOM. Prints, for
# each encoding, how many lists each detector got right. uchardet's "ASCII"
# counts as GBK (the same text), its "GB18030" as GBK.
#   bench/encoding_vs_uchardet.sh [-b build-dir]
# Needs: scripts/install-deps bench (uchardet).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
while getopts "b:" opt; do
  case $opt in
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-b build-dir]" >&2; exit 2 ;;
  esac
done
samples=$(readlink -f "$build/bench/encoding_samples")
[ -x "$samples" ] || { echo "no $samples: build it first" >&2; exit 1; }
command -v uchardet >/dev/null || { echo "uchardet is missing: scripts/install-deps bench" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/fenrow-encodings.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$samples" "$work" | while read -r file expected ours; do
  theirs=$(uchardet "$file" | tr 'A-Z' 'a-z')
  case $theirs in
    ascii|gb18030|gbk|gb2312) theirs=gbk ;;
    utf-16) theirs=utf-16le ;;
  esac
  echo "$expected $ours $theirs"
done | awk '
  { n[$1]++; if ($2 == $1) f[$1]++; if ($3 == $1) u[$1]++; if ($3 != $1) wrong[$1 " as " $3]++ }
  END {
    printf "%-10s %6s %8s %9s\n", "encoding", "lists", "Fenrow", "uchardet"
    for (e in n) printf "%-10s %6d %8d %9d\n", e, n[e], f[e], u[e]
    for (w in wrong) printf "uchardet took %s: %d\n", w, wrong[w]
  }'
