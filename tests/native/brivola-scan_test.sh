#!/usr/bin/env bash
# brivola-scan end to end: settings from the INI file, URLs on stdout only,
# a missing file reported on stderr with exit code 2 while the others are scanned.
set -u
scan=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail() { echo "FAIL: $*" >&2; exit 1; }

printf '[Hanako]\r\nBrowseStockCode=1\r\nStockSiteSelect=4\r\n[other]\r\nBrowseStockCode=1\r\nStockSiteSelect=0\r\n' >b.ini
printf '\x81\x40\x82\x56\x82\x51\x82\x4f\x82\x52\x81\x40\r\n' >fullwidth.txt
printf '12345' >five.txt
printf '$1aF' >hex.txt

out=$("$scan" --ini b.ini --section hanako fullwidth.txt missing.txt five.txt hex.txt 2>err.txt)
rc=$?
[ "$rc" = 2 ] || fail "exit code $rc, expected 2"
expected=$'http://company.nikkei.co.jp/index.cfm?scode=7203\nhttp://company.nikkei.co.jp/index.cfm?scode=$1aF'
[ "$out" = "$expected" ] || fail "stdout: $out"
grep -q missing.txt err.txt || fail "no message for the missing file"

out=$("$scan" --ini b.ini --section other hex.txt) || fail "exit code $? for readable files"
[ "$out" = 'http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=$1aF' ] || fail "other section: $out"

out=$(USER=nobody-here "$scan" --ini b.ini hex.txt) || fail "exit code $?"
[ -z "$out" ] || fail "defaults should open nothing: $out"

"$scan" >/dev/null 2>&1 && fail "no file must be a usage error"
echo ok
