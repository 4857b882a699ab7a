#!/usr/bin/env bash
# The toolkit stays in its window: no Qt header is included outside app/qt/,
# so the shell and everything below it build for any window. The operations'
# engines reach no control either: only the window's handlers (and the jobs
# they start) do, and the command line runs the engines without a window.
set -u
cd "$(dirname "$0")/.."
status=0
found=$(grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*[<"]Q' runtime modules ops app cli | grep -v '^app/qt/' || true)
if [ -n "$found" ]; then
  echo "Qt headers outside app/qt/:"
  echo "$found"
  status=1
fi
window='^\s*#\s*include\s*"(app/|ops/(controls|jobs|handlers|operations)\.h")'
found=$(grep -nE "$window" ops/*.h ops/*.cpp cli/*.h cli/*.cpp | grep -vE '^ops/(controls|jobs|handlers|operations)\.' || true)
if [ -n "$found" ]; then
  echo "Control access outside the window's handlers:"
  echo "$found"
  status=1
fi
[ $status -eq 0 ] && echo "layers ok"
exit $status
