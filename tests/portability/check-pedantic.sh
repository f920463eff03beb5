#!/usr/bin/env bash
# Compiles the Qt-free code that must build with every Windows compiler (the
# automation core, the remote frame codec, the COM backend) with clang in
# strict ISO C++20: no compiler extension may creep in unnoticed. The COM
# backend is compiled for Windows against the MinGW-w64 headers.
set -euo pipefail
src=${1:?usage: check-pedantic.sh SOURCE_DIR}
clang=${CLANG_CXX:-clang++}
flags=(-std=c++20 -pedantic-errors -Wall -Wextra -Werror -I"$src/src")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

status=0
compile() {
    local file=$1; shift
    if ! "$clang" "${flags[@]}" "$@" -c "$file" -o "$out/$(basename "$file").o"; then
        echo "not strict ISO C++20: $file" >&2
        status=1
    fi
}

for file in "$src"/src/platform/automation/*.cpp "$src"/src/platform/automation/remote/FrameCodec.cpp; do
    compile "$file"
done

mingw=/usr/lib/gcc/x86_64-w64-mingw32
version=$(ls "$mingw" 2>/dev/null | grep -- '-posix$' | sort -V | tail -n 1 || true)
if [ -n "$version" ]; then
    for file in "$src"/src/platform/automation/com/*.cpp; do
        compile "$file" --target=x86_64-w64-mingw32 \
            -isystem "$mingw/$version/include/c++" -isystem "$mingw/$version/include/c++/x86_64-w64-mingw32" \
            -isystem /usr/x86_64-w64-mingw32/include
    done
else
    echo "no MinGW-w64 headers: the COM backend was not compiled" >&2
    status=1
fi
exit $status
