#!/usr/bin/env bash
# The four speed ratios, each against its yardstick, taken in turns in one
# run so every pair meets the same machine load; medians of ROUNDS rounds.
#   exports over Wine's x86_64 libraries, one process / llvm-readobj --coff-exports
#   source -d OUT over the same libraries           / the same llvm-readobj run
#   start to visible window, 16-export version.dll  / a minimal Win32 window
#   start to visible window, 65,535 exports         / the same with version.dll
# Needs a built tree (./scripts/test). ROUNDS=N changes the round count;
# OUT_PARENT=DIR where source -d writes (a fresh folder each round; default
# a RAM-backed folder when there is one, so the disk's own state is not timed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VANTOREL_BUILD:-$root/build}
vantorel=$build/native/vantorel
harness=$build/win64/win_bench_startup_ratio.exe
rounds=${ROUNDS:-11}
wine_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

if ! command -v llvm-readobj >/dev/null; then
  echo "installing llvm (llvm-readobj)" >&2
  apt-get update >/dev/null && apt-get install -y --no-install-recommends llvm >/dev/null
fi
for f in "$vantorel" "$harness"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "missing $f: run ./scripts/test first" >&2; exit 1; }
done
if [ -z "${OUT_PARENT:-}" ]; then
  OUT_PARENT=${TMPDIR:-/tmp}
  [ -d /dev/shm ] && [ -w /dev/shm ] && OUT_PARENT=/dev/shm
fi
work=$(mktemp -d)
outs=$(mktemp -d -p "$OUT_PARENT")
trap 'rm -rf "$work" "$outs"' EXIT
# A Wine prefix, display and wineserver of the benchmark's own.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then eval "$("$root/scripts/dev-env" bench)"; fi

# The libraries llvm-readobj accepts (it stops at the first it rejects), so
# both tools read the same list.
files=()
for f in "$wine_dir"/*.dll; do
  llvm-readobj --coff-exports "$f" >/dev/null 2>&1 && files+=("$f")
done
total=$(ls "$wine_dir"/*.dll | wc -l)

source "$(dirname "$0")/timing.sh"

# One round unmeasured, so every program starts from a warm cache.
"$vantorel" exports "${files[@]}" >/dev/null 2>&1 || true
llvm-readobj --coff-exports "${files[@]}" >/dev/null 2>&1 || true
wine "$harness" 1 >"$work/warm.log" 2>&1 || true

for name in exports source readobj anchor few many; do : >"$work/$name"; done
for round in $(seq "$rounds"); do
  time_us "$vantorel" exports "${files[@]}" >>"$work/exports"
  time_us llvm-readobj --coff-exports "${files[@]}" >>"$work/readobj"
  time_us "$vantorel" source -d "$outs/$round" "${files[@]}" >>"$work/source"
  rm -rf "${outs:?}/$round"
  # Never piped: Wine's helpers would inherit the pipe.
  wine "$harness" 1 >"$work/round.log" 2>&1 || true
  read -r anchor few many < <(awk '/^run / { print $3, $5, $7 }' "$work/round.log")
  if [ -z "${many:-}" ]; then
    echo "the start-up harness printed no figures:" >&2
    cat "$work/round.log" >&2
    exit 1
  fi
  echo "$anchor" >>"$work/anchor" && echo "$few" >>"$work/few" && echo "$many" >>"$work/many"
done

e=$(median <"$work/exports") s=$(median <"$work/source") r=$(median <"$work/readobj")
a=$(median <"$work/anchor") f=$(median <"$work/few") m=$(median <"$work/many")
echo "Medians of $rounds interleaved rounds; ${#files[@]} of Wine's $total x86_64 libraries (those llvm-readobj reads);"
echo "source -d writes into $OUT_PARENT."
awk -v e="$e" -v s="$s" -v r="$r" -v a="$a" -v f="$f" -v m="$m" 'BEGIN {
  fmt = "%-58s %9s %9s %7s  %s\n"
  printf fmt, "work", "Vantorel", "anchor", "ratio", "goal"
  printf fmt, "exports, one process / llvm-readobj --coff-exports", sprintf("%.1f ms", e / 1000), sprintf("%.1f ms", r / 1000), sprintf("%.2f x", e / r), "<= 1.0 x"
  printf fmt, "source -d OUT / llvm-readobj --coff-exports", sprintf("%.1f ms", s / 1000), sprintf("%.1f ms", r / 1000), sprintf("%.2f x", s / r), "<= 1.5 x"
  printf fmt, "start to visible, version.dll / minimal window", sprintf("%.1f ms", f * 1000), sprintf("%.1f ms", a * 1000), sprintf("%.2f x", f / a), "<= 1.5 x"
  printf fmt, "start to visible, 65,535 / 16 exports (version.dll)", sprintf("%.1f ms", m * 1000), sprintf("%.1f ms", f * 1000), sprintf("%.2f x", m / f), "<= 1.15 x"
}'
