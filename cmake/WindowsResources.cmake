# vedoris_windows_resources(<target> DESCRIPTION <text> [ICON <ico>]) gives a
# Windows program its version resource (windows/VersionInfo.rc.in), and its
# icon when one is named. Elsewhere it does nothing: the version lives in
# the About box there, and the icon in the program's Qt resources.
if(WIN32)
  enable_language(RC)
endif()

function(vedoris_windows_resources target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "DESCRIPTION;ICON" "" ${ARGN})
  set(VEDORIS_RC_NAME ${target})
  set(VEDORIS_RC_DESCRIPTION "${ARG_DESCRIPTION}")
  if(ARG_ICON)
    # The first icon of an executable is the one the shell shows for it.
    set(VEDORIS_RC_ICON "1 ICON \"${ARG_ICON}\"")
  else()
    set(VEDORIS_RC_ICON "")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
  configure_file(${PROJECT_SOURCE_DIR}/windows/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(ARG_ICON)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ARG_ICON})
    add_dependencies(${target} vedoris_icon_ico)
  endif()
endfunction()
