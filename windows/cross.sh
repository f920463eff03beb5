# Cross-building the project for Windows on Debian, shared by
# scripts/package-windows and the test command (tests/windows). Sourced.
#
# The MinGW SDK (Qt, SQLite, libxlsxwriter built for Windows) is named by
# VEDORIS_MINGW_SDK: its tarball (vedoris-mingw-sdk.tar.xz) or a folder it was
# unpacked to. A tarball is unpacked once per work folder, keyed by its
# checksum, so a new SDK is picked up and an unchanged one costs nothing.

# Prints the SDK's folder, unpacking the tarball into <work>/sdk/<checksum>
# when needed. Fails when the variable names nothing usable.
vedoris_sdk_folder() {
  local work="$1" given="${VEDORIS_MINGW_SDK:-}"
  if [ -z "$given" ]; then
    echo "VEDORIS_MINGW_SDK is not set" >&2
    return 1
  fi
  if [ -d "$given" ]; then
    (cd "$given" && pwd)
    return 0
  fi
  if [ ! -f "$given" ]; then
    echo "VEDORIS_MINGW_SDK names neither a file nor a folder: $given" >&2
    return 1
  fi
  local sum folder
  sum=$(sha256sum "$given" | cut -c1-16)
  folder="$work/sdk/$sum"
  if [ ! -f "$folder/.unpacked" ]; then
    # Older SDKs of this work folder go: only the one in use is kept.
    rm -rf "$work/sdk"
    mkdir -p "$folder"
    tar -xJf "$given" -C "$folder" >&2
    touch "$folder/.unpacked"
  fi
  # Absolute: CMake's prefix and Qt's own lookups take nothing relative.
  (cd "$folder" && pwd)
}

# Configures (when needed) and builds the project for Windows:
#   vedoris_cross_build <source> <build> <sdk> <build type> [cmake options...] -- [targets...]
# A build folder made with another SDK is started afresh.
vedoris_cross_build() {
  local source="$1" build="$2" sdk="$3" type="$4"
  shift 4
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  targets=("$@")

  if [ -f "$build/CMakeCache.txt" ] && ! grep -qxF "CMAKE_PREFIX_PATH:UNINITIALIZED=$sdk" "$build/CMakeCache.txt" \
     && ! grep -qxF "CMAKE_PREFIX_PATH:PATH=$sdk" "$build/CMakeCache.txt"; then
    rm -rf "$build"
  fi
  if [ ! -f "$build/build.ninja" ]; then
    local launcher=()
    if command -v ccache >/dev/null 2>&1; then
      launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$source" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$source/windows/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$sdk" \
      -DCMAKE_BUILD_TYPE="$type" -DVEDORIS_BENCH=OFF "${launcher[@]}" "${options[@]}"
  fi
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$build" -j 2 --target "${targets[@]}"
  else
    cmake --build "$build" -j 2
  fi
}
