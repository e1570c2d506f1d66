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
