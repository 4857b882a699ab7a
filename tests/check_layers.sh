#!/usr/bin/env bash
# The toolkit stays in its window: no Qt header is included outside app/qt/,
# so the shell and everything below it build for any window.
set -u
cd "$(dirname "$0")/.."
found=$(grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*[<"]Q' runtime modules ops app cli | grep -v '^app/qt/' || true)
if [ -n "$found" ]; then
  echo "Qt headers outside app/qt/:"
  echo "$found"
  exit 1
fi
echo "layers ok"
