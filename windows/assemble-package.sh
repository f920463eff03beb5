#!/usr/bin/env bash
# Lays out what runs on a clean Windows from a Windows build of the project:
#
#   OUT/vedoris/                 the program: vedoris.exe, every DLL and Qt
#                                plugin it loads, tr.fas, the walker the CAD
#                                loads (vedoris_walker-<version>.dll), a fresh
#                                spec_base.mdb
#   OUT/cadsim/                  the CAD simulator and what it needs
#   OUT/vedoris-windows-x64.zip  OUT/vedoris, for a designer to unpack
#   OUT/vedoris-windows-x64.msi  OUT/vedoris as a per-user installer (make-msi.sh)
#   OUT/sheetsim/                (with --sheetsim) the spreadsheet stand-in that
#                                the Wine tests register; never in the zip
#
#   assemble-package.sh [--sheetsim | --program-only] <build folder> <SDK folder> <OUT>
#
# --program-only lays out OUT/vedoris and its MSI alone: a build of a later
# version, which the installer test upgrades to, builds nothing else.
#
# There is no windeployqt for a cross build, so what goes in is listed here,
# program by program. Each file's imports are then checked: every DLL must lie
# in the folder or be part of Windows itself, so nothing is taken from the
# building machine's paths.
set -euo pipefail

with_sheetsim=0
program_only=0
case "${1:-}" in
  --sheetsim) with_sheetsim=1; shift ;;
  --program-only) program_only=1; shift ;;
esac
if [ $# -ne 3 ]; then
  echo "usage: assemble-package.sh [--sheetsim | --program-only] <build folder> <SDK folder> <OUT>" >&2
  exit 2
fi
build="$1"
sdk="$2"
out="$3"
source_root="$(cd "$(dirname "$0")/.." && pwd)"
triple=x86_64-w64-mingw32
# The walker's file, named after the version the build was configured with.
# shellcheck source=/dev/null
source "$build/installer/product.env"
walker="$VEDORIS_WALKER_FILE"

# The MinGW runtime every C++ program of the build needs.
runtime=(libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
# Qt Widgets programs: the DLLs, the platform plugin and the native style.
qt_widgets=(Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll)
qt_plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)

# DLLs that come with Windows (10 and later, as Qt 6 needs): what the programs
# may import without shipping it. The api-ms-win-* API sets are Windows's too.
windows_dlls=" advapi32.dll authz.dll comctl32.dll comdlg32.dll d3d11.dll d3d9.dll dwmapi.dll dwrite.dll dxgi.dll \
gdi32.dll imm32.dll kernel32.dll mpr.dll msvcrt.dll netapi32.dll ntdll.dll ole32.dll oleaut32.dll rpcrt4.dll \
setupapi.dll shcore.dll shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll \
ws2_32.dll wtsapi32.dll "

place() { # <from> <to folder> [<name in it>]
  local to="$2/${3:-$(basename "$1")}"
  mkdir -p "$(dirname "$to")"
  cp "$1" "$to"
  case "$to" in
    *.exe|*.dll) "$triple-strip" --strip-unneeded "$to" ;;
  esac
}

# Qt looks for its plugins beside the program (platforms/, styles/) and
# nowhere that the building machine knew.
write_qt_conf() {
  printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\n' > "$1/qt.conf"
}

# Every import of every .exe and .dll in the folder lies in the folder or is
# part of Windows.
check_imports() {
  local folder="$1" failed=0 file dll
  local shipped
  shipped=" $(find "$folder" -maxdepth 1 -iname '*.dll' -printf '%f\n' | tr '[:upper:]' '[:lower:]' | tr '\n' ' ') "
  while IFS= read -r -d '' file; do
    while read -r dll; do
      dll=$(echo "$dll" | tr '[:upper:]' '[:lower:]')
      case "$dll" in api-ms-win-*) continue ;; esac
      case "$shipped$windows_dlls" in
        *" $dll "*) ;;
        *)
          echo "assemble-package: ${file#"$folder"/} needs $dll, which is neither in $(basename "$folder")/ nor part of Windows" >&2
          failed=1
          ;;
      esac
    done < <("$triple-objdump" -p "$file" | awk '/DLL Name:/ { print $3 }')
  done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
  return "$failed"
}

program_folder() { # <folder> <program.exe> <DLLs from the SDK's bin...>
  local folder="$1" program="$2"
  shift 2
  rm -rf "$folder"
  mkdir -p "$folder"
  place "$build/bin/$program" "$folder"
  local dll
  for dll in "$@"; do
    place "$sdk/bin/$dll" "$folder"
  done
}

rm -rf "$out/vedoris" "$out/cadsim" "$out/sheetsim" "$out/vedoris-windows-x64.zip" "$out/vedoris-windows-x64.msi"
mkdir -p "$out"

# --- the program --------------------------------------------------------------
# libxlsxwriter (with zlib) is the built-in workbook writer, for a machine
# without the spreadsheet application.
program_folder "$out/vedoris" vedoris.exe "${qt_widgets[@]}" libsqlite3-0.dll libxlsxwriter.dll zlib1.dll "${runtime[@]}"
for plugin in "${qt_plugins[@]}"; do
  place "$sdk/plugins/$plugin" "$out/vedoris" "$plugin"
done
write_qt_conf "$out/vedoris"
place "$source_root/src/spec/tr.fas" "$out/vedoris"
# The walker the CAD loads into its own process: it may import nothing but
# Windows itself, for the CAD may carry runtime DLLs of other versions.
place "$build/bin/$walker" "$out/vedoris"
while read -r dll; do
  case "$windows_dlls" in
    *" $(echo "$dll" | tr '[:upper:]' '[:lower:]') "*) ;;
    *) echo "assemble-package: $walker imports $dll, which is not part of Windows" >&2; exit 1 ;;
  esac
done < <("$triple-objdump" -p "$out/vedoris/$walker" | awk '/DLL Name:/ { print $3 }')
# A database made now from the schema, never the build's own, which tests and
# trial runs have written rows into.
cmake -DSQLITE3="$(command -v sqlite3)" -DSCHEMA="$source_root/src/data/schema.sql" \
      -DOUTPUT="$out/vedoris/spec_base.mdb" -P "$source_root/src/data/CreateDatabase.cmake" >/dev/null

if [ "$program_only" -eq 1 ]; then
  check_imports "$out/vedoris"
  bash "$source_root/windows/make-msi.sh" "$build" "$out/vedoris" "$out/vedoris-windows-x64.msi" >/dev/null
  echo "assembled $out: vedoris/ and vedoris-windows-x64.msi ($VEDORIS_VERSION)"
  exit 0
fi

# --- the CAD simulator ----------------------------------------------------------
program_folder "$out/cadsim" cadsim.exe "${qt_widgets[@]}" "${runtime[@]}"
for plugin in "${qt_plugins[@]}"; do
  place "$sdk/plugins/$plugin" "$out/cadsim" "$plugin"
done
write_qt_conf "$out/cadsim"

# --- the spreadsheet stand-in (tests only) ------------------------------------
folders=("$out/vedoris" "$out/cadsim")
if [ "$with_sheetsim" -eq 1 ]; then
  program_folder "$out/sheetsim" sheetsim.exe Qt6Core.dll libxlsxwriter.dll zlib1.dll "${runtime[@]}"
  write_qt_conf "$out/sheetsim"
  folders+=("$out/sheetsim")
fi

status=0
for folder in "${folders[@]}"; do
  check_imports "$folder" || status=1
done
[ "$status" -eq 0 ] || exit 1

(cd "$out" && cmake -E tar cf vedoris-windows-x64.zip --format=zip vedoris)
bash "$source_root/windows/make-msi.sh" "$build" "$out/vedoris" "$out/vedoris-windows-x64.msi" >/dev/null
echo "assembled $out: vedoris/ ($(du -sh "$out/vedoris" | cut -f1)), cadsim/," \
     "vedoris-windows-x64.zip ($(du -h "$out/vedoris-windows-x64.zip" | cut -f1))," \
     "vedoris-windows-x64.msi ($(du -h "$out/vedoris-windows-x64.msi" | cut -f1))"
