#!/usr/bin/env bash
# End to end: the real program started with a library of its own kind on an
# X display, from the same Wine corpus the other edition refuses: Wine's
# version.dll, 32-bit for Vantorel_x86.exe and 64-bit for Vantorel.exe. No
# message may appear; the main window opens titled with the library and
# shows the Functions page; Alt+F4 ends the process with exit code 0.
# Usage: opens_own_kind.sh EXE   (a screenshot goes beside the build's logs)
set -uo pipefail
source "$(dirname "$0")/session.sh"
exe=$1
case $(basename "$exe") in
  *_x86.exe)
    library='Z:\usr\lib\i386-linux-gnu\wine\i386-windows\version.dll'
    title='Vantorel x86' shots=e2e-x86 ;;
  *)
    library='Z:\usr\lib\x86_64-linux-gnu\wine\x86_64-windows\version.dll'
    title='Vantorel' shots=e2e ;;
esac
start_e2e_session "$shots"

log=$build/$shots-own-kind.log
wine "$exe" "$library" >"$log" 2>&1 </dev/null &
pid=$!
# The title names the program and the library's path (backslashes as typed).
pattern="^$title - Z:.*version\\.dll\$"
main=
for _ in $(seq 450); do
  main=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
  [ -n "$main" ] && break
  if xdotool search --onlyvisible --name '^Vantorel$' >/dev/null 2>&1; then
    echo "a message box appeared instead of the library"
    kill "$pid" 2>/dev/null
    exit 1
  fi
  sleep 0.1
done
if [ -z "$main" ]; then
  echo "no main window titled with the library appeared"
  describe_display "$pid"
  kill "$pid" 2>/dev/null
  exit 1
fi
sleep 0.5
import -window root "$build/$shots-own-kind.png" 2>/dev/null || true
close_and_expect_exit_zero "$main" "$pid"
