#!/usr/bin/env bash
# End to end: the real program started with a library of the other kind on
# an X display, as a user would: Vantorel.exe with a 32-bit library,
# Vantorel_x86.exe with a 64-bit one. The message box naming the other
# edition must appear as a window of its own; pressing Return dismisses it,
# the empty main window follows, and closing it with Alt+F4 ends the process
# with exit code 0.
# Usage: message_box_other_kind.sh EXE   (screenshots go beside the build's logs)
set -uo pipefail
source "$(dirname "$0")/session.sh"
exe=$1
case $(basename "$exe") in
  *_x86.exe)
    library='Z:\usr\lib\x86_64-linux-gnu\wine\x86_64-windows\version.dll'
    title='Vantorel x86' shots=e2e-x86 ;;
  *)
    library='Z:\usr\lib\gcc\i686-w64-mingw32\12-posix\libgcc_s_dw2-1.dll'
    title='Vantorel' shots=e2e ;;
esac
start_e2e_session "$shots"

log=$build/$shots-message-box.log
wine "$exe" "$library" >"$log" 2>&1 </dev/null &
pid=$!
win=
for _ in $(seq 200); do
  win=$(xdotool search --onlyvisible --name '^Vantorel$' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  sleep 0.1
done
if [ -z "$win" ]; then
  echo "no message box appeared"
  kill "$pid" 2>/dev/null
  exit 1
fi
sleep 0.5
import -window root "$build/$shots-message-box.png" 2>/dev/null || true
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key --clearmodifiers Return
main=
for _ in $(seq 200); do
  main=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | grep -v -x "$win" | head -n 1)
  [ -n "$main" ] && break
  sleep 0.1
done
if [ -z "$main" ]; then
  echo "the main window did not open after the message"
  describe_display "$pid"
  kill "$pid" 2>/dev/null
  exit 1
fi
sleep 0.5
import -window root "$build/$shots-empty-window.png" 2>/dev/null || true
close_and_expect_exit_zero "$main" "$pid"
