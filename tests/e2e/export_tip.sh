#!/usr/bin/env bash
# End to end: the pointer resting on the Function cell of a decorated export
# (row 2 of decorated.dll, an MSVC member function) brings up the export's
# tip, a window of its own beside the pointer; moved onto the Para cell,
# which has no tip, the tip goes. A screenshot of the tip goes beside the
# build's logs.
# Usage: export_tip.sh EXE TESTDATA   (the test libraries; x86 ones in TESTDATA/x86)
set -uo pipefail
source "$(dirname "$0")/session.sh"
exe=$1 data=$2
case $(basename "$exe") in
  *_x86.exe) data=$data/x86 shots=e2e-x86 ;;
  *) shots=e2e ;;
esac
start_e2e_session "$shots-tip"
library="Z:${data//\//\\}\\decorated.dll"

wine "$exe" "$library" >"$build/$shots-tip.log" 2>&1 </dev/null &
pid=$!
main=$(wait_window '^Vantorel.* - Z:.*decorated\.dll$')
[ -n "$main" ] || { echo "no main window titled with the library appeared"; kill "$pid"; exit 1; }
sleep 0.5

# Visible windows of the program other than the main window, larger than a
# few pixels (Wine's input-method windows are 1 x 1): the tip.
tips() {
  for w in $(xdotool search --onlyvisible --class 'vantorel' 2>/dev/null); do
    [ "$w" = "$main" ] && continue
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -gt 100 ] && [ "$HEIGHT" -gt 30 ] && echo "$w ${WIDTH}x$HEIGHT"
  done
}

failures=0
# Waits up to 20 s for `tips` to print something (or, with "none", for it
# to print nothing), putting the pointer at x y again every 2 s: a move the
# program was not yet ready for is given again, the check never.
await_tips() { # want x y
  local at=0
  shown=
  for at in $(seq 0 199); do
    if [ $((at % 20)) -eq 0 ]; then
      xdotool mousemove --window "$main" $(($2 - 4)) $(($3 - 1))
      sleep 0.2
      xdotool mousemove --window "$main" "$2" "$3"
    fi
    shown=$(tips)
    if [ "$1" = none ]; then [ -z "$shown" ] && return; else [ -n "$shown" ] && return; fi
    sleep 0.1
  done
}
# Function column, row 2 (the client layout is fixed by the prefix's fonts).
await_tips some 384 127
sleep 0.3
import -window root "$build/$shots-export-tip.png" 2>/dev/null || true
if [ -n "$shown" ]; then echo "ok: a tip shows: $shown"; else echo "FAILED: no tip over the Function cell"; failures=1; fi

await_tips none 530 126
if [ -z "$shown" ]; then echo "ok: the tip goes on the Para cell"; else echo "FAILED: a tip stays over the Para cell"; failures=1; fi

close_and_expect_exit_zero "$main" "$pid" || failures=1
[ "$failures" -eq 0 ]
