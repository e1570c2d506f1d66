# libpq in the Windows cross build (the windows-qt-cross preset): scripts/windows-deps.sh puts
# libpq.dll with the OpenSSL DLLs it imports in the prefix's libpq/bin, its import library
# and headers beside, found through the toolchain's root path as PostgreSQL::PostgreSQL.
# TVX_LIBPQ_DLLS: what a program using libpq needs beside it (empty without libpq).
find_package(PostgreSQL QUIET)
set(TVX_LIBPQ_DLLS)
if(TARGET PostgreSQL::PostgreSQL)
    get_filename_component(tvx_libpq_lib_dir "${PostgreSQL_LIBRARY}" DIRECTORY)
    file(GLOB TVX_LIBPQ_DLLS "${tvx_libpq_lib_dir}/../bin/*.dll")
    if(NOT TVX_LIBPQ_DLLS)
        message(FATAL_ERROR "libpq found (${PostgreSQL_LIBRARY}) but no DLLs in its bin folder")
    endif()
endif()
