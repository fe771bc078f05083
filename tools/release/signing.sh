# Authenticode signing of the release's Windows programs, sourced by scripts/build,
# scripts/verify-release and tools/release/package.
#
# The maker gives the key in the environment:
#   BRIVOLA_SIGN_PKCS12         a PKCS#12 file holding the code-signing certificate and its key
#   BRIVOLA_SIGN_PASSWORD       its password, or
#   BRIVOLA_SIGN_PASSWORD_FILE  a file whose first line is the password
#   BRIVOLA_SIGN_TIMESTAMP_URL  an RFC 3161 timestamp server (optional; the signature then
#                               carries the server's time, so the release is not reproducible)
# Without BRIVOLA_SIGN_PKCS12 nothing is signed.
#
# The password never reaches a command line or the environment of another program: it is moved
# into a file that only the user can read, in a private folder that is removed when the script
# ends, and osslsigncode and openssl read it from there.

sign_url=http://www.tornhaven.jp/
sign_private=

# One line naming the cause, and the end.
sign_fail() {
  echo "build: $*" >&2
  exit 1
}

# On the way out the private folder goes, and after a failure the caller's sign_on_fail runs
# (when it has one).
sign_exit() {
  local rc=$?
  [ $rc = 0 ] || ! declare -F sign_on_fail >/dev/null || sign_on_fail
  [ -z "$sign_private" ] || rm -rf "$sign_private"
}
trap sign_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

sign_private_dir() {
  [ -n "$sign_private" ] || sign_private=$(umask 077 && mktemp -d "${TMPDIR:-/tmp}/brivola-sign.XXXXXX")
}

# True when a key is given.
sign_wanted() { [ -n "${BRIVOLA_SIGN_PKCS12:-}" ]; }

# Takes the password out of the environment into the private folder and points
# BRIVOLA_SIGN_PASSWORD_FILE at it, so that programs started later inherit only the file's name.
# Makes BRIVOLA_SIGN_PKCS12 absolute, so that it holds in another folder too.
sign_take_password() {
  local have_pw=${BRIVOLA_SIGN_PASSWORD+x} have_file=${BRIVOLA_SIGN_PASSWORD_FILE:+x} password
  if ! sign_wanted; then
    [ -z "$have_pw$have_file" ] ||
      sign_fail "a signing password is given but no key: set BRIVOLA_SIGN_PKCS12 to the PKCS#12 file"
    unset BRIVOLA_SIGN_PASSWORD
    return 0
  fi
  [ "$have_pw$have_file" != xx ] ||
    sign_fail "give the signing password in BRIVOLA_SIGN_PASSWORD or in BRIVOLA_SIGN_PASSWORD_FILE, not both"
  [ -n "$have_pw$have_file" ] ||
    sign_fail "the signing key needs its password: set BRIVOLA_SIGN_PASSWORD or BRIVOLA_SIGN_PASSWORD_FILE"
  if [ -n "$have_pw" ]; then
    password=$BRIVOLA_SIGN_PASSWORD
    unset BRIVOLA_SIGN_PASSWORD
  else
    local file=$BRIVOLA_SIGN_PASSWORD_FILE
    { [ -f "$file" ] && [ -r "$file" ]; } ||
      sign_fail "the password file $file (BRIVOLA_SIGN_PASSWORD_FILE) can't be read"
    IFS= read -r password <"$file" || [ -n "$password" ] ||
      sign_fail "the password file $file (BRIVOLA_SIGN_PASSWORD_FILE) is empty"
    password=${password%$'\r'}
  fi
  sign_private_dir
  # printf is a shell builtin: the password is on no command line.
  (umask 077 && printf '%s' "$password" >"$sign_private/password")
  export BRIVOLA_SIGN_PASSWORD_FILE=$sign_private/password
  local key=$BRIVOLA_SIGN_PKCS12
  [[ $key = /* ]] || key=$PWD/$key
  export BRIVOLA_SIGN_PKCS12=$key
}

# Checks that the key opens with its password and that its certificate is for code signing;
# one line names the cause otherwise. Call after sign_take_password.
sign_check_key() {
  sign_wanted || return 0
  local key=$BRIVOLA_SIGN_PKCS12 log=$sign_private/openssl.log cert=$sign_private/cert.pem
  command -v osslsigncode >/dev/null || sign_fail "osslsigncode is missing (scripts/setup installs it)"
  local help
  help=$(osslsigncode sign --help 2>&1) || true
  grep -q -- '^ *-time ' <<<"$help" ||
    sign_fail "this osslsigncode can't take the signing time from the commit (-time): a newer one is needed"
  [ -e "$key" ] || sign_fail "the signing key $key (BRIVOLA_SIGN_PKCS12) does not exist"
  { [ -f "$key" ] && [ -r "$key" ]; } || sign_fail "the signing key $key (BRIVOLA_SIGN_PKCS12) can't be read"
  # A key exported by older Windows is encrypted with algorithms OpenSSL 3 keeps in its legacy provider.
  if ! openssl pkcs12 -in "$key" -passin "file:$BRIVOLA_SIGN_PASSWORD_FILE" -nokeys -clcerts -out "$cert" 2>"$log" &&
    ! openssl pkcs12 -legacy -in "$key" -passin "file:$BRIVOLA_SIGN_PASSWORD_FILE" -nokeys -clcerts -out "$cert" 2>>"$log"; then
    grep -qi 'invalid password\|mac verify' "$log" &&
      sign_fail "the password does not open the signing key $key (wrong password)"
    sign_fail "the signing key $key (BRIVOLA_SIGN_PKCS12) is not a PKCS#12 file"
  fi
  grep -q 'BEGIN CERTIFICATE' "$cert" ||
    sign_fail "the signing key $key (BRIVOLA_SIGN_PKCS12) holds no certificate with its private key"
  local subject
  subject=$(openssl x509 -in "$cert" -noout -subject -nameopt oneline 2>/dev/null) || subject=
  local usage
  usage=$(openssl x509 -in "$cert" -noout -ext extendedKeyUsage 2>/dev/null) || usage=
  grep -q 'Code Signing' <<<"$usage" ||
    sign_fail "the certificate in $key (${subject#subject=}) is not for code signing: its extended key usage lacks Code Signing"
}

# Signs FILE in place: SHA-256, the program's name and the maker's address, and the commit's time
# as the signing time, so that one commit signed with one key gives the same bytes every time.
sign_file() {
  local file=$1 log=$sign_private/osslsigncode.log
  local args=(sign -pkcs12 "$BRIVOLA_SIGN_PKCS12" -readpass "$BRIVOLA_SIGN_PASSWORD_FILE" -h sha256
              -n Brivola -i "$sign_url" -time "$SOURCE_DATE_EPOCH")
  [ -z "${BRIVOLA_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$BRIVOLA_SIGN_TIMESTAMP_URL")
  rm -f "$file.signed"
  if ! osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >"$log" 2>&1; then
    rm -f "$file.signed"
    [ -z "${BRIVOLA_SIGN_TIMESTAMP_URL:-}" ] ||
      sign_fail "$file could not be signed: is the timestamp server $BRIVOLA_SIGN_TIMESTAMP_URL (BRIVOLA_SIGN_TIMESTAMP_URL) reachable?"
    sign_fail "osslsigncode could not sign $file: $(grep -v '^Failed$' "$log" | head -n 1)"
  fi
  mv "$file.signed" "$file"
}
