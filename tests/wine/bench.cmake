# The Windows tests: the layers without a toolkit, cross-built and run by CTest
# under wine (the toolchain's emulator) in the build tree's own prefix. The
# fixture WineBench keeps one wineserver up for the whole run (a wine start then
# costs tens of milliseconds instead of seconds) and lends the tests the Linux
# simulator on COM ports (bench.sh, sim_ctl.sh).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The simulator the bench lends out; a small native build of it is made when none is named.
set(TOLVANE_NATIVE_SIM "" CACHE FILEPATH "A Linux tolvane-sim for the Windows tests")
set(bench ${CMAKE_BINARY_DIR}/simbench)
set(bench_sh ${CMAKE_CURRENT_SOURCE_DIR}/wine/bench.sh)
add_test(NAME WineBench.Start
  COMMAND sh ${bench_sh} start ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR} "${TOLVANE_NATIVE_SIM}")
add_test(NAME WineBench.Stop COMMAND sh ${bench_sh} stop ${CMAKE_BINARY_DIR})
set_tests_properties(WineBench.Start PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
set_tests_properties(WineBench.Stop PROPERTIES FIXTURES_CLEANUP wine)

add_library(tolvane_testkit STATIC support/sim_process.cpp support/win32_sim_process.cpp support/recorders.cpp
  support/fresh_state.cpp)
target_include_directories(tolvane_testkit PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tolvane_testkit PUBLIC tolvane_models GTest::gtest GTest::gmock)

function(tolvane_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tolvane_testkit GTest::gtest)
  target_sources(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/test_main.cpp)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED wine
    ENVIRONMENT "TOLVANE_SIM_BENCH=${bench}")
endfunction()

include(GoogleTest)
tolvane_test(core_test core/artwork_test.cpp core/message_rule_test.cpp core/decimal_test.cpp core/comm_settings_test.cpp
  core/ini_text_test.cpp)
tolvane_test(link_test link/serial_link_test.cpp link/win32_backend_test.cpp)
tolvane_test(modbus_test modbus/framing_test.cpp modbus/requests_test.cpp modbus/reply_end_test.cpp)
tolvane_test(device_test device/parameter_block_test.cpp)
tolvane_test(models_test models/main_model_test.cpp models/commands_test.cpp models/com_set_model_test.cpp
  models/parameter_file_test.cpp)
tolvane_test(models_workers_test models/workers_test.cpp)
tolvane_test(monitor_test models/traffic_monitor_test.cpp)
# tolvanectl.exe as a process against the simulator. Its profile is the prefix's
# one registry key, which the platform tests' profile case writes too.
add_executable(ctl_test ctl/ctl_test.cpp ctl/ctl_process.cpp ctl/win32_ctl_process.cpp ctl/ctl_options_test.cpp
  support/test_main.cpp)
target_link_libraries(ctl_test PRIVATE tolvane_testkit tolvane_ctl tolvane_version GTest::gtest)
target_compile_definitions(ctl_test PRIVATE TOLVANE_CTL_PATH="Z:$<TARGET_FILE:tolvanectl>")
add_dependencies(ctl_test tolvanectl)
gtest_discover_tests(ctl_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED wine RESOURCE_LOCK user_profile
  ENVIRONMENT "TOLVANE_SIM_BENCH=${bench}")

# The Windows side of the platform layer against the system itself.
add_executable(win32_platform_test platform/win32_platform_test.cpp)
target_link_libraries(win32_platform_test PRIVATE tolvane_platform gtest_main)
gtest_discover_tests(win32_platform_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 120
  FIXTURES_REQUIRED wine RESOURCE_LOCK user_profile)

# The Win32 window's wiring, on the bench's virtual display.
add_executable(winui_test winui/winui_test.cpp winui/winui_monitor_test.cpp)
# The sample parameter file the Linux window saved, as a Linux path (wine's drive Z:).
target_compile_definitions(winui_test PRIVATE TOLVANE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
target_link_libraries(winui_test PRIVATE tolvane_winui tolvane_version tolvane_testkit gtest_main)
add_test(NAME WinUi.Wiring COMMAND sh ${bench_sh} run ${CMAKE_BINARY_DIR}
         ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:winui_test>)
set_tests_properties(WinUi.Wiring PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED wine
  ENVIRONMENT "TOLVANE_SIM_BENCH=${bench}")

list(LENGTH TOLVANE_GUIDE_PICTURES picture_count)
# The per-user installer, installed, run, upgraded and removed in a wine prefix
# of its own (installer_test.sh); the probe drives the installed window from outside.
if(TARGET windows_msi)
  add_executable(installer_probe wine/installer_probe.cpp)
  target_link_libraries(installer_probe PRIVATE tolvane_winui msi version)
  target_link_options(installer_probe PRIVATE -municode)
  add_dependencies(installer_probe windows_msi)
  add_test(NAME Installer.InstallsRunsUpgradesAndUninstalls
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wine/installer_test.sh ${CMAKE_BINARY_DIR} ${TOLVANE_MSI}
            $<TARGET_FILE:installer_probe> ${TOLVANE_NATIVE_SIM} ${PROJECT_SOURCE_DIR} ${TOLVANE_FILE_VERSION}
            ${picture_count} ${TOLVANE_WIXL} ${TOLVANE_MSIBUILD})
  set_tests_properties(Installer.InstallsRunsUpgradesAndUninstalls PROPERTIES TIMEOUT 300)
endif()
# Each user guide of the zip holds every picture of the list (TOLVANE_GUIDE_PICTURES);
# the installer's, as installed, are checked by its test.
if(guides)
  add_test(NAME UserGuides.WindowsZipHoldsThePictures
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/guide_pictures_check.sh ${picture_count} ${CMAKE_BINARY_DIR}/${zip_name}.zip)
endif()
