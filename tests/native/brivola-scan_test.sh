#!/usr/bin/env bash
# brivola-scan end to end: settings from the INI file, URLs on stdout only,
# a missing file reported on stderr with exit code 2 while the others are scanned,
# UTF-8 mails read as UTF-8 when they carry the byte-order mark or with --utf8,
# a file cut short while it is read reported the same way (where a shim can cut it),
# a 384 MiB mail scanned whole with a peak within 1.2 times the file (natively, where GNU time is).
# Arguments: the command that runs the scanner (its path, or wine and the path).
set -u
data=$(cd "$(dirname "${BASH_SOURCE[0]}")/../data" && pwd)
scan_cmd=("$@")
# The Windows build ends its lines with CR LF.
scan() { "${scan_cmd[@]}" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
fail() { echo "FAIL: $*" >&2; exit 1; }

printf '[Hanako]\r\nBrowseStockCode=1\r\nStockSiteSelect=4\r\n[other]\r\nBrowseStockCode=1\r\nStockSiteSelect=0\r\n' >b.ini
printf '\x81\x40\x82\x56\x82\x51\x82\x4f\x82\x52\x81\x40\r\n' >fullwidth.txt
printf '12345' >five.txt
printf '$1aF' >hex.txt

out=$(scan --ini b.ini --section hanako fullwidth.txt missing.txt five.txt hex.txt 2>err.txt)
rc=$?
[ "$rc" = 2 ] || fail "exit code $rc, expected 2"
expected=$'http://company.nikkei.co.jp/index.cfm?scode=7203\nhttp://company.nikkei.co.jp/index.cfm?scode=$1aF'
[ "$out" = "$expected" ] || fail "stdout: $out"
grep -q missing.txt err.txt || fail "no message for the missing file"

out=$(scan --ini b.ini --section other hex.txt) || fail "exit code $? for readable files"
[ "$out" = 'http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s=$1aF' ] || fail "other section: $out"

out=$(USER=nobody-here scan --ini b.ini hex.txt) || fail "exit code $?"
[ -z "$out" ] || fail "defaults should open nothing: $out"

scan >/dev/null 2>&1 && fail "no file must be a usage error"

# UTF-8 mails open what the code page 932 files open (the samples' links, fixed here).
printf '[u]\r\nBrowseStockCode=1\r\nAutoBrowseNetMileAD=1\r\nAutoBrowseInfoCash=1\r\nInfoCashID=ic123456\r\n' >mail.ini
for mail in netmile_magazine infocash_html; do
  iconv -f CP932 -t UTF-8 "$data/$mail.txt" >"$mail.utf8" || fail "iconv $mail"
  { printf '\xef\xbb\xbf'; cat "$mail.utf8"; } >"$mail.bom"
done
ad=http://ad.netmile.co.jp/click.asp?ad=
jump=http://www.info-cash.jp/clickweb/icjmp.asp?
magazine="${ad}A1001&m=M0012345
${ad}A1002&m=M0012345
${ad}A1003&m=M0012345
${ad}A1004&m=M0012345
${ad}A1007&m=M0012345
http://www.netmile.co.jp/?mm=20261208
http://member.netmile.co.jp/member/mypage.asp
http://www.netmile.co.jp/help/"
html="${jump}id=ic123456&ad=2002
${jump}id=ic123456&ad=2004&gt;
${jump}id=ic123456&amp;ad=2007"
out=$(scan --ini mail.ini --section u "$data/netmile_magazine.txt") || fail "exit code $?"
[ "$out" = "$magazine" ] || fail "code page 932 mail: $out"
out=$(scan --ini mail.ini --section u --utf8 netmile_magazine.utf8 infocash_html.utf8) || fail "exit code $?"
[ "$out" = "$magazine"$'\n'"$html" ] || fail "--utf8: $out"
out=$(scan --ini mail.ini --section u netmile_magazine.bom infocash_html.bom) || fail "exit code $?"
[ "$out" = "$magazine"$'\n'"$html" ] || fail "byte-order mark: $out"
out=$(scan --ini mail.ini --section u netmile_magazine.utf8) || fail "exit code $?"
[ "$out" != "$magazine" ] || fail "UTF-8 without mark or --utf8 must be read as code page 932"
# A full-width code saved as UTF-8 with its mark: 　７２０３ and a line break.
printf '\xef\xbb\xbf\xe3\x80\x80\xef\xbc\x97\xef\xbc\x92\xef\xbc\x90\xef\xbc\x93\r\n' >code.bom
out=$(scan --ini b.ini --section hanako code.bom) || fail "exit code $?"
[ "$out" = 'http://company.nikkei.co.jp/index.cfm?scode=7203' ] || fail "UTF-8 full-width code: $out"

# Cut short right after the scanner mapped it: to nothing, or to its first page (the text then ends there).
if [ -n "${BRIVOLA_SHRINK_SHIM:-}" ]; then
  { printf '7203'; head -c 20000 /dev/zero | tr '\0' ' '; } >long.txt
  chart='http://chart.yahoo.co.jp/q?d=c&k=c3&z=m&h=on&s='
  for row in "0|${chart}\$1aF" "4096|${chart}7203"$'\n'"${chart}\$1aF"; do
    to=${row%%|*}
    cp long.txt cut.txt
    out=$(BRIVOLA_SHRINK_FILE=cut.txt BRIVOLA_SHRINK_TO=$to LD_PRELOAD=$BRIVOLA_SHRINK_SHIM \
      scan --ini b.ini --section other cut.txt hex.txt 2>err.txt)
    rc=$?
    [ "$rc" = 2 ] || fail "cut to $to bytes: exit code $rc, expected 2"
    grep -q 'cut.txt: the file shrank' err.txt || fail "cut to $to bytes: no message: $(cat err.txt)"
    [ "$out" = "${row#*|}" ] || fail "cut to $to bytes: stdout: $out"
  done
fi
# 384 MiB: the header, then 2^19 blocks of 768 bytes, each a link line and 13 lines without one.
if [ "${scan_cmd[0]}" != wine ] && [ -x /usr/bin/time ]; then
  link=http://ad.netmile.co.jp/click.asp?ad=7
  { printf '%s\r\n' "$link"; for i in $(seq 13); do printf '<td>\x83\x41\x83\x4e</td> plain words without any link in them ok.\r\n'; done; } >big.txt
  [ "$(wc -c <big.txt)" = 768 ] || fail "block of $(wc -c <big.txt) bytes"
  for i in $(seq 19); do cat big.txt big.txt >big2.txt && mv big2.txt big.txt; done
  { printf 'NetMile info-cash.jp\r\n'; cat big.txt; } >large.txt && rm big.txt
  /usr/bin/time -f %M -o peak.txt "${scan_cmd[@]}" --ini mail.ini --section u large.txt >large.out || fail "exit code $?"
  [ "$(wc -l <large.out)" = 524288 ] || fail "384 MiB: $(wc -l <large.out) URLs, expected 524288"
  [ "$(sort -u large.out)" = "$link" ] || fail "384 MiB: other URLs: $(sort -u large.out | head -3)"
  size=$(($(wc -c <large.txt) / 1024))
  [ $(($(cat peak.txt) * 10)) -le $((size * 12)) ] || fail "peak $(cat peak.txt) KiB for a file of $size KiB"
fi
echo ok
