# Helpers for the parts' CMakeLists.

# Links TARGET privately to PART where PART is built (an optional part: the record, sync, the
# report's PDF and pictures) and tells the code so: TVX_HAVE_<FLAG>=1.
function(tvx_link_optional target part flag)
    if(TARGET ${part})
        target_link_libraries(${target} PRIVATE ${part})
        target_compile_definitions(${target} PRIVATE TVX_HAVE_${flag}=1)
    endif()
endfunction()

# The sources of TARGET that differ by platform: WINDOWS <files> on Windows, POSIX <files>
# elsewhere.
function(tvx_platform_sources target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "WINDOWS;POSIX")
    if(WIN32)
        target_sources(${target} PRIVATE ${arg_WINDOWS})
    else()
        target_sources(${target} PRIVATE ${arg_POSIX})
    endif()
endfunction()

# One of the program's own static libraries below src/: SOURCES, the libraries it links
# PUBLIC and PRIVATE; its users include from src/, and it builds with the project's warnings.
function(tvx_add_library target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;PUBLIC;PRIVATE")
    add_library(${target} STATIC ${arg_SOURCES})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE} tvx_warnings)
endfunction()

# Finds PACKAGE; where it is not found, says that the build goes without WHAT (naming the
# package as LABEL) and leaves the calling CMakeLists.txt: a macro, so that its return() does.
macro(tvx_require_package package label what)
    find_package(${package})
    if(NOT ${package}_FOUND)
        message(STATUS "${label} not found: building without ${what}")
        return()
    endif()
endmacro()
