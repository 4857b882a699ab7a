#!/usr/bin/env bash
# Program text is code page 936: a string literal holding non-ASCII characters
# must go through the _t suffix, or it would reach the user as raw UTF-8.
# Control names are written once, in the names header (and used by the control
# table through it): a name written anywhere else as a literal is refused.
set -u
cd "$(dirname "$0")/.."
status=0
found=$(grep -rnP --include='*.cpp' --include='*.h' --exclude='control_table.*' --exclude='control_names.h' \
  '"(?:[^"\\\n]|\\.)*[^\x00-\x7F](?:[^"\\\n]|\\.)*"(?!_t)' runtime modules ops app cli \
  | grep -vP '^[^:]+:\d+:\s*//' || true)
if [ -n "$found" ]; then
  echo "Non-ASCII string literals without _t:"
  echo "$found"
  status=1
fi

names=$(grep -oP '\w+\{"\K[^"]+(?="\})' ops/control_names.h)
[ -n "$names" ] || { echo "no control names found in ops/control_names.h"; exit 1; }
pattern=$(printf '"%s"|' $names)
found=$(grep -rnP --include='*.cpp' --include='*.h' --exclude='control_names.h' --exclude='control_table.cpp' "${pattern%|}" runtime modules ops app cli tests bench || true)
if [ -n "$found" ]; then
  echo "Control names written as literals (use the constants of ops/control_names.h):"
  echo "$found"
  status=1
fi
[ $status -eq 0 ] && echo "literals ok"
exit $status
