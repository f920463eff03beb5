# The Windows suites, built for Windows. Helpers that need no Qt are linked
# statically: COM starts the test server from its LocalServer32 key, and the
# probes run anywhere in a Wine prefix, without DLLs on the path.
set(_self_contained $<$<CXX_COMPILER_ID:GNU>:-static>)

# --- the test COM server ----------------------------------------------------
add_library(vedoris_com_test_object STATIC
  server/ComTestIds.h
  server/ComTestObject.h
  server/ComTestObject.cpp
  server/ComTestMembers.h
  server/ComTestMembers.cpp
  server/ComTestVariant.h
  server/ComTestVariant.cpp)
target_include_directories(vedoris_com_test_object PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/server)
target_link_libraries(vedoris_com_test_object PUBLIC ole32 oleaut32 uuid)
set_target_properties(vedoris_com_test_object PROPERTIES AUTOMOC OFF AUTOUIC OFF)

add_executable(vedoris_com_test_server server/ComTestServerMain.cpp)
target_link_libraries(vedoris_com_test_server PRIVATE vedoris_com_test_object shell32 user32)
target_link_options(vedoris_com_test_server PRIVATE ${_self_contained})

# --- the suites --------------------------------------------------------------
add_library(vedoris_win_test_main STATIC support/WinTestMain.cpp)
target_link_libraries(vedoris_win_test_main PUBLIC vedoris_automation_com GTest::gtest)
set_target_properties(vedoris_win_test_main PROPERTIES AUTOMOC OFF AUTOUIC OFF)

add_executable(vedoris_win_automation_tests
  automation/ComFixture.h
  automation/ComFixture.cpp
  automation/ComVariant_test.cpp
  automation/ComDispatch_test.cpp
  automation/ComObjects_test.cpp
  automation/Publish_test.cpp
  automation/ServerRegistry_test.cpp
  automation/UnansweredCall_test.cpp)
target_link_libraries(vedoris_win_automation_tests PRIVATE
  vedoris_automation_com vedoris_automation_publish vedoris_com_test_object vedoris_win_test_main)
target_link_options(vedoris_win_automation_tests PRIVATE ${_self_contained})
set_target_properties(vedoris_win_automation_tests PROPERTIES AUTOMOC OFF AUTOUIC OFF)
add_dependencies(vedoris_win_automation_tests vedoris_com_test_server)

# The walker as the CAD loads it (the DLL beside the suite), fuzzed with a
# hostile CAD's answers, and the VARIANT conversion's limits.
add_executable(vedoris_win_walker_tests
  walker/HostileCad.h
  walker/HostileCad.cpp
  walker/WalkerFuzz_test.cpp)
target_link_libraries(vedoris_win_walker_tests PRIVATE vedoris_walk vedoris_automation_com vedoris_win_test_main)
target_link_options(vedoris_win_walker_tests PRIVATE ${_self_contained})
set_target_properties(vedoris_win_walker_tests PROPERTIES AUTOMOC OFF AUTOUIC OFF)
add_dependencies(vedoris_win_walker_tests vedoris_walker)

# The OS layer's Windows files, with Qt's strings: the Qt DLLs must be on the path.
add_executable(vedoris_win_os_tests
  os/FolderSafety_test.cpp
  os/Win32Services_test.cpp
  os/Win32WindowSystem_test.cpp)
target_link_libraries(vedoris_win_os_tests PRIVATE vedoris_os vedoris_win_test_main advapi32)
set_target_properties(vedoris_win_os_tests PROPERTIES AUTOMOC OFF AUTOUIC OFF)

# The CAD simulator's object model, cadsim.exe's core: on Windows it holds
# the drawing files it has open by their share modes. Its tests are the
# Linux build's own, and how COM numbers the members of what it serves.
set(_cadsim_tests ${PROJECT_SOURCE_DIR}/tests/tools/cadsim/model)
add_executable(vedoris_win_cadsim_tests
  ${_cadsim_tests}/CadPersonality_test.cpp
  ${_cadsim_tests}/CommandLine_test.cpp
  ${_cadsim_tests}/Drawing_test.cpp
  ${_cadsim_tests}/DrawingReader_test.cpp
  ${_cadsim_tests}/GetXData_test.cpp
  ${_cadsim_tests}/InterfaceObjects_test.cpp
  ${_cadsim_tests}/Members_test.cpp
  ${_cadsim_tests}/ObjectIdentity_test.cpp
  ${_cadsim_tests}/OpenDocuments_test.cpp
  ${_cadsim_tests}/Options_test.cpp
  ${_cadsim_tests}/SendCommand_test.cpp
  cadsim/StateDispatchIds_test.cpp)
target_include_directories(vedoris_win_cadsim_tests PRIVATE ${_cadsim_tests} ${PROJECT_SOURCE_DIR}/tools)
target_link_libraries(vedoris_win_cadsim_tests PRIVATE cadsim_model vedoris_win_test_main Qt6::Core)
set_target_properties(vedoris_win_cadsim_tests PROPERTIES AUTOMOC OFF AUTOUIC OFF)

# A program that only leaves a mark beside itself: what the shell test opens.
add_executable(vedoris_shell_probe os/ShellProbeMain.cpp)
target_link_options(vedoris_shell_probe PRIVATE ${_self_contained})
add_dependencies(vedoris_win_os_tests vedoris_shell_probe)

# What the end-to-end test asks the running programs: the CAD's selection
# through COM, the clipboard's text.
add_executable(vedoris_wine_probe e2e/Probe.cpp)
target_link_libraries(vedoris_wine_probe PRIVATE vedoris_automation_com user32)
target_link_options(vedoris_wine_probe PRIVATE ${_self_contained})
set_target_properties(vedoris_wine_probe PROPERTIES AUTOMOC OFF AUTOUIC OFF)
# Which CAD of the program's table the attach finds running: linked with the
# program's CAD link, so Qt's core DLL must be on its path.
add_executable(vedoris_wine_attach e2e/AttachProbe.cpp)
target_link_libraries(vedoris_wine_attach PRIVATE vedoris_cad vedoris_automation_com shell32)
set_target_properties(vedoris_wine_attach PROPERTIES AUTOMOC OFF AUTOUIC OFF)

# On Windows itself CTest runs the suites; the test server's class must be
# registered first (windows/README.md). Cross-built, the Linux build runs
# them under Wine instead.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME windows.automation_tests COMMAND vedoris_win_automation_tests)
  add_test(NAME windows.os_tests COMMAND vedoris_win_os_tests)
  add_test(NAME windows.walker_tests COMMAND vedoris_win_walker_tests)
  add_test(NAME windows.cadsim_tests COMMAND vedoris_win_cadsim_tests)
endif()
