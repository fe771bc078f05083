#!/usr/bin/env bash
# The Wine harness decides by trying: with 32-bit Wine switched off (as on a
# kernel without 32-bit support) the 32-bit loader is refused with a reason,
# a 32-bit harness says so instead of exiting silently, and the 64-bit loader
# is still found where it is installed.
set -u
harness=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools/harness" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(BRIVOLA_SKIP_WIN32=1 "$harness/wine-loader" win32 2>&1)
[ $? = 1 ] || fail "wine-loader win32 with 32-bit Wine switched off did not refuse"
[ "$out" = "32-bit Wine is switched off (BRIVOLA_SKIP_WIN32=1)" ] || fail "wine-loader said: $out"

out=$(BRIVOLA_SKIP_WIN32=1 "$harness/with-wine" --arch win32 true 2>&1)
[ $? = 1 ] || fail "with-wine --arch win32 with 32-bit Wine switched off did not fail"
[ "$out" = "with-wine: win32 Wine can't start here: 32-bit Wine is switched off (BRIVOLA_SKIP_WIN32=1)" ] ||
  fail "with-wine said: $out"

if [ -x /usr/lib/wine/wine64 ]; then
  out=$(BRIVOLA_SKIP_WIN32=1 "$harness/wine-loader" win64 2>&1) || fail "wine-loader win64: $out"
  [ "$out" = /usr/lib/wine/wine64 ] || fail "wine-loader win64 chose $out"
fi
echo "harness: ok"
