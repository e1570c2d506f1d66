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

# With Qt (the windows-qt-cross preset) the test programs find Qt's DLLs and the MinGW
# runtime DLLs through Wine's search path (scripts/wine-run.sh), Qt's plugins beside Qt.
set(TVX_WINE_DLL_DIRS "")
if(TARGET Qt6::Core)
    get_target_property(tvx_qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
    get_filename_component(tvx_qt_bin "${tvx_qt_core}" DIRECTORY)
    set(TVX_WINE_DLL_DIRS "${tvx_qt_bin}")
    foreach(dll libstdc++-6.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        get_filename_component(dir "${path}" DIRECTORY)
        file(REAL_PATH "${dir}" dir)
        string(APPEND TVX_WINE_DLL_DIRS ":${dir}")
    endforeach()
endif()
# libpq's DLLs (and OpenSSL's beside them), where the prefix has them.
include(${PROJECT_SOURCE_DIR}/cmake/windows-libpq.cmake)
if(TVX_LIBPQ_DLLS)
    list(GET TVX_LIBPQ_DLLS 0 dll)
    get_filename_component(dir "${dll}" DIRECTORY)
    file(REAL_PATH "${dir}" dir)
    if(TVX_WINE_DLL_DIRS)
        string(APPEND TVX_WINE_DLL_DIRS ":")
    endif()
    string(APPEND TVX_WINE_DLL_DIRS "${dir}")
endif()

# Stands in for GoogleTest's function of the same name in this build: one test per executable,
# its results also written as XML into test-results/ (the Windows test counts are summed
# from them). A relative name, since a POSIX absolute path is no absolute path on Windows.
# The ENVIRONMENT given with PROPERTIES is kept.
set(TVX_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)
file(MAKE_DIRECTORY ${TVX_TEST_RESULTS})
function(gtest_discover_tests target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "NO_PRETTY_VALUES" "" "PROPERTIES")
    set(environment "WINEPREFIX=${TVX_WINE_PREFIX}" "TVX_WINE_DLL_DIRS=${TVX_WINE_DLL_DIRS}")
    list(FIND arg_PROPERTIES ENVIRONMENT at)
    if(at GREATER -1)
        math(EXPR at "${at} + 1")
        list(GET arg_PROPERTIES ${at} extra)
        list(APPEND environment "${extra}")
    endif()
    add_test(NAME ${target} COMMAND ${target} --gtest_output=xml:${target}.xml
             WORKING_DIRECTORY ${TVX_TEST_RESULTS})
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "${environment}")
endfunction()

# The HTML report's tests read it back with libxml2, which scripts/windows-deps.sh builds as
# a static library for the tests only.
find_package(LibXml2 QUIET)
if(TARGET LibXml2::LibXml2)
    set_property(TARGET LibXml2::LibXml2 APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS LIBXML_STATIC)
endif()
