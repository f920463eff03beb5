#!/usr/bin/env bash
# The Windows side of the test suite, driven from the Linux build's CTest:
# cross-build the project with the MinGW SDK, lay out the package, keep a
# private Wine prefix for the suites, and run the suites and the packaged
# program under Wine. Every step is bounded in time.
#
#   wine-harness.sh build                    the Windows build, with its tests
#   wine-harness.sh build-upgrade            the program again as the next version, and its
#                                            package, for the installer's upgrade
#   wine-harness.sh package                  the package folders and zip from it
#   wine-harness.sh prefix                   the suites' Wine prefix, test classes registered
#   wine-harness.sh run <program> [args]     one suite under Wine
#   wine-harness.sh package-starts           the zip unpacked into a new, empty prefix, started
#   wine-harness.sh installer                the MSI installed, upgraded and removed in a new prefix
#   wine-harness.sh end-to-end               the program driven against the simulators
#   wine-harness.sh cad-names                the attach finds the CAD under each name of its table
#   wine-harness.sh timing [options]         both long commands timed, calls counted
#                                            (scripts/wine-timing; not a test)
#
# VEDORIS_SOURCE_DIR and VEDORIS_WINDOWS_WORK (the folder where all of this
# lives, inside the build folder) come from CTest. Without VEDORIS_MINGW_SDK
# each command reports itself skipped (exit 77), unless
# VEDORIS_REQUIRE_WINDOWS=1 makes that a failure.
set -euo pipefail

source_root="${VEDORIS_SOURCE_DIR:?set by CTest}"
work="${VEDORIS_WINDOWS_WORK:?set by CTest}"
build="$work/build"
package="$work/package"
upgrade_build="$work/build-upgrade"
upgrade_package="$work/package-upgrade"
suite_prefix="$work/wineprefix"
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=../../windows/cross.sh
source "$source_root/windows/cross.sh"

need() {
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "wine-harness: '$tool' is missing; scripts/install-deps installs it" >&2
      exit 1
    fi
  done
}

# Sets `sdk` to the SDK's folder, or ends this test: skipped without an SDK,
# failed when the Windows tests are required.
sdk=""
require_sdk() {
  if [ -z "${VEDORIS_MINGW_SDK:-}" ]; then
    if [ "${VEDORIS_REQUIRE_WINDOWS:-0}" = 1 ]; then
      echo "wine-harness: VEDORIS_REQUIRE_WINDOWS=1 but VEDORIS_MINGW_SDK is not set (see windows/README.md)" >&2
      exit 1
    fi
    echo "skipped: no MinGW SDK (see windows/README.md)"
    exit 77
  fi
  # A relative name is taken from the source root, as the README writes it.
  case "$VEDORIS_MINGW_SDK" in
    /*) ;;
    *) VEDORIS_MINGW_SDK="$source_root/$VEDORIS_MINGW_SDK" ;;
  esac
  sdk="$(vedoris_sdk_folder "$work")"
}

# Wine without a display for the suites: its null graphics driver (set in
# the prefix), no debugger on a crash, no chatter.
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

# Makes a Wine prefix. wineboot's own status is no guide: without the 32-bit
# half of Wine it fails on syswow64's rundll32 and still makes a usable
# 64-bit prefix. A time-out, or no registry once wineserver has written it
# out, is a failure.
make_prefix() {
  local prefix="$1"
  rm -rf "$prefix"
  mkdir -p "$prefix"
  local booted=0
  timeout 300 wineboot -i >"$prefix.log" 2>&1 || booted=$?
  settle
  if [ "$booted" -eq 124 ] || [ ! -f "$prefix/system.reg" ]; then
    cat "$prefix.log" >&2
    echo "wine-harness: could not create the Wine prefix $prefix" >&2
    exit 1
  fi
  # A crash ends the program instead of starting winedbg.
  timeout 60 wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /f >/dev/null 2>&1 || true
}

# The build's version with its third number raised: Windows Installer
# compares the first three numbers of a version.
upgrade_version() {
  # shellcheck source=/dev/null
  source "$build/installer/product.env"
  local major minor patch tweak
  IFS=. read -r major minor patch tweak <<<"$VEDORIS_VERSION"
  echo "$major.$minor.$((patch + 1)).${tweak:-0}"
}

command="${1:-}"
shift || true
case "$command" in
  build)
    need cmake ninja x86_64-w64-mingw32-g++-posix pkg-config
    require_sdk
    # Release, as shipped, with undefined behaviour trapped: a trap ends a
    # suite or the program with a crash instead of going unnoticed.
    vedoris_cross_build "$source_root" "$build" "$sdk" Release -DVEDORIS_TESTS=ON -DVEDORIS_TRAP_UB=ON
    ;;

  build-upgrade)
    # The program as the next version: its walker has a file and class of
    # its own, so the upgrade is a build of its own, with only what the
    # installer holds.
    need cmake ninja x86_64-w64-mingw32-g++-posix pkg-config x86_64-w64-mingw32-objdump x86_64-w64-mingw32-strip \
      sqlite3 wixl wixl-heat msibuild
    require_sdk
    next="$(upgrade_version)"
    # A build of another next version (the version was raised since) starts afresh.
    if [ -f "$upgrade_build/CMakeCache.txt" ] &&
       ! grep -q "^VEDORIS_UPGRADE_TEST_VERSION:[A-Z]*=$next\$" "$upgrade_build/CMakeCache.txt"; then
      rm -rf "$upgrade_build"
    fi
    vedoris_cross_build "$source_root" "$upgrade_build" "$sdk" Release -DVEDORIS_TESTS=OFF \
      -DVEDORIS_UPGRADE_TEST_VERSION="$next" -- vedoris vedoris_walker
    bash "$source_root/windows/assemble-package.sh" --program-only "$upgrade_build" "$sdk" "$upgrade_package"
    ;;

  package)
    need x86_64-w64-mingw32-objdump x86_64-w64-mingw32-strip sqlite3 wixl wixl-heat msibuild
    require_sdk
    bash "$source_root/windows/assemble-package.sh" --sheetsim "$build" "$sdk" "$package"
    ;;

  prefix)
    need wine wineboot wineserver timeout
    require_sdk
    wine_environment "$suite_prefix"
    stamp="$suite_prefix/.vedoris-ready"
    if [ ! -f "$stamp" ]; then
      # Made once and kept in the build folder: making a prefix takes a
      # while, reusing it a moment.
      make_prefix "$suite_prefix"
      # With no display, Wine's null driver still gives a window station:
      # windows can be made, listed and brought forward.
      reg_add 'HKCU\Software\Wine\Drivers' /v Graphics /d null
      settle
      touch "$stamp"
    fi
    server="$(timeout 60 winepath -w "$build/bin/vedoris_com_test_server.exe")"
    registered="$suite_prefix/.vedoris-registered"
    if [ "$(cat "$registered" 2>/dev/null)" != "$server" ]; then
      register_classes "$server"
      echo "$server" > "$registered"
    fi
    settle
    ;;

  run)
    need wine wineserver timeout
    require_sdk
    program="$1"
    shift
    wine_environment "$suite_prefix"
    # Suites with Qt in them find its DLLs in the SDK.
    WINEPATH="$(timeout 60 winepath -w "$sdk/bin")"
    export WINEPATH
    status=0
    timeout --kill-after=15 "${VEDORIS_WINE_TEST_SECONDS:-480}" wine "$program" --gtest_color=no "$@" || status=$?
    settle
    exit "$status"
    ;;

  package-starts | end-to-end | cad-names)
    need wine wineboot wineserver timeout xvfb-run xdotool import
    require_sdk
    # A display of its own, so that no other test's windows get in the way
    # and the screenshots show only these programs.
    # The end-to-end test takes some 11 minutes on a busy 2-core machine.
    exec timeout --kill-after=30 "${VEDORIS_WINE_E2E_SECONDS:-1080}" \
      xvfb-run -a -s "-screen 0 1600x900x24" \
      /usr/bin/python3 "$here/e2e/wine_e2e.py" "$command" \
        --source "$source_root" --work "$work" --package "$package" --build "$build"
    ;;

  installer)
    need wine wineboot wineserver timeout xvfb-run xdotool import wrestool msiinfo
    require_sdk
    exec timeout --kill-after=30 "${VEDORIS_WINE_E2E_SECONDS:-840}" \
      xvfb-run -a -s "-screen 0 1600x900x24" \
      /usr/bin/python3 "$here/e2e/wine_installer.py" \
        --source "$source_root" --work "$work" --package "$package" --build "$build" \
        --upgrade-package "$upgrade_package" --upgrade-build "$upgrade_build"
    ;;

  timing)
    # A measurement, not a test: as long as the commands take (minutes under Wine).
    need wine wineboot wineserver timeout xvfb-run xdotool import
    require_sdk
    exec xvfb-run -a -s "-screen 0 1600x900x24" \
      /usr/bin/python3 "$here/e2e/wine_timing.py" --work "$work" --package "$package" --build "$build" "$@"
    ;;

  *)
    echo "usage: wine-harness.sh build|build-upgrade|package|prefix|run|package-starts|installer|end-to-end|cad-names|timing ..." >&2
    exit 2
    ;;
esac
