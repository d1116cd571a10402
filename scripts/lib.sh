# Shared by the scripts: where things are, and the Wine environment.
# Sourced, not run.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${VANTOREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vantorel}
build=${VANTOREL_BUILD:-$root/build}

load_bootstrap() {
  "$root/scripts/bootstrap"
  # shellcheck disable=SC1091
  source "$cache/env.sh"
}

configure_and_build() { # configures the native, Win64 and Win32 (x86 edition) trees
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_HEADER_DEPS="$VANTOREL_HEADER_DEPS" \
    -DVANTOREL_HEADER_DEPS_SAN="$VANTOREL_HEADER_DEPS_SAN" -DVANTOREL_HEADER_DEPS_FUZZ="$VANTOREL_HEADER_DEPS_FUZZ" >"$build/native-configure.log" 2>&1 ||
    { cat "$build/native-configure.log"; return 1; }
  cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DVANTOREL_SCINTILLA="$VANTOREL_SCINTILLA" -DVANTOREL_MINGW_LIBS="$VANTOREL_MINGW_LIBS" \
    -DVANTOREL_GTEST_MINGW="$VANTOREL_GTEST_MINGW" -DVANTOREL_HEADER_DEPS="$VANTOREL_HEADER_DEPS_WIN64" \
    -DVANTOREL_TESTDATA_DIR="$build/native/testdata" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-exec" >"$build/win64-configure.log" 2>&1 ||
    { cat "$build/win64-configure.log"; return 1; }
  cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DVANTOREL_SCINTILLA="$VANTOREL_SCINTILLA32" -DVANTOREL_MINGW_LIBS="$VANTOREL_MINGW_LIBS32" \
    -DVANTOREL_GTEST_MINGW="$VANTOREL_GTEST_MINGW32" -DVANTOREL_HEADER_DEPS="$VANTOREL_HEADER_DEPS_WIN32" \
    -DVANTOREL_TESTDATA_DIR="$build/native/testdata" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-exec" >"$build/win32-configure.log" 2>&1 ||
    { cat "$build/win32-configure.log"; return 1; }
}

# A Wine prefix of our own, copied from the bootstrap's template (0.3 s
# instead of 15 s for a fresh one). $1: prefix folder, $2: "desktop" to put
# every window into a virtual desktop (no window manager is needed then).
prepare_prefix() {
  local prefix=$1 mode=${2:-}
  if [ ! -f "$prefix/.ready" ] || [ "$(cat "$prefix/.ready")" != "$VANTOREL_WINEPREFIX_TEMPLATE:$mode" ]; then
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$VANTOREL_WINEPREFIX_TEMPLATE" "$prefix"
    rm -f "$prefix/.built"
    if [ "$mode" = desktop ]; then
      printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1280x1024"\r\n' \
        >"$prefix/desktop.reg"
      WINEPREFIX=$prefix WINEDEBUG=-all wine regedit "$prefix/desktop.reg" >/dev/null 2>&1
      WINEPREFIX=$prefix wineserver -w
    fi
    echo "$VANTOREL_WINEPREFIX_TEMPLATE:$mode" >"$prefix/.ready"
  fi
}

# An X server for Wine's windows: the caller's display when it answers,
# otherwise an Xvfb of our own, stopped by stop_wine_session.
xvfb_pid=
start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$build/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
  done
  echo "could not start Xvfb" >&2
  return 1
}

# A persistent wineserver: a process then starts in milliseconds. Its output
# goes to a file: Wine's helpers keep inherited pipes open forever.
start_wine_session() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  # One locale for every run: US English, ANSI code page 1252.
  export LC_ALL=C.UTF-8 LANG=C.UTF-8
  start_display
  wineserver -p >"$build/wineserver.log" 2>&1 </dev/null || true  # one may run already
  wine cmd /c exit >"$build/wine-warmup.log" 2>&1 </dev/null || true
}

stop_wine_session() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 </dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}
