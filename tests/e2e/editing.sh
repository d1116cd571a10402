#!/usr/bin/env bash
# End to end: a user edits the function table of the real program with the
# mouse and the keyboard (xdotool on an X display) and reads the results from
# outside it: the X clipboard after copying blocks and the preview, and the
# project file saved and opened again.
#   alias, parameter count (typed "x-2": only the 2 goes in) and comment of
#   row 2; the x86 edition also changes its convention to CDECL; rows 4 and
#   5 unticked; a block dragged with the mouse and one made with Shift+arrows,
#   each copied; the preview shows the edits; the project saved, the library
#   opened afresh (the edits gone), the project opened (the edits back).
# Screenshots of the open text editor, the open convention list and the
# dragged block go beside the build's logs.
# Usage: editing.sh EXE TESTDATA   (the test libraries; x86 ones in TESTDATA/x86)
set -uo pipefail
source "$(dirname "$0")/session.sh"
exe=$1 data=$2
case $(basename "$exe") in
  *_x86.exe) data=$data/x86 shots=e2e-x86 conv=STDCALL chosen=CDECL prototype=PrototypeC ;;
  *) shots=e2e conv=FASTCALL chosen=FASTCALL prototype=Prototype ;;
esac
start_e2e_session "$shots-editing"
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1; stop_wine_session; rm -rf "$work"' EXIT
cp "$data/named.dll" "$work/named.dll"
library="Z:${work//\//\\}\\named.dll"
project="Z:${work//\//\\}\\named.prj"

failures=0
check() { # description, then the test
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# Places in the main window's client area (its layout is fixed by the
# prefix's fonts); without a window manager the X window is that area.
row_y() { echo $((105 + 21 * $1)); }
alias_x=174 function_x=396 conv_x=593 tick_x=23
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
keys() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.3; }
typed() { xdotool type --delay 40 "$1"; sleep 0.2; }
# The clipboard once the program has put something there (it was emptied
# before each copy), waiting up to 10 s.
clipboard() {
  local text=
  for _ in $(seq 100); do
    text=$(xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null)
    [ -n "$text" ] && break
    sleep 0.1
  done
  printf '%s' "$text"
}
# Emptied before each copy, so a copy that did not happen reads as nothing.
forget_clipboard() { printf '' | xclip -i -selection clipboard >/dev/null 2>&1; }
copy_preview() {
  click 88 57
  click 396 277
  forget_clipboard
  keys ctrl+a ctrl+c
  clipboard
}
# Return in a file requester, once more while it stays: the first one may
# only close the completion list of the typed path.
confirm() { # requester window
  for _ in 1 2 3; do
    keys Return
    for _ in $(seq 100); do
      if ! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; then
        # Without a window manager the main window gets the focus back by hand.
        xdotool windowfocus --sync "$main" 2>/dev/null
        sleep 0.5
        return 0
      fi
      sleep 0.1
    done
  done
  return 1
}
# Types a path into a file requester and confirms it. The requester's own
# focus is not visible from X, so a path typed too early is retyped (the
# box emptied first) until the requester closes, at most three times.
open_in() { # requester window, path
  for _ in 1 2 3; do
    keys Home shift+End
    typed "$2"
    [ -n "$1" ] && confirm "$1" && return 0
  done
  return 1
}
shot() { import -window root "$build/$shots-$1.png" 2>/dev/null || true; }

wine "$exe" "$library" >"$build/$shots-editing.log" 2>&1 </dev/null &
pid=$!
main=$(wait_window '^Vantorel.* - Z:.*named\.dll$')
if [ -z "$main" ]; then
  echo "no main window titled with the library appeared"
  kill "$pid" 2>/dev/null
  exit 1
fi
# Without a window manager nothing gives the new window the keyboard.
xdotool windowfocus --sync "$main" 2>/dev/null
sleep 0.5

# Row 2 (index 1): alias, parameter count, convention, comment.
click $alias_x "$(row_y 1)"
keys ctrl+a
typed "Add"
shot editor-open
keys Tab Tab
keys ctrl+a
typed "x-2"
keys Tab
click $conv_x "$(row_y 1)"  # drops the list of the current choice cell
shot convention-list
[ "$chosen" != "$conv" ] && keys Down
keys Return  # takes the highlighted option and closes the list
keys Tab
typed "adds two numbers"
keys Return
click $tick_x "$(row_y 3)"
click $tick_x "$(row_y 4)"

# A block dragged with the mouse, copied.
xdotool mousemove --window "$main" $alias_x "$(row_y 0)" mousedown 1
sleep 0.2
xdotool mousemove --window "$main" 296 "$(row_y 1)"
sleep 0.2
xdotool mousemove --window "$main" $function_x "$(row_y 2)"
sleep 0.3
xdotool mouseup 1
sleep 0.3
shot block
forget_clipboard
keys ctrl+c
# Wine hands CF_UNICODETEXT's CR LF to X as LF; the tabs stay.
expected=$'SubtractNumbers\tSubtractNumbers\nAdd\tAddNumbers\nGetAnswer\tGetAnswer'
check "the dragged block on the X clipboard" [ "$(clipboard)" = "$expected" ]

# A block made with Shift+arrows from the Function cell of row 4.
click $function_x "$(row_y 3)"
keys shift+Down shift+Right shift+Right
forget_clipboard
keys ctrl+c
expected=$'MultiplyNumbers\t?\t'$conv$'\nNegateNumber\t?\t'$conv
check "the Shift+arrows block on the X clipboard" [ "$(clipboard)" = "$expected" ]

edited=$(copy_preview)
check "the preview declares the edited row" grep -qxF "$prototype Add(a, b); adds two numbers" <<<"$edited"
check "the preview loads the edited row by its name" grep -qF 'Add = GetFunction(hDLL, "AddNumbers")' <<<"$edited"
check "the unticked rows are left out" bash -c '! grep -qE "MultiplyNumbers|NegateNumber" <<<"$1"' _ "$edited"

# Saved as a project, the library opened afresh, the project opened again.
click 31 57
click 119 33
dialog=$(wait_window '^Save As$')
check "the save requester opened" [ -n "$dialog" ]
confirm "$dialog"
for _ in $(seq 200); do [ -s "$work/named.prj" ] && break; sleep 0.1; done
check "the project keeps the comment" grep -q 'Comment = adds two numbers' "$work/named.prj"
click 39 33
dialog=$(wait_window '^Load DLL$')
check "the open requester takes the library" open_in "$dialog" "$library"
fresh=$(copy_preview)
check "the library opened afresh has none of the edits" \
  bash -c '! grep -q "adds two numbers" <<<"$1"' _ "$fresh"
click 31 57
click 65 33
dialog=$(wait_window '^Open')
check "the open requester takes the project" open_in "$dialog" "$project"
check "the project opened again shows every edit" [ "$(copy_preview)" = "$edited" ]

close_and_expect_exit_zero "$main" "$pid" || failures=$((failures + 1))
echo "$failures failed"
[ "$failures" -eq 0 ]
