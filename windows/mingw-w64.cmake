# Cross-compiling for 64-bit Windows with MinGW-w64 on Debian. The -posix
# variant of the compilers is the one with std::thread and std::mutex, and the
# thread model the SDK's DLLs (Qt, libstdc++-6.dll) are built with.
#
# Give the MinGW SDK (Qt, SQLite, libxlsxwriter for Windows) as the prefix:
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=$PWD/windows/mingw-w64.cmake -DCMAKE_PREFIX_PATH=<sdk>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

# Libraries, headers and CMake packages come from the MinGW root and from the
# SDK only; programs (moc, sqlite3, pkg-config) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's cross build runs the host's own moc, uic and rcc of the same version
# (Debian's qt6-base-dev-tools).
if(NOT DEFINED QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Host Qt for moc, uic and rcc")
endif()
if(NOT DEFINED QT_HOST_PATH_CMAKE_DIR AND EXISTS /usr/lib/x86_64-linux-gnu/cmake/Qt6)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt's CMake packages")
endif()

# pkg-config must see the SDK's .pc files and never the host's own.
set(_pkgconfig_dirs "")
foreach(_prefix IN LISTS CMAKE_PREFIX_PATH)
  if(EXISTS "${_prefix}/lib/pkgconfig")
    list(APPEND _pkgconfig_dirs "${_prefix}/lib/pkgconfig")
  endif()
endforeach()
if(_pkgconfig_dirs)
  string(REPLACE ";" ":" _pkgconfig_dirs "${_pkgconfig_dirs}")
  set(ENV{PKG_CONFIG_LIBDIR} "${_pkgconfig_dirs}")
  unset(ENV{PKG_CONFIG_PATH})
endif()
