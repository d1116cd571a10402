#!/usr/bin/env bash
# The shipped exe imports nothing but DLLs every Windows has: one file is
# all there is to copy.
set -uo pipefail
exe=$1
subsystem=${2:-gui}  # "console" for the command-line program
system='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|msimg32|version|imm32|dbghelp|advapi32|msvcrt|uxtheme|winmm|ws2_32|bcrypt|crypt32)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
bad=$(grep -v -E "$system" <<<"$dlls")
if [ -n "$bad" ]; then
  echo "non-system imports: $bad"
  exit 1
fi
headers=$(x86_64-w64-mingw32-objdump -f -p "$exe")
grep -q 'pei-x86-64' <<<"$headers" || { echo "not a PE32+ x86-64 image"; exit 1; }
# The GUI subsystem (2) for the window, the console (3) for the command line.
number=2
[ "$subsystem" = console ] && number=3
grep -q -E "^Subsystem[[:space:]]+0+$number[[:space:]]" <<<"$headers" || { echo "not a $subsystem program"; exit 1; }
echo "imports: $(tr '\n' ' ' <<<"$dlls")"
