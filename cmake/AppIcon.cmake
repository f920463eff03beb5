# The application icon is drawn once, as an SVG, and rendered at build time
# into the sizes desktops ask for: PNGs compiled into the program as a Qt
# resource (":/icons/vedoris-<size>.png", the window icon on every platform)
# and a Windows .ico for the executable's own resources (Explorer, the task
# bar, the installer's entry). rsvg-convert (librsvg2-bin) and icotool
# (icoutils) do the rendering; scripts/install-deps installs both.
find_program(VEDORIS_RSVG_CONVERT rsvg-convert)
find_program(VEDORIS_ICOTOOL icotool)

set(VEDORIS_ICON_SIZES 16 24 32 48 64 128 256)

# vedoris_app_icon(<target> <svg>): renders <svg> and adds the PNGs to
# <target> as resources. On Windows it also writes <build>/installer/vedoris.ico
# (target vedoris_icon_ico), for the executable and the installer, and sets
# VEDORIS_ICON_ICO to it.
function(vedoris_app_icon target svg)
  if(NOT VEDORIS_RSVG_CONVERT)
    message(FATAL_ERROR "The application icon needs rsvg-convert (librsvg2-bin); scripts/install-deps installs it")
  endif()
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/icons)
  set(pngs "")
  foreach(size IN LISTS VEDORIS_ICON_SIZES)
    set(png ${folder}/vedoris-${size}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${VEDORIS_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${svg}
      DEPENDS ${svg}
      COMMENT "Rendering the application icon at ${size} px"
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  qt_add_resources(${target} vedoris_icons PREFIX /icons BASE ${folder} FILES ${pngs})
  if(NOT WIN32)
    return()
  endif()
  if(NOT VEDORIS_ICOTOOL)
    message(FATAL_ERROR "The Windows icon needs icotool (icoutils); scripts/install-deps installs it")
  endif()
  # The largest size goes into the .ico as PNG data, as Windows (Vista on)
  # reads it; the smaller ones as bitmaps, which every reader takes.
  set(bitmaps ${pngs})
  list(FILTER bitmaps EXCLUDE REGEX "-256\\.png$")
  set(ico ${CMAKE_BINARY_DIR}/installer/vedoris.ico)
  add_custom_command(OUTPUT ${ico}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
    COMMAND ${VEDORIS_ICOTOOL} --create --output=${ico} ${bitmaps} --raw=${folder}/vedoris-256.png
    DEPENDS ${pngs}
    COMMENT "Writing the application icon for Windows"
    VERBATIM)
  add_custom_target(vedoris_icon_ico DEPENDS ${ico})
  set(VEDORIS_ICON_ICO ${ico} PARENT_SCOPE)
endfunction()
