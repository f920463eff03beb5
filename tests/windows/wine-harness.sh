#!/usr/bin/env bash
# The Windows side of the test suite, driven from the main (Linux) build's
# CTest: cross-build windows/ with MinGW, keep a private Wine prefix in the
# build folder, register the test COM server there, and run the GoogleTest
# programs under Wine. Every step is bounded in time.
#
#   wine-harness.sh build  <source root> <mingw build folder>
#   wine-harness.sh prefix <prefix folder> <mingw build folder>
#   wine-harness.sh run    <prefix folder> <test program> [gtest arguments]
set -euo pipefail

need() {
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "wine-harness: '$tool' is missing; scripts/install-deps installs it" >&2
      exit 1
    fi
  done
}

# Wine runs headless here: no display, its null graphics driver (set in the
# prefix), no debugger on a crash, no chatter.
wine_environment() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
  unset DISPLAY WAYLAND_DISPLAY
}

# Waits for the prefix's wineserver to end by itself once its programs are
# done; ends it if it does not.
settle() {
  timeout 60 wineserver -w || wineserver -k || true
}

# The test classes, as tests/windows/server/ComTestIds.h declares them.
local_progid=Vedoris.ComTest
local_clsid='{6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C01}'
inprocess_progid=Vedoris.ComTest.InProcess
inprocess_clsid='{6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C02}'
own_progid=Vedoris.ComTest.Own
own_clsid='{6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C03}'

reg_add() {
  timeout 60 wine reg add "$@" /f >/dev/null
}

register_classes() {
  local server="$1"
  # A per-user registration, as an installer without elevation writes it on
  # Windows (HKCU\Software\Classes, which Windows merges into
  # HKEY_CLASSES_ROOT). Wine 8 does not merge it: its HKEY_CLASSES_ROOT is
  # HKLM\Software\Classes alone, so the same keys go there as well.
  local root
  for root in 'HKCU\Software\Classes' 'HKLM\Software\Classes'; do
    reg_add "$root\\$local_progid\\CLSID" /ve /d "$local_clsid"
    reg_add "$root\\CLSID\\$local_clsid\\LocalServer32" /ve /d "\"$server\""
    reg_add "$root\\CLSID\\$local_clsid\\ProgID" /ve /d "$local_progid"
    reg_add "$root\\$inprocess_progid\\CLSID" /ve /d "$inprocess_clsid"
    reg_add "$root\\$own_progid\\CLSID" /ve /d "$own_clsid"
  done
}

command="${1:-}"
shift || true
case "$command" in
  build)
    need cmake ninja x86_64-w64-mingw32-g++-posix
    source_root="$1"
    build="$2"
    if [ ! -f "$build/build.ninja" ]; then
      cmake -S "$source_root/windows" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$source_root/windows/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Debug
    fi
    cmake --build "$build" -j 2
    ;;

  prefix)
    need wine wineboot wineserver timeout
    prefix="$1"
    build="$2"
    wine_environment "$prefix"
    stamp="$prefix/.vedoris-ready"
    if [ ! -f "$stamp" ]; then
      # Created once and kept in the build folder: making a prefix takes a
      # good while, reusing it a second.
      rm -rf "$prefix"
      mkdir -p "$prefix"
      # wineboot's own status is no guide: without the 32-bit half of Wine
      # it fails on syswow64's rundll32 and still makes a usable 64-bit
      # prefix. A time-out, or no registry once wineserver has written it
      # out, is a failure.
      booted=0
      timeout 300 wineboot -i >"$prefix.log" 2>&1 || booted=$?
      settle
      if [ "$booted" -eq 124 ] || [ ! -f "$prefix/system.reg" ]; then
        cat "$prefix.log" >&2
        echo "wine-harness: could not create the Wine prefix $prefix" >&2
        exit 1
      fi
      # With no display, Wine's null driver still gives a window station:
      # windows can be made, listed and brought forward.
      reg_add 'HKCU\Software\Wine\Drivers' /v Graphics /d null
      # A crash ends the program instead of starting winedbg.
      timeout 60 wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /f >/dev/null 2>&1 || true
      settle
      touch "$stamp"
    fi
    server="$(timeout 60 winepath -w "$build/bin/vedoris_com_test_server.exe")"
    registered="$prefix/.vedoris-registered"
    if [ "$(cat "$registered" 2>/dev/null)" != "$server" ]; then
      register_classes "$server"
      echo "$server" > "$registered"
    fi
    settle
    ;;

  run)
    need wine wineserver timeout
    prefix="$1"
    program="$2"
    shift 2
    wine_environment "$prefix"
    status=0
    timeout --kill-after=15 "${VEDORIS_WINE_TEST_SECONDS:-480}" wine "$program" --gtest_color=no "$@" || status=$?
    settle
    exit "$status"
    ;;

  *)
    echo "usage: wine-harness.sh build|prefix|run ..." >&2
    exit 2
    ;;
esac
