#!/usr/bin/env bash
# The shipped exe imports nothing but DLLs every Windows has: one file is
# all there is to copy.
# Usage: check_imports.sh EXE [gui|console] [pei-x86-64|pei-i386]
set -uo pipefail
exe=$1
subsystem=${2:-gui}  # "console" for the command-line program
# pei-x86-64 for the 64-bit programs, pei-i386 for the x86 edition's; the
# x86-64 objdump reads both.
format=${3:-pei-x86-64}
objdump=x86_64-w64-mingw32-objdump
system='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|msimg32|version|imm32|dbghelp|advapi32|msvcrt|uxtheme|winmm|ws2_32|bcrypt|crypt32)\.dll$'
dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
bad=$(grep -v -E "$system" <<<"$dlls")
if [ -n "$bad" ]; then
  echo "non-system imports: $bad"
  exit 1
fi
headers=$("$objdump" -f -p "$exe")
grep -q "file format $format\$" <<<"$headers" || { echo "not a $format image"; exit 1; }
# The GUI subsystem (2) for the window, the console (3) for the command line.
number=2
[ "$subsystem" = console ] && number=3
grep -q -E "^Subsystem[[:space:]]+0+$number[[:space:]]" <<<"$headers" || { echo "not a $subsystem program"; exit 1; }
echo "imports: $(tr '\n' ' ' <<<"$dlls")"
