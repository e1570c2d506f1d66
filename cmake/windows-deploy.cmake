# The window's Windows folder from the MinGW Qt that scripts/windows-deps.sh builds (the
# windows-qt-cross preset), without windeployqt: Qt's DLLs beside the programs, the plugins
# in the folders Qt looks for beside the program, the MinGW runtime DLLs (the programs and
# Qt share one C++ runtime). scripts/windows-tests.sh checks the folder's imports.
# Qt's targets are known where they were found (src/ui); found again here for this folder.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Charts PrintSupport)
foreach(module Core Gui Widgets Charts PrintSupport)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(FILES $<TARGET_FILE:Qt6::QJpegPlugin> DESTINATION imageformats)

# libpq (the shared history) and the OpenSSL DLLs it imports.
include(${PROJECT_SOURCE_DIR}/cmake/windows-libpq.cmake)
install(FILES ${TVX_LIBPQ_DLLS} DESTINATION .)

# The DLLs the programs and Qt import, as the cross compiler finds them.
set(TVX_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "the cross compiler does not know ${dll}")
    endif()
    file(REAL_PATH "${path}" path)
    list(APPEND TVX_MINGW_RUNTIME_DLLS ${path})
endforeach()
install(FILES ${TVX_MINGW_RUNTIME_DLLS} DESTINATION .)

# Qt's own dialogs in Turkish: a translation file is the same on every system, so the build
# host's (Debian qt6-translations-l10n) goes into translations/ beside the program, where the
# window looks for it. Without it Qt's dialogs stay English.
find_file(TVX_QTBASE_TR qtbase_tr.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(TVX_QTBASE_TR)
    install(FILES ${TVX_QTBASE_TR} DESTINATION translations)
else()
    message(STATUS "qtbase_tr.qm not found: Qt's dialogs stay English in Turkish")
endif()
