#!/usr/bin/env bash
# The toolkit stays in its window: no Qt header is included outside app/qt/,
# so the shell and everything below it build for any window. The operations'
# engines reach no control either: only the window's handlers (and the jobs
# they start) do, and the command line runs the engines without a window.
set -u
cd "$(dirname "$0")/.."
status=0
refuse() { # what, the lines found
  [ -z "$2" ] && return
  printf '%s\n%s\n' "$1" "$2"
  status=1
}
refuse "Qt headers outside app/qt/:" \
  "$(grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*[<"]Q' runtime modules ops app cli | grep -v '^app/qt/')"
refuse "Control access outside the window's handlers:" \
  "$(grep -nE '^\s*#\s*include\s*"(app/|ops/(controls|jobs|handlers|operations)\.h")' ops/*.h ops/*.cpp cli/*.h cli/*.cpp |
     grep -vE '^ops/(controls|jobs|handlers|operations)\.')"
[ $status -eq 0 ] && echo "layers ok"
exit $status
