#!/usr/bin/env bash
# Both Windows programs carry their resources, read back from the .exe files
# with wrestool (icoutils): the manifest's settings, the version information
# of the project's version with its Chinese texts intact, and the icon in
# every size.   windows_resources.sh VERSION FENROW.exe FENROW-CLI.exe
set -u
version=$1
work=$(mktemp -d /tmp/fenrow-res.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}
# The text of a version string: the first non-empty line after its key once
# the UTF-16 block is split at its NULs.
string_value() { # file key
  iconv -c -f UTF-16LE -t UTF-8 "$1" | tr '\0' '\n' | awk -v key="$2" 'found && length { print; exit } $0 ~ key "$" { found = 1 }'
}
numbers=$(echo "$version.0.0.0" | cut -d. -f1-4)

for program in "$2|Fenrow 账号文本工具" "$3|Fenrow 账号文本工具（命令行）"; do
  exe=${program%%|*} description=${program#*|}
  name=$(basename "$exe" .exe)

  wrestool -x --raw --type=24 --name=1 "$exe" >"$work/manifest" 2>/dev/null
  for setting in '<dpiAwareness[^>]*>PerMonitorV2' '<dpiAware [^>]*>true/pm<' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
                 'level="asInvoker"' '<longPathAware[^>]*>true<' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'; do
    check "$name manifest holds $setting" 1 "$(tr -d '\n' <"$work/manifest" | grep -c -- "$setting")"
  done
  check "$name manifest sets no code page" 0 "$(grep -c '<activeCodePage' "$work/manifest")"

  wrestool -x --raw --type=16 --name=1 "$exe" >"$work/version" 2>/dev/null
  # VS_FIXEDFILEINFO: its signature, then file and product version, each as
  # two 32-bit halves of two 16-bit numbers, the low number first.
  check "$name fixed version signature" "bd04effe" "$(od -An -tx1 -j 40 -N 4 "$work/version" | tr -d ' ')"
  read -r f1 f0 f3 f2 p1 p0 p3 p2 < <(od -An -tu2 -j 48 -N 16 "$work/version")
  check "$name file version" "$numbers" "$f0.$f1.$f2.$f3"
  check "$name product version" "$numbers" "$p0.$p1.$p2.$p3"
  check "$name Chinese (PRC) strings" 1 "$(iconv -c -f UTF-16LE -t UTF-8 "$work/version" | tr '\0' '\n' | grep -c '080404b0$')"
  check "$name translation 0804, UTF-16" "0408b004" "$(tail -c 4 "$work/version" | od -An -tx1 | tr -d ' ')"
  for pair in "FileVersion|$version" "ProductVersion|$version" "ProductName|Fenrow" "CompanyName|Fenrow" \
              "FileDescription|$description" "LegalCopyright|© 2026 Fenrow 开发者" \
              "OriginalFilename|$name.exe" "InternalName|$name"; do
    check "$name $pair" "${pair#*|}" "$(string_value "$work/version" "${pair%%|*}")"
  done

  wrestool -x --type=14 --name=1 "$exe" >"$work/icon.ico" 2>/dev/null
  check "$name icon sizes" "16 24 32 48 64 128 256" \
    "$(icotool -l "$work/icon.ico" | sed -n 's/.*--width=\([0-9]*\).*--bit-depth=32.*/\1/p' | tr '\n' ' ' | sed 's/ $//')"
done
[ "$failures" -eq 0 ] && echo "resources ok"
exit $((failures > 0))
