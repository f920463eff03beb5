# The Windows side of the suite, run by the Linux build's CTest: the project
# cross-built with the MinGW SDK (VEDORIS_MINGW_SDK, see windows/README.md),
# its package laid out, and the Windows suites and the packaged program run
# under Wine. Everything lives in <build>/windows. Without an SDK each test
# says "skipped: no MinGW SDK (see windows/README.md)".
set(_harness ${CMAKE_CURRENT_SOURCE_DIR}/wine-harness.sh)
set(_work ${CMAKE_BINARY_DIR}/windows)

function(vedoris_wine_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "COMMAND;SETUP;REQUIRES" ${ARGN})
  add_test(NAME windows.${name} COMMAND bash ${_harness} ${ARG_COMMAND})
  # Wine's programs share one wineserver per prefix and the machine's two
  # cores: one Windows test at a time.
  set_tests_properties(windows.${name} PROPERTIES
    ENVIRONMENT "VEDORIS_SOURCE_DIR=${PROJECT_SOURCE_DIR};VEDORIS_WINDOWS_WORK=${_work}"
    SKIP_RETURN_CODE 77
    TIMEOUT ${ARG_TIMEOUT}
    RESOURCE_LOCK vedoris_wine)
  if(ARG_SETUP)
    set_tests_properties(windows.${name} PROPERTIES FIXTURES_SETUP "${ARG_SETUP}")
  endif()
  if(ARG_REQUIRES)
    set_tests_properties(windows.${name} PROPERTIES FIXTURES_REQUIRED "${ARG_REQUIRES}")
  endif()
endfunction()

# A cold build compiles the whole program and GoogleTest; the machine may be
# busy. It is the longest test by far: started first, it runs beside the
# Linux suites instead of after them.
vedoris_wine_test(build COMMAND build SETUP windows_build TIMEOUT 2700)
set_tests_properties(windows.build PROPERTIES COST 100000)
vedoris_wine_test(package COMMAND package SETUP windows_package REQUIRES windows_build TIMEOUT 300)
# The program once more as the next version, for the installer's upgrade: a
# second build, of the program and its walker alone.
vedoris_wine_test(upgrade_build COMMAND build-upgrade SETUP windows_upgrade_build REQUIRES windows_build TIMEOUT 2700)
vedoris_wine_test(wine_prefix COMMAND prefix SETUP wine_prefix REQUIRES windows_build TIMEOUT 600)

foreach(_suite automation os walker cadsim)
  vedoris_wine_test(${_suite}_tests
    COMMAND run ${_work}/build/bin/vedoris_win_${_suite}_tests.exe
    REQUIRES "windows_build;wine_prefix"
    TIMEOUT 600)
endforeach()

vedoris_wine_test(package_starts COMMAND package-starts REQUIRES windows_package TIMEOUT 600)
vedoris_wine_test(installer COMMAND installer REQUIRES "windows_build;windows_package;windows_upgrade_build"
  TIMEOUT 900)
vedoris_wine_test(end_to_end COMMAND end-to-end REQUIRES "windows_build;windows_package" TIMEOUT 1200)
vedoris_wine_test(cad_names COMMAND cad-names REQUIRES "windows_build;windows_package" TIMEOUT 600)
