# Win32 (tier 2) and end-to-end (tier 3) tests, cross-built for win64 and run under Wine 64.
#
# The fixture "wine" (tests/wine/winenv.sh) gives every test of both tiers a private Xvfb, a
# private WINEPREFIX in ${CMAKE_BINARY_DIR}/wine/prefix (a copy of the run's prepared prefix,
# fixture "wineprefix") and a persistent wineserver; it is torn
# down by the cleanup test, also when tests fail or time out. Tests are listed at ctest time
# (DISCOVERY_MODE PRE_TEST), so building needs no Wine; the listing runs before the fixture,
# in a display-less listing prefix of its own (tests/wine/emulator.sh).

set(KESTROVA_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(KESTROVA_WINE_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/wine)
# Every test program of this directory runs through the emulator.
set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTROVA_WINE_SCRIPTS}/emulator.sh ${KESTROVA_WINE_DIR})

# The fixture "wineprefix": one prefix prepared per run (created, warmed, its registry set),
# which every Wine environment of the run copies instead of building its own.
set(KESTROVA_WINE_TEMPLATE ${KESTROVA_WINE_DIR}/template)
add_test(NAME wine.prepare
  COMMAND bash ${KESTROVA_WINE_SCRIPTS}/winenv.sh prepare ${KESTROVA_WINE_TEMPLATE})
add_test(NAME wine.unprepare
  COMMAND bash ${KESTROVA_WINE_SCRIPTS}/winenv.sh unprepare ${KESTROVA_WINE_TEMPLATE})
set_tests_properties(wine.prepare PROPERTIES FIXTURES_SETUP wineprefix TIMEOUT 300)
set_tests_properties(wine.unprepare PROPERTIES FIXTURES_CLEANUP wineprefix TIMEOUT 60)

add_test(NAME wine.start COMMAND bash ${KESTROVA_WINE_SCRIPTS}/winenv.sh start ${KESTROVA_WINE_DIR})
add_test(NAME wine.stop COMMAND bash ${KESTROVA_WINE_SCRIPTS}/winenv.sh stop ${KESTROVA_WINE_DIR})
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine FIXTURES_REQUIRED wineprefix
  TIMEOUT 300 ENVIRONMENT KESTROVA_WINE_TEMPLATE=${KESTROVA_WINE_TEMPLATE})
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine FIXTURES_REQUIRED wineprefix
  TIMEOUT 120)

# Properties of every test that runs a Windows program on the private desktop. The lock keeps
# them one at a time: they share one screen, one mouse and one keyboard.
set(kestrova_wine_test_properties
  FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop TIMEOUT 90)

# Console programs of our own that stand in for system commands (a ping that sends nothing).
add_subdirectory(fixtures)

# --- Tier 2: the platform layer against the real (Wine) API -------------------------------
file(GLOB platform_test_sources CONFIGURE_DEPENDS platform/*_test.cpp)
# With the program's resources (pictures, icon), which the drawing tests load from the module.
add_executable(kestrova_platform_tests ${platform_test_sources} ${PROJECT_SOURCE_DIR}/assets/kestrova.rc)
target_include_directories(kestrova_platform_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kestrova_platform_tests PRIVATE
  kestrova_win kestrova_warnings uxtheme GTest::gmock GTest::gtest_main)
# The manifest test reads the program's exe file.
target_compile_definitions(kestrova_platform_tests PRIVATE KESTROVA_EXE="$<TARGET_FILE:Kestrova>")
add_dependencies(kestrova_platform_tests kestrova_fixture_ping kestrova_fixture_iphlpapi Kestrova)
gtest_discover_tests(kestrova_platform_tests
  TEST_PREFIX "win32."
  DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 180
  PROPERTIES ${kestrova_wine_test_properties})

# --- Tier 3: end to end, a driver of our own against the real Kestrova.exe -----------------
add_subdirectory(e2e)
