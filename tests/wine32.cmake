# The 32-bit tier: the Win32 tests and the end-to-end driver built with the i686 toolchain,
# run against build/win32/Kestrova.exe itself under Debian's 32-bit Wine, which qemu's
# user-mode emulator executes (scripts/i386-runtime.sh installs both into the build tree).
#
# The fixture "wine32" (tests/wine32/runtime.sh) registers the binfmt_misc entry for i386 ELF
# files, gives the tier a private Xvfb and a win32 prefix in ${CMAKE_BINARY_DIR}/wine32, and
# undoes all of it in its cleanup test. The tests are listed here, not discovered: a listing
# under emulation would need a Wine of its own before the fixture exists. Names: "win32rt."
# for the Win32 tier, "e2e32." for the end-to-end tests, so that -R/-E pick the tier.

set(KESTROVA_WINE32_DIR ${CMAKE_BINARY_DIR}/wine32)
set(KESTROVA_WINE32_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/wine32)
set(kestrova_run32 bash ${KESTROVA_WINE32_SCRIPTS}/emulator32.sh ${KESTROVA_WINE32_DIR})

add_test(NAME win32rt.start
  COMMAND bash ${KESTROVA_WINE32_SCRIPTS}/runtime.sh start ${KESTROVA_WINE32_DIR})
add_test(NAME win32rt.stop
  COMMAND bash ${KESTROVA_WINE32_SCRIPTS}/runtime.sh stop ${KESTROVA_WINE32_DIR})
set_tests_properties(win32rt.start PROPERTIES FIXTURES_SETUP wine32 TIMEOUT 400
  RESOURCE_LOCK wine_desktop)
set_tests_properties(win32rt.stop PROPERTIES FIXTURES_CLEANUP wine32 TIMEOUT 120)
# One at a time with every other Wine test (the fixture's start, a win32 prefix made under
# emulation, too): the emulator's load must not meet another tier's timing-sensitive tests.
set(kestrova_wine32_test_properties
  FIXTURES_REQUIRED wine32 RESOURCE_LOCK wine_desktop TIMEOUT 600)

add_subdirectory(fixtures)

# --- The Win32 tier (i686) -------------------------------------------------------------------
file(GLOB platform_test_sources CONFIGURE_DEPENDS platform/*_test.cpp)
add_executable(kestrova_platform_tests ${platform_test_sources} ${PROJECT_SOURCE_DIR}/assets/kestrova.rc)
target_include_directories(kestrova_platform_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kestrova_platform_tests PRIVATE
  kestrova_win kestrova_warnings uxtheme GTest::gmock GTest::gtest_main)
target_compile_definitions(kestrova_platform_tests PRIVATE KESTROVA_EXE="$<TARGET_FILE:Kestrova>")
add_dependencies(kestrova_platform_tests kestrova_fixture_ping kestrova_fixture_iphlpapi Kestrova)
add_test(NAME win32rt.platform COMMAND ${kestrova_run32} $<TARGET_FILE:kestrova_platform_tests>)
set_tests_properties(win32rt.platform PROPERTIES ${kestrova_wine32_test_properties})

# --- End to end (i686 driver against the release exe) ----------------------------------------
add_library(kestrova_e2e_harness STATIC e2e/harness.cpp)
target_include_directories(kestrova_e2e_harness PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
target_link_libraries(kestrova_e2e_harness PUBLIC kestrova_win user32 gdi32 GTest::gtest)
target_link_libraries(kestrova_e2e_harness PRIVATE kestrova_warnings)
target_compile_definitions(kestrova_e2e_harness PRIVATE KESTROVA_EXE="$<TARGET_FILE:Kestrova>"
  KESTROVA_FIXTURES="$<TARGET_FILE_DIR:kestrova_fixture_ping>")
add_dependencies(kestrova_e2e_harness Kestrova kestrova_fixture_ping kestrova_fixture_iphlpapi)

file(GLOB e2e_test_sources CONFIGURE_DEPENDS e2e/*_test.cpp)
add_executable(kestrova_e2e_tests ${e2e_test_sources})
target_link_libraries(kestrova_e2e_tests PRIVATE kestrova_e2e_harness kestrova_warnings GTest::gtest_main)

# One ctest test per suite file, each with the filter of its main paths: under emulation every
# start of the program costs seconds, so the rarer paths stay with the 64-bit tier.
include(${CMAKE_CURRENT_SOURCE_DIR}/wine32/e2e_filters.cmake)
foreach(suite IN LISTS kestrova_e2e32_suites)
  add_test(NAME e2e32.zh_CN.${suite}
    COMMAND ${kestrova_run32} $<TARGET_FILE:kestrova_e2e_tests>
            --gtest_filter=${kestrova_e2e32_filter_${suite}})
  set_tests_properties(e2e32.zh_CN.${suite} PROPERTIES ${kestrova_wine32_test_properties}
    ENVIRONMENT KESTROVA_LANG=zh_CN.UTF-8)
endforeach()

# Traffic on row 2: the whole 32-bit Wine inside network namespaces of the test's own, with
# names and addresses of its own (the 64-bit tier's are kestrova-mon-*, 10.201.0.x).
add_executable(kestrova_netns_driver e2e/netns_traffic.cpp)
target_link_libraries(kestrova_netns_driver PRIVATE kestrova_e2e_harness kestrova_warnings ws2_32
  GTest::gtest_main)
set(kestrova_netns32_env
  KESTROVA_NS_A=kestrova-w32-a KESTROVA_NS_B=kestrova-w32-b
  KESTROVA_NS_ADDR_A=10.202.0.1 KESTROVA_NS_ADDR_B=10.202.0.2
  KESTROVA_WINENV=${KESTROVA_WINE32_SCRIPTS}/runtime.sh KESTROVA_WINE32_BINFMT=0 KESTROVA_DRIVER_TIMEOUT=400
  KESTROVA_EMULATOR=${KESTROVA_WINE32_SCRIPTS}/emulator32.sh)
add_test(NAME e2e32.netns.TrafficReadoutsFollowTheVeth
  COMMAND ${CMAKE_COMMAND} -E env ${kestrova_netns32_env}
          bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/netns_monitor.sh
          $<TARGET_FILE:kestrova_netns_driver> ${KESTROVA_WINE32_DIR}/netns-monitor)
add_test(NAME e2e32.netns.cleanup
  COMMAND ${CMAKE_COMMAND} -E env ${kestrova_netns32_env}
          bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/netns_monitor.sh --cleanup ${KESTROVA_WINE32_DIR}/netns-monitor)
set_tests_properties(e2e32.netns.TrafficReadoutsFollowTheVeth PROPERTIES
  TIMEOUT 600 FIXTURES_REQUIRED "wine32;netns32" RESOURCE_LOCK "wine_desktop;netns32" SKIP_RETURN_CODE 77)
set_tests_properties(e2e32.netns.cleanup PROPERTIES FIXTURES_CLEANUP netns32 TIMEOUT 60)

# The release exe's size, section by section, against its limit.
add_test(NAME win32rt.ExeSize
  COMMAND bash ${KESTROVA_WINE32_SCRIPTS}/exe_size.sh $<TARGET_FILE:Kestrova> 327680)
