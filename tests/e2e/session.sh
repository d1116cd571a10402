# Shared by the end-to-end scenarios; sourced, not run. $1 of the scenario is
# the program; edition_for picks the prefix and shot names by edition.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
source "$cache/env.sh"

# A prefix without a virtual desktop, so each top-level window is an X window.
start_e2e_session() { # shots
  prefix=$build/wine/$1
  prepare_prefix "$prefix" >/dev/null
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  start_display
  wineserver -p >/dev/null 2>&1 </dev/null
  # A first process brings up the new server's own processes (the desktop,
  # services), so the program starts into a settled session, as the Windows
  # tests do.
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  # The next scenario may use the same prefix: its server must be gone first.
  trap 'wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; stop_wine_session' EXIT
}

# What was on the display instead of an awaited window, and whether the
# program still ran: a failure should say which way it went.
describe_display() { # pid
  if kill -0 "$1" 2>/dev/null; then
    echo "the program still runs"
  else
    wait "$1"
    echo "the program has ended with exit code $?"
  fi
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    echo "visible window: $(xdotool getwindowname "$id" 2>/dev/null)"
  done
  import -window root "$build/e2e-failed-$(date +%H%M%S).png" 2>/dev/null || true
}

# Alt+F4 on the window; the process must end by itself with exit code 0.
# The key is given again every 3 s while the window is still there (one sent
# before the window had the keyboard is lost), for up to 15 s.
close_and_expect_exit_zero() { # window pid
  for at in $(seq 0 149); do
    if [ $((at % 30)) -eq 0 ] && xdotool getwindowname "$1" >/dev/null 2>&1; then
      xdotool windowfocus --sync "$1" 2>/dev/null
      xdotool key --clearmodifiers alt+F4
    fi
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$2" 2>/dev/null; then
    echo "the process did not end after its window was closed"
    kill "$2"
    return 1
  fi
  wait "$2"
  local rc=$?
  echo "exit code $rc"
  [ "$rc" -eq 0 ]
}

# The id of the first visible window whose name matches, waiting up to 40 s
# (a loaded machine may take that long to start Wine); empty when none came.
wait_window() { # name pattern
  local found=
  for _ in $(seq 400); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}
