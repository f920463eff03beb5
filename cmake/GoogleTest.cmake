# GoogleTest: the installed package where there is one (Debian, MSYS2,
# vcpkg); for a cross build, Debian's sources (/usr/src/googletest) compiled
# with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(VEDORIS_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for a cross build")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VEDORIS_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
  endif()
else()
  if(MSVC)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  endif()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
