#!/usr/bin/env bash
# The signed release, from copies of the unsigned one that scripts/build left in dist/: signed with
# a throw-away self-signed code-signing certificate, each program's signature checks out against
# it; signing again gives the same bytes; the programs with their signatures taken off are the
# unsigned ones, and scripts/verify-release --against says so, and names each file that differs.
# A bad key (wrong password, missing or unreadable file, a certificate not for code signing, an
# unreachable timestamp server) ends with one line naming the cause and no zip or SHA256SUMS. The
# password is on no command line, in no output and in no inherited environment; the files that
# hold it are mode 600 and gone afterwards.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
dist=$root/dist
programs="Brivola.exe brivola-scan.exe x64/Brivola.exe x64/brivola-scan.exe"
for f in $programs Brivola.pdf SHA256SUMS; do
  [ -f "$dist/$f" ] || { echo "release-signing: skipped, dist/ holds no release (scripts/build makes it)"; exit 77; }
done
osslsigncode verify -in "$dist/Brivola.exe" 2>&1 | grep -q 'No signature found' ||
  { echo "release-signing: skipped, dist/ holds a signed release (built with a key)"; exit 77; }
work=$(mktemp -d /tmp/brivola-signing-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}
version=$(sed -n 's/^project(Brivola VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
epoch=$(stat -c %Y "$dist/SHA256SUMS")

# The keys: one for code signing, one for a web server only. The passwords hold blanks and shell
# characters.
mkdir -p "$work/keys" "$work/tmp" "$work/bin"
password='Brivola test $(key) "pass" word'
wrong='not-the-Brivola-password-7Q'
printf '%s' "$password" >"$work/keys/password"
make_key() {  # make_key NAME SUBJECT EXTENDED-KEY-USAGE
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "$2" -addext "extendedKeyUsage=$3" \
    -addext keyUsage=digitalSignature -keyout "$work/keys/$1.key" -out "$work/keys/$1.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$work/keys/$1.key" -in "$work/keys/$1.pem" -out "$work/keys/$1.p12" \
      -passout "file:$work/keys/password"
}
make_key signer "/CN=Brivola Test Signer/O=Tornhaven" codeSigning || { echo "FAIL: openssl made no key" >&2; exit 1; }
make_key server "/CN=Brivola Test Server/O=Tornhaven" serverAuth || { echo "FAIL: openssl made no key" >&2; exit 1; }
good=$work/keys/signer.p12

# osslsigncode and openssl as the release scripts start them: each call's command line and
# environment, and the mode of the password file it reads, are logged before the real one runs.
for tool in osslsigncode openssl; do
  real=$(command -v $tool)
  cat >"$work/bin/$tool" <<EOF
#!/usr/bin/env bash
{
  echo "call $tool \$*"
  env | sed 's/^/env /'
  prev=
  for a in "\$@"; do
    [ "\$prev" = -readpass ] && echo "mode \$(stat -c %a "\$a")"
    [ "\$prev" = -passin ] && [ "\${a#file:}" != "\$a" ] && echo "mode \$(stat -c %a "\${a#file:}")"
    prev=\$a
  done
} >>"$work/calls.log"
exec "$real" "\$@"
EOF
  chmod +x "$work/bin/$tool"
done

unsigned_copy() {  # the installed programs and help document of dist/, in a new folder $1
  rm -rf "$1"
  mkdir -p "$1/x64"
  cp -p "$dist"/*.exe "$dist"/*.pdf "$dist/brivola-scan" "$1/"
  cp -p "$dist"/x64/*.exe "$dist"/x64/*.pdf "$1/x64/"
}
# package DIR [VAR=VALUE...]: runs the packaging with the given environment, output in $work/out, $work/err.
package() {
  local dir=$1
  shift
  env -u BRIVOLA_SIGN_PKCS12 -u BRIVOLA_SIGN_PASSWORD -u BRIVOLA_SIGN_PASSWORD_FILE -u BRIVOLA_SIGN_TIMESTAMP_URL \
    SOURCE_DATE_EPOCH="$epoch" TMPDIR="$work/tmp" PATH="$work/bin:$PATH" "$@" \
    "$root/tools/release/package" "$dir" >"$work/out" 2>"$work/err"
}
leftovers() {  # the private files a run left behind
  [ -z "$(ls -A "$work/tmp")" ] || fail "$1: left in TMPDIR: $(ls -A "$work/tmp")"
}

# Packaged without a key, the copy is dist/ again, byte for byte.
unsigned_copy "$work/unsigned"
package "$work/unsigned" || fail "unsigned packaging: $(cat "$work/err")"
diff -r "$dist" "$work/unsigned" >/dev/null || fail "the unsigned packaging differs from dist/"

# Signed twice, with the password in the environment and then in a file: the same bytes.
unsigned_copy "$work/signed"
package "$work/signed" BRIVOLA_SIGN_PKCS12="$good" BRIVOLA_SIGN_PASSWORD="$password" ||
  fail "signing: $(cat "$work/err")"
leftovers "signing"
unsigned_copy "$work/signed-again"
package "$work/signed-again" BRIVOLA_SIGN_PKCS12="$good" BRIVOLA_SIGN_PASSWORD_FILE="$work/keys/password" ||
  fail "signing with a password file: $(cat "$work/err")"
leftovers "signing with a password file"
diff -r "$work/signed" "$work/signed-again" >/dev/null || fail "two signings of one release differ"
(cd "$work/signed" && sha256sum -c --quiet SHA256SUMS) || fail "the signed release's SHA256SUMS doesn't match it"

signing_time=$(LC_ALL=C TZ=UTC0 date -d "@$epoch" '+%b %e %H:%M:%S %Y GMT')
for f in $programs; do
  out=$(osslsigncode verify -CAfile "$work/keys/signer.pem" -in "$work/signed/$f" 2>&1) ||
    fail "$f: the signature doesn't verify against the test certificate: $(tail -n 3 <<<"$out")"
  for want in "Message digest algorithm  : SHA256" "Text description: Brivola" \
              "URL description: http://www.tornhaven.jp/" "Signing time: $signing_time" \
              "Subject: /CN=Brivola Test Signer/O=Tornhaven"; do
    grep -qF "$want" <<<"$out" || fail "$f: its signature lacks \"$want\""
  done
  osslsigncode remove-signature -in "$work/signed/$f" -out "$work/stripped.exe" >/dev/null 2>&1 ||
    fail "$f: its signature can't be taken off"
  cmp -s "$work/stripped.exe" "$dist/$f" || fail "$f without its signature is not the unsigned program"
  rm -f "$work/stripped.exe"
done
unzip -p "$work/signed/Brivola-$version.zip" Brivola.exe | cmp -s - "$work/signed/Brivola.exe" ||
  fail "the 32-bit zip holds an unsigned Brivola.exe"
unzip -p "$work/signed/Brivola-$version-x64.zip" brivola-scan.exe | cmp -s - "$work/signed/x64/brivola-scan.exe" ||
  fail "the 64-bit zip holds an unsigned brivola-scan.exe"

# Where the password went: on no command line, in no inherited environment, in no output; every
# file it was read from was the user's alone.
grep -q '^call osslsigncode sign' "$work/calls.log" || fail "osslsigncode was not called"
grep -qF -e "$password" "$work/calls.log" && fail "the password reached a command line or an environment"
modes=$(sed -n 's/^mode //p' "$work/calls.log" | sort -u | tr '\n' ' ')
[ "$modes" = "600 " ] || fail "the password files had the modes: $modes"

# Anyone's check: a download of the signed release (zips and SHA256SUMS) against dist/.
download() {  # download NAME: the signed release's zips and SHA256SUMS in $work/NAME
  rm -rf "$work/$1"
  mkdir -p "$work/$1"
  cp "$work/signed"/*.zip "$work/signed/SHA256SUMS" "$work/$1/"
}
verify() {  # verify DIR: scripts/verify-release --against DIR --own dist/, output in $work/out
  "$root/scripts/verify-release" --against "$1" --own "$dist" "$work/scratch" >"$work/out" 2>&1
}
download download
verify "$work/download" || fail "verify-release --against the signed release: $(grep -v '^identical\|^signed\|^listed' "$work/out")"
[ "$(grep -c '^signed .* by /CN=Brivola Test Signer/O=Tornhaven, issued by /CN=Brivola Test Signer/O=Tornhaven$' "$work/out")" = 4 ] ||
  fail "verify-release didn't name the signer of the four programs: $(cat "$work/out")"
[ "$(grep -c '^identical' "$work/out")" = 6 ] || fail "verify-release didn't compare the six files: $(cat "$work/out")"
verify "$dist" || fail "verify-release --against the unsigned release: $(cat "$work/out")"
[ "$(grep -c '^unsigned' "$work/out")" = 4 ] || fail "verify-release took the unsigned programs for signed ones"

# A download that differs, each file's way: the 64-bit Brivola.exe changed and signed again by
# someone else, the 32-bit brivola-scan.exe changed after signing, and the 64-bit zip's entries
# listed in SHA256SUMS under their new hashes; one zip whose hash is not the listed one.
download tampered
edit_zip() {  # edit_zip ZIP ENTRY COMMAND...: runs COMMAND on the entry, zips it again
  local at=$work/edit
  rm -rf "$at" && mkdir -p "$at" && unzip -q "$work/tampered/$1" -d "$at"
  "${@:3}" "$at/$2"
  (cd "$at" && rm "$work/tampered/$1" && zip -q -X "$work/tampered/$1" $(LC_ALL=C ls *.exe *.pdf))
}
flip() { printf 'X' | dd of="$1" bs=1 seek=1024 conv=notrunc status=none; }
make_key other "/CN=Someone Else" codeSigning || fail "openssl made no key"
resign() {
  flip "$1"
  osslsigncode remove-signature -in "$1" -out "$1.bare" >/dev/null &&
    osslsigncode sign -certs "$work/keys/other.pem" -key "$work/keys/other.key" -h sha256 -in "$1.bare" \
      -out "$1.signed" >/dev/null && mv "$1.signed" "$1" && rm "$1.bare"
}
edit_zip "Brivola-$version-x64.zip" Brivola.exe resign
edit_zip "Brivola-$version.zip" brivola-scan.exe flip
(cd "$work/tampered" && sha256sum *.zip >SHA256SUMS)
verify "$work/tampered" && fail "verify-release passed a changed release"
for want in "DIFFERENT  Brivola-$version-x64.zip: Brivola.exe" \
            "signed     Brivola-$version-x64.zip: Brivola.exe by /CN=Someone Else, issued by /CN=Someone Else" \
            "DIFFERENT  Brivola-$version.zip: brivola-scan.exe: its signature does not match its bytes (changed after signing)" \
            "identical  Brivola-$version.zip: Brivola.exe" "identical  Brivola-$version-x64.zip: brivola-scan.exe"; do
  grep -qxF "$want" "$work/out" || fail "verify-release on a changed release said no \"$want\": $(cat "$work/out")"
done
download wrong-sum
printf 'A' | dd of="$work/wrong-sum/Brivola-$version.zip" bs=1 seek=100 conv=notrunc status=none
verify "$work/wrong-sum" && fail "verify-release passed a zip that isn't the one in SHA256SUMS"
grep -qxF "DIFFERENT  Brivola-$version.zip: its SHA-256 is not the one in SHA256SUMS" "$work/out" ||
  fail "verify-release didn't name the zip whose hash is wrong: $(cat "$work/out")"

# A bad key, each a case of its own: one line naming the cause, nothing signed, and neither the
# stale zips nor the SHA256SUMS of an earlier build left behind.
mkdir -p "$work/keys/folder.p12"
cases=(
  "wrong password|BRIVOLA_SIGN_PKCS12=$good|BRIVOLA_SIGN_PASSWORD=$wrong|build: the password does not open the signing key $good (wrong password)"
  "no key file|BRIVOLA_SIGN_PKCS12=$work/keys/none.p12|BRIVOLA_SIGN_PASSWORD=$password|build: the signing key $work/keys/none.p12 (BRIVOLA_SIGN_PKCS12) does not exist"
  "unreadable key|BRIVOLA_SIGN_PKCS12=$work/keys/folder.p12|BRIVOLA_SIGN_PASSWORD=$password|build: the signing key $work/keys/folder.p12 (BRIVOLA_SIGN_PKCS12) can't be read"
  "not PKCS#12|BRIVOLA_SIGN_PKCS12=$work/keys/signer.pem|BRIVOLA_SIGN_PASSWORD=$password|build: the signing key $work/keys/signer.pem (BRIVOLA_SIGN_PKCS12) is not a PKCS#12 file"
  "not for code signing|BRIVOLA_SIGN_PKCS12=$work/keys/server.p12|BRIVOLA_SIGN_PASSWORD=$password|build: the certificate in $work/keys/server.p12 (CN = Brivola Test Server, O = Tornhaven) is not for code signing: its extended key usage lacks Code Signing"
  "no password|BRIVOLA_SIGN_PKCS12=$good|BRIVOLA_SIGN_TIMESTAMP_URL=|build: the signing key needs its password: set BRIVOLA_SIGN_PASSWORD or BRIVOLA_SIGN_PASSWORD_FILE"
  "no password file|BRIVOLA_SIGN_PKCS12=$good|BRIVOLA_SIGN_PASSWORD_FILE=$work/keys/none|build: the password file $work/keys/none (BRIVOLA_SIGN_PASSWORD_FILE) can't be read"
  "password, no key|BRIVOLA_SIGN_PASSWORD=$password|BRIVOLA_SIGN_TIMESTAMP_URL=|build: a signing password is given but no key: set BRIVOLA_SIGN_PKCS12 to the PKCS#12 file"
  "timestamp server away|BRIVOLA_SIGN_PKCS12=$good|BRIVOLA_SIGN_PASSWORD=$password|build: $work/case/Brivola.exe could not be signed: is the timestamp server http://127.0.0.1:1/ (BRIVOLA_SIGN_TIMESTAMP_URL) reachable?"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name first second want <<<"$row"
  extra=()
  [ "$name" = "timestamp server away" ] && extra=(BRIVOLA_SIGN_TIMESTAMP_URL=http://127.0.0.1:1/)
  unsigned_copy "$work/case"
  cp -p "$dist"/*.zip "$dist/SHA256SUMS" "$work/case/"
  package "$work/case" "$first" "$second" "${extra[@]}" && fail "$name: the packaging went on"
  [ "$(cat "$work/err")" = "$want" ] || fail "$name: said \"$(cat "$work/err")\", not \"$want\""
  [ -s "$work/out" ] && fail "$name: printed $(cat "$work/out")"
  ls "$work/case" | grep -q '\.zip$\|^SHA256SUMS$' && fail "$name: left $(ls "$work/case" | tr '\n' ' ')"
  for f in $programs; do cmp -s "$work/case/$f" "$dist/$f" || fail "$name: $f was changed"; done
  leftovers "$name"
  grep -qF -e "$password" -e "$wrong" "$work/err" "$work/calls.log" && fail "$name: a password was shown"
done

# The build itself stops at a wrong password before it builds anything, in one line, and leaves
# no release behind, not even an earlier one; its set-up runs without the password. (A tree of its
# own: the real dist/ is other tests'.)
tree=$work/tree
mkdir -p "$tree/scripts" "$tree/tools" "$tree/dist"
cp "$root/scripts/build" "$tree/scripts/" && cp -r "$root/tools/release" "$tree/tools/"
printf '#!/bin/sh\nenv >"%s"\n' "$work/setup.env" >"$tree/scripts/setup" && chmod +x "$tree/scripts/setup"
cp "$dist"/*.zip "$dist/SHA256SUMS" "$tree/dist/"
err=$(cd "$tree" && env SOURCE_DATE_EPOCH="$epoch" TMPDIR="$work/tmp" PATH="$work/bin:$PATH" BRIVOLA_SIGN_PKCS12="$good" \
  BRIVOLA_SIGN_PASSWORD="$wrong" scripts/build 2>&1 >/dev/null) && fail "the build went on with a wrong password"
[ "$err" = "build: the password does not open the signing key $good (wrong password)" ] || fail "the build said: $err"
[ -e "$tree/dist" ] && fail "the build left dist/: $(ls "$tree/dist" | tr '\n' ' ')"
[ -e "$tree/build" ] && fail "the build built with a wrong password"
grep -q '^BRIVOLA_SIGN_PASSWORD_FILE=' "$work/setup.env" || fail "the build ran no set-up, or without the password's file"
grep -qF -e "$wrong" "$work/setup.env" && fail "the build's set-up inherited the password"
leftovers "the build"

[ $status = 0 ] && echo "release-signing: ok"
exit $status
