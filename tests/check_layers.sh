#!/usr/bin/env bash
# Dependencies point down: runtime/ ← modules/ ← ops/ ← app/ (and cli/ on ops/),
# app/qt/ and app/win32/ on app/ and never on each other. The toolkit stays in its window: no Qt header is included outside app/qt/,
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
# Each folder includes only from itself and the folders below it.
upward() { # folder, the folders above it
  local above
  above=$(printf '%s|' "${@:2}")
  grep -rnE --include='*.cpp' --include='*.h' "^\s*#\s*include\s*\"(${above%|})/" "$1"
}
refuse "Includes that point up:" "$(upward runtime modules ops app cli; upward modules ops app cli; upward ops app cli;
  upward cli app; upward app cli;
  grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*"app/(qt|win32)/' app --exclude-dir=qt --exclude-dir=win32;
  grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*"app/win32/' app/qt;
  grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*"app/qt/' app/win32)"
refuse "Qt headers outside app/qt/:" \
  "$(grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*[<"]Q' runtime modules ops app cli | grep -v '^app/qt/')"
refuse "Control access outside the window's handlers:" \
  "$(grep -nE '^\s*#\s*include\s*"(app/|ops/(controls|jobs|handlers|operations)\.h")' ops/*.h ops/*.cpp cli/*.h cli/*.cpp |
     grep -vE '^ops/(controls|jobs|handlers|operations)\.')"
[ $status -eq 0 ] && echo "layers ok"
exit $status
