# A part written once for Windows and once for the rest (POSIX) keeps one
# header and two sources, <part>_win.cpp and <part>_posix.cpp, beside each
# other; the target takes the platform's own.
function(vedoris_platform_sources target)
  if(WIN32)
    set(_suffix _win.cpp)
  else()
    set(_suffix _posix.cpp)
  endif()
  foreach(_part ${ARGN})
    target_sources(${target} PRIVATE ${_part}${_suffix})
  endforeach()
endfunction()
