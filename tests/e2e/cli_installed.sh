#!/usr/bin/env bash
# The command line as installed by `cmake --install`, run from its prefix:
# the program a script or CI job would call, not the library under it.
set -uo pipefail
exe=$1 data=$2
[ -x "$exe" ] || { echo "not installed: $exe (scripts/test installs it)"; exit 1; }
fail() { echo "$*"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$exe" --version | grep -qE '^vantorel [0-9]+\.[0-9]+\.[0-9]+$' || fail "--version"
"$exe" exports "$data/named.dll" >"$out/exports.txt" || fail "exports exit $?"
grep -qE '^ +5  0x[0-9A-F]{8}  NegateNumber$' "$out/exports.txt" || fail "exports table: $(cat "$out/exports.txt")"
"$exe" source -d "$out/src" "$data/named.dll" "$data/x86/gaps.dll" >"$out/lines.txt" || fail "source -d exit $?"
[ "$(wc -l <"$out/lines.txt")" -eq 2 ] || fail "source -d lines: $(cat "$out/lines.txt")"
cmp -s "$out/src/named.pbi" "$data/cli/named.pbi" || fail "installed and built programs disagree"
printf '\xEF\xBB\xBF' | cmp -s -n 3 - "$out/src/gaps.pbi" || fail "no byte order mark"
"$exe" info "$data/malformed/bad_mz.bin" >/dev/null 2>"$out/err.txt"
[ $? -eq 2 ] || fail "a damaged file must exit 2"
grep -q 'bad_mz.bin: not a PE file' "$out/err.txt" || fail "message: $(cat "$out/err.txt")"
"$exe" exports --no-such-option >/dev/null 2>&1
[ $? -eq 1 ] || fail "a usage error must exit 1"
echo "installed vantorel works"
