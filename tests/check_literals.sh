#!/usr/bin/env bash
# Program text is code page 936: a string literal holding non-ASCII characters
# must go through the _t suffix (or _c for control names), or it would reach the user as raw UTF-8.
set -u
cd "$(dirname "$0")/.."
found=$(grep -rnP --include='*.cpp' --include='*.h' --exclude='control_table.*' '"(?:[^"\\\n]|\\.)*[^\x00-\x7F](?:[^"\\\n]|\\.)*"(?!_t|_c)' runtime modules ops app \
  | grep -vP '^[^:]+:\d+:\s*//' || true)
if [ -n "$found" ]; then
  echo "Non-ASCII string literals without _t:"
  echo "$found"
  exit 1
fi
echo "literals ok"
