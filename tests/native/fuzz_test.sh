#!/usr/bin/env bash
# scripts/fuzz on a machine without clang++: a skip with a line of its own,
# but a failure under CI=true, so that a CI run never passes with no fuzzer run.
set -u
fuzz=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/fuzz
fail() { echo "FAIL: $*" >&2; exit 1; }

# A PATH with only what the script needs before it looks for the compiler.
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
for tool in bash dirname; do ln -s "$(command -v $tool)" "$bin/$tool"; done

out=$(PATH=$bin CI=true "$fuzz" --runs 1 2>&1)
[ $? = 1 ] || fail "CI=true without clang++ did not fail: $out"
[ "$out" = "fuzz: clang++ not installed, and CI=true: no fuzzer can run" ] || fail "CI=true said: $out"
for ci in "" false 1; do
  out=$(PATH=$bin CI=$ci "$fuzz" --runs 1 2>&1) || fail "CI=$ci without clang++ failed: $out"
  [ "$out" = "fuzz: clang++ not installed; skipped" ] || fail "CI=$ci said: $out"
done
echo "fuzz script: ok"
