#!/usr/bin/env bash
# compare.sh LINUX_RUNNER WINDOWS_COMMAND...: both transcripts must be equal.
set -euo pipefail
linux=$1
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$linux" >"$dir/linux.txt"
"$@" | tr -d '\r' >"$dir/windows.txt"
if ! diff -u "$dir/linux.txt" "$dir/windows.txt" | head -40; then :; fi
cmp -s "$dir/linux.txt" "$dir/windows.txt"
echo "Linux and Windows agree on $(grep -c ' / ' "$dir/linux.txt") runs"
