#!/usr/bin/env bash
# Whole-process timings of the command line beside the tools one would
# otherwise reach for, run alternately in one session; medians of several
# runs. Needs a built tree (./scripts/test). RUNS=N changes the run count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VANTOREL_BUILD:-$root/build}
vantorel=$build/native/vantorel
runs=${RUNS:-11}
wine_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/timing.sh"
ms() { awk -v us="$1" 'BEGIN { printf "%.1f ms", us / 1000 }'; }

# 1. 65,535 exports, whole process, side by side.
many=$build/native/testdata/many_exports.dll
: >"$work/a" && : >"$work/b"
for _ in $(seq "$runs"); do
  time_us "$vantorel" exports "$many" >>"$work/a"
  time_us x86_64-w64-mingw32-objdump -p "$many" >>"$work/b"
done
a=$(median <"$work/a") b=$(median <"$work/b")
echo "exports, many_exports.dll (65,535 exports), median of $runs:"
echo "  vantorel exports          $(ms "$a")"
echo "  x86_64-w64-mingw32-objdump -p  $(ms "$b")"
awk -v a="$a" -v b="$b" 'BEGIN { printf "  ratio %.2f x\n", a / b }'

# 2. source -d over Wine's libraries: the files llvm-readobj accepts (it
# stops at the first one it rejects), so both tools get the same list.
files=()
for f in "$wine_dir"/*; do
  llvm-readobj --coff-exports "$f" >/dev/null 2>&1 && files+=("$f")
done
count=${#files[@]}
batch_runs=$(((runs + 1) / 2))
: >"$work/a" && : >"$work/b"
for _ in $(seq "$batch_runs"); do
  rm -rf "$work/out"
  time_us "$vantorel" source -d "$work/out" "${files[@]}" >>"$work/a"
  time_us llvm-readobj --coff-exports "${files[@]}" >>"$work/b"
done
a=$(median <"$work/a") b=$(median <"$work/b")
echo "$count Wine x86_64 libraries, median of $batch_runs:"
awk -v a="$a" -v n="$count" 'BEGIN { printf "  vantorel source -d        %.1f ms, %.0f files/s\n", a / 1000, n / (a / 1e6) }'
awk -v b="$b" -v n="$count" 'BEGIN { printf "  llvm-readobj --coff-exports  %.1f ms, %.0f files/s\n", b / 1000, n / (b / 1e6) }'

# 3. The Windows program's size.
if [ -f "$build/win64/vantorel-cli.exe" ]; then
  echo "vantorel-cli.exe: $(stat -c %s "$build/win64/vantorel-cli.exe") bytes"
fi
