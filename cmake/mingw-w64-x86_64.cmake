# CMake toolchain for 64-bit Windows programs built on Debian with MinGW-w64
# (package g++-mingw-w64-x86-64-posix). The posix thread model is used so that
# std::thread, std::mutex and Qt's threads work.
#
#   cmake -S . -B build-windows -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#       -DCMAKE_PREFIX_PATH=$HOME/.cache/corvane-windows/qt-6.4.2-mingw \
#       -DQT_HOST_PATH=/usr
#
# Libraries, headers and packages are looked up only below the MinGW-w64
# sysroot and below the folders given in CMAKE_PREFIX_PATH (the cross-built
# Qt), never in the build machine's /usr; programs (moc, rcc, ...) only on
# the build machine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CORVANE_MINGW_SYSROOT /usr/${CORVANE_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${CORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${CORVANE_MINGW_TRIPLET}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${CORVANE_MINGW_TRIPLET}-ranlib CACHE FILEPATH "Ranlib")

set(CMAKE_FIND_ROOT_PATH ${CORVANE_MINGW_SYSROOT})

# Every folder of CMAKE_PREFIX_PATH becomes a root too, so that
# find_package(Qt6) finds the cross-built Qt while the search stays rooted.
# CMake joins a prefix onto an identical root instead of taking it as it is
# (https://gitlab.kitware.com/cmake/cmake/-/issues/21937), so the prefix is
# searched through its lib/cmake folder, as Qt's own toolchain file does.
set(_corvane_prefixes ${CMAKE_PREFIX_PATH})
foreach(_corvane_prefix IN LISTS _corvane_prefixes)
    if(IS_DIRECTORY "${_corvane_prefix}/lib/cmake")
        list(PREPEND CMAKE_FIND_ROOT_PATH "${_corvane_prefix}")
        if(NOT "${_corvane_prefix}/lib/cmake" IN_LIST CMAKE_PREFIX_PATH)
            list(PREPEND CMAKE_PREFIX_PATH "${_corvane_prefix}/lib/cmake")
        endif()
    endif()
endforeach()
unset(_corvane_prefix)
unset(_corvane_prefixes)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
