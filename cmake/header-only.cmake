# Header-only libraries from Debian (nlohmann-json, CLI11). Their include directory is the
# host's /usr/include, which must not reach the MinGW compiler in the Windows cross build:
# there only the library's own folder (FOLDER) is made visible, through a link in the build
# tree. PACKAGE::PACKAGE is the library's CMake target elsewhere.
function(tvx_use_header_only target package folder)
    if(CMAKE_CROSSCOMPILING)
        find_path(TVX_${folder}_INCLUDE ${folder} PATHS /usr/include NO_DEFAULT_PATH
                  NO_CMAKE_FIND_ROOT_PATH REQUIRED)
        set(shim ${CMAKE_BINARY_DIR}/header-only/${folder})
        if(NOT EXISTS ${shim}/${folder})
            file(MAKE_DIRECTORY ${shim})
            file(CREATE_LINK ${TVX_${folder}_INCLUDE}/${folder} ${shim}/${folder} SYMBOLIC)
        endif()
        target_include_directories(${target} SYSTEM PRIVATE ${shim})
    else()
        find_package(${package} CONFIG REQUIRED)
        target_link_libraries(${target} PRIVATE ${package}::${package})
    endif()
endfunction()
