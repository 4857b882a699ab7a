#!/usr/bin/env bash
# The 64-bit Windows packages as a signed release makes them: signed with a
# throwaway certificate, every program, the library, the setup and the
# uninstaller it writes carry a well-formed signature; in a scratch Wine prefix
# the silent setup installs for the user (files, Start-menu entry, Apps &
# features key), the installed command line runs, and the silent uninstaller
# takes away all that and only that.
#   tests/app/windows_setup.sh   (after scripts/build-windows win64)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$(mktemp -d /tmp/fenrow-setup.XXXXXX)
prefix=$work/prefix
trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
wine() { "$root/scripts/wine-run" --headless "$prefix" "$@"; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Fenrow test signing" -addext extendedKeyUsage=codeSigning 2>/dev/null
echo "throwaway-$RANDOM" >"$work/pass"
openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/key.pem" -out "$work/cert.p12" -passout "file:$work/pass"

FENROW_SIGN_CERT=$work/cert.p12 FENROW_SIGN_PASS_FILE=$work/pass FENROW_DIST=$work/dist \
  scripts/package-windows win64 >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "package-windows"; }
version=$(sed -n 's/^project(Fenrow VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$work/dist/fenrow-$version-win64-setup.exe
zip=$work/dist/fenrow-$version-win64.zip
{ [ -f "$setup" ] && [ -f "$zip" ]; } || fail "no setup or zip in $work/dist"
mkdir "$work/zip" && (cd "$work/zip" && cmake -E tar xf "$zip")
shipped=$work/zip/fenrow-$version-win64
ours=(fenrow.exe fenrow_skin.dll fenrow-cli.exe README.txt uninstall.exe)

# A self-signed certificate fails the chain check on any machine that does not
# trust it; named as its own CA, what is left to check is that the signature is
# there, well-formed and matches the file's digest.
signed() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "signature of $1"; }; }
for f in fenrow.exe fenrow_skin.dll fenrow-cli.exe; do signed "$shipped/$f"; done
signed "$setup"
# Asked for no administrator rights: the manifest says so.
grep -q 'level="asInvoker"' "$setup" || fail "the setup asks for more than the user's rights"

wine "$setup" /S || fail "silent setup exit code"
user_dir=$(find "$prefix/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -1)
dir=$user_dir/AppData/Local/Programs/Fenrow
for f in "${ours[@]}"; do [ -f "$dir/$f" ] || fail "not installed: $f"; done
for f in fenrow.exe fenrow_skin.dll fenrow-cli.exe README.txt; do
  cmp -s "$shipped/$f" "$dir/$f" || fail "installed $f differs from the zip's"
done
signed "$dir/uninstall.exe"
shortcut=$user_dir/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Fenrow.lnk
[ -f "$shortcut" ] || fail "no Start-menu entry"

key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fenrow'
wine reg query "$key" | tr -d '\r' >"$work/key.txt" || fail "no uninstall key"
windir="C:\\users\\${user_dir##*/}\\AppData\\Local\\Programs\\Fenrow"
while IFS='|' read -r name type value; do
  grep -qxF "    $name    $type    $value" "$work/key.txt" || { cat "$work/key.txt"; fail "uninstall key: $name"; }
done <<EOF
DisplayName|REG_SZ|Fenrow
DisplayVersion|REG_SZ|$version
Publisher|REG_SZ|Fenrow
DisplayIcon|REG_SZ|$windir\\fenrow.exe
InstallLocation|REG_SZ|$windir
UninstallString|REG_SZ|"$windir\\uninstall.exe"
QuietUninstallString|REG_SZ|"$windir\\uninstall.exe" /S
NoModify|REG_DWORD|0x1
NoRepair|REG_DWORD|0x1
EOF
grep -q '^    EstimatedSize    REG_DWORD    0x[1-9a-f]' "$work/key.txt" || fail "uninstall key: EstimatedSize"

wine "$dir/fenrow-cli.exe" --help >"$work/help.txt" || fail "installed fenrow-cli --help"
grep -q '^Usage: fenrow-cli' "$work/help.txt" || fail "installed fenrow-cli --help printed no usage"

# A list the program generated into its folder is the user's, and stays.
printf 'a\r\n' >"$dir/账号1.txt"
wine "$dir/uninstall.exe" /S || fail "silent uninstall exit code"
# The uninstaller runs from a copy in the temporary folder and returns at
# once; the prefix's server ends when that copy has.
WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
[ "$(ls -A "$dir")" = 账号1.txt ] || { ls -la "$dir" || true; fail "the uninstaller left ours or took the user's"; }
[ ! -e "$shortcut" ] || fail "Start-menu entry left"
if wine reg query "$key" >/dev/null 2>&1; then fail "uninstall key left"; fi
echo "windows setup: ok"
