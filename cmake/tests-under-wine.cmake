# Tests of the Windows cross build, run under Wine.
#
# GoogleTest is built from Debian's sources (package googletest) with the cross compiler; its
# own project names the targets GTest::gtest, GTest::gtest_main and GTest::gmock. Wine
# takes seconds to start a process, so each test executable is one CTest test that runs all
# of its cases at once, instead of one process per case as gtest_discover_tests does.
set(TVX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
set(TVX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix the tests run in")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TVX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Test executables start through Wine, quietly and without a display.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
endif()

# Stands in for GoogleTest's function of the same name in this build: one test per executable,
# its results also written as XML into test-results/ (the Windows test counts are summed
# from them). A relative name, since a POSIX absolute path is no absolute path on Windows.
set(TVX_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)
file(MAKE_DIRECTORY ${TVX_TEST_RESULTS})
function(gtest_discover_tests target)
    add_test(NAME ${target} COMMAND ${target} --gtest_output=xml:${target}.xml
             WORKING_DIRECTORY ${TVX_TEST_RESULTS})
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "WINEPREFIX=${TVX_WINE_PREFIX}")
endfunction()
