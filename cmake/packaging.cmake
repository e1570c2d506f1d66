# Installation and packages.
#
# Linux: the programs in bin/, the catalogues and the start picture in share/tarvolinex/
# (the programs look in ../share/tarvolinex next to themselves), a desktop entry and an icon;
# CPack makes a Debian package. Windows: the programs with a data/ folder beside them (where
# they look first); CPack makes a zip. With a Qt 6 Windows kit windeployqt adds Qt's DLLs.
include(GNUInstallDirs)

if(WIN32)
    set(tvx_program_destination .)
    set(tvx_data_destination data)
else()
    set(tvx_program_destination ${CMAKE_INSTALL_BINDIR})
    set(tvx_data_destination ${CMAKE_INSTALL_DATADIR}/tarvolinex)
endif()

foreach(program tarvolinex tarvolinex-cli tarvolinex-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${tvx_program_destination})
    endif()
endforeach()
install(FILES data/DTC5820EN.txt data/DTC5820TR.txt data/start.jpg
        DESTINATION ${tvx_data_destination})

# The udev rule that sets USB serial adapters' latency timer to 1 ms when they are plugged in
# (the connection doctor points to it).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    install(FILES packaging/60-tarvolinex-latency.rules DESTINATION lib/udev/rules.d)
endif()

if(TARGET tarvolinex AND NOT WIN32)
    install(FILES packaging/tarvolinex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES packaging/tarvolinex.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The licence and the third-party notice travel with every package.
if(WIN32)
    install(FILES LICENSE DESTINATION .)
    install(FILES packaging/copyright DESTINATION . RENAME THIRD-PARTY-NOTICES.txt)
else()
    install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# The window on Windows needs Qt's DLLs and plugins beside it: in the cross build they come
# from the Qt that scripts/windows-deps.sh built; with a Windows kit windeployqt copies them.
if(TARGET tarvolinex AND WIN32 AND CMAKE_CROSSCOMPILING)
    include(cmake/windows-deploy.cmake)
elseif(TARGET tarvolinex AND WIN32)
    get_target_property(tvx_qmake Qt6::qmake IMPORTED_LOCATION)
    get_filename_component(tvx_qt_bin "${tvx_qmake}" DIRECTORY)
    find_program(TVX_WINDEPLOYQT windeployqt HINTS "${tvx_qt_bin}" REQUIRED)
    install(CODE "
        execute_process(
            COMMAND \"${TVX_WINDEPLOYQT}\" --release --no-translations --compiler-runtime
                    \"\${CMAKE_INSTALL_PREFIX}/tarvolinex.exe\"
            COMMAND_ERROR_IS_FATAL ANY)
    ")
endif()

set(CPACK_PACKAGE_NAME tarvolinex)
set(CPACK_PACKAGE_VENDOR Tarvolinex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Vehicle diagnostic tester for the KESTRON 7340 OBD interface box")
set(CPACK_PACKAGE_CONTACT "Tarvolinex developers <tarvolinex@localhost>")
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(TARGET tarvolinex)
        set(CPACK_PACKAGE_FILE_NAME tarvolinex-${PROJECT_VERSION}-windows-x64)
    else()
        set(CPACK_PACKAGE_FILE_NAME tarvolinex-cli-${PROJECT_VERSION}-windows-x64)
    endif()
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the Qt and C++ libraries, found by dpkg-shlibdeps
    # Qt's own dialogs in Turkish; without it they stay English.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
endif()
include(CPack)
