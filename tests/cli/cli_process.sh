#!/usr/bin/env bash
# The program as scripts run it: standard input to standard output, exit
# codes, messages on standard error, and an output file replaced whole or not.
set -u
cli=$(readlink -f "$1")
work=$(mktemp -d /tmp/fenrow-cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}

check "dedupe through a pipe" "$(printf 'a\nb\na\n' | "$cli" dedupe | od -An -c)" "$(printf 'a\nb\n' | od -An -c)"
check "number keeps CR LF" "$(printf 'x\r\ny\r\n' | "$cli" number | od -An -c)" "$(printf '1=x\r\n2=y\r\n' | od -An -c)"
check "utf8 in and out" "$(printf '账号\n\n账号\n' | "$cli" blank --utf8)" "$(printf '账号\n账号')"

printf 'a\n' | "$cli" frobnicate 2>"$work/err"; check "usage exit" 2 $?
grep -q "fenrow-cli" "$work/err" || { echo "FAIL: no usage message"; failures=$((failures + 1)); }
"$cli" dedupe "$work/missing.txt" 2>"$work/err"; check "missing file exit" 3 $?
grep -q "missing.txt" "$work/err" || { echo "FAIL: message does not name the file"; failures=$((failures + 1)); }
printf 'a\n' | "$cli" extract --head '#' 2>"$work/err" >"$work/out"; check "refused exit" 1 $?
check "refused writes nothing" "" "$(cat "$work/out")"

printf 'kept\n' >"$work/result.txt"
printf 'a\0b\n' | "$cli" dedupe -o "$work/result.txt" 2>/dev/null; check "not text exit" 3 $?
check "output untouched" "kept" "$(cat "$work/result.txt")"
printf 'a\n' | "$cli" dedupe -o "$work/none/result.txt" 2>/dev/null; check "unwritable output exit" 3 $?
printf 'b\nb\n' | "$cli" dedupe -o "$work/result.txt"; check "output exit" 0 $?
check "output replaced" "b" "$(cat "$work/result.txt")"
check "no temporary files" "result.txt" "$(ls "$work" | grep -v -e '^err$' -e '^out$')"
if [ -w /dev/full ]; then
  printf 'a\n' | "$cli" dedupe >/dev/full 2>/dev/null; check "full standard output exit" 3 $?
fi

# Memory running out: the run's own exit code and message, the output as it was
# (not in a sanitizer's build, which needs the address space for itself).
if ! grep -q __asan_init "$cli"; then
  yes abcdefghij-1234 | head -c 64M >"$work/big.txt"
  (ulimit -v 120000; "$cli" dedupe "$work/big.txt" -o "$work/result.txt" 2>"$work/err"); check "out of memory exit" 4 $?
  check "out of memory message" "[提示！] 内存不足：操作未完成，框中文本未改变。" "$(cat "$work/err")"
  check "output untouched by the failed run" "b" "$(cat "$work/result.txt")"
  rm -f "$work/big.txt"
fi

# Messages in the locale's charset; results stay the bytes asked for.
missing_utf8=$(printf '文件不存在' | od -An -tx1)
LC_ALL=C "$cli" dedupe "$work/missing.txt" 2>"$work/err"
check "messages in UTF-8 without a locale" 1 "$(od -An -tx1 "$work/err" | tr -d '\n' | grep -c "$(echo $missing_utf8)")"
if mkdir -p "$work/locales" && localedef -i zh_CN -f GBK "$work/locales/zh_CN.GBK" 2>/dev/null; then
  gbk() { LOCPATH="$work/locales" LC_ALL=zh_CN.GBK "$@"; }
  gbk "$cli" dedupe "$work/missing.txt" 2>"$work/err"
  check "messages in a GBK locale" 1 "$(od -An -tx1 "$work/err" | tr -d '\n' | grep -c 'ce c4 bc fe b2 bb b4 e6 d4 da')"
  check "results stay UTF-8 in a GBK locale" "$(printf '账号\n' | od -An -tx1)" "$(printf '账号\n' | gbk "$cli" blank --utf8 | od -An -tx1)"
  check "results stay GBK in a GBK locale" "$(printf '\xd5\xcb\n' | od -An -tx1)" "$(printf '\xd5\xcb\n' | gbk "$cli" blank | od -An -tx1)"
  rm -rf "$work/locales"
else
  echo "SKIP messages in a GBK locale: localedef cannot build zh_CN.GBK"
fi

[ $failures -eq 0 ] && echo "cli process ok"
exit $((failures > 0))
