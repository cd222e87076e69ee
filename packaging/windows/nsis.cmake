# cmake -DBUILD_DIR=<build> -DFILE_NAME=<installer.exe> -P nsis.cmake
#
# Packs the Windows installer of BUILD_DIR with CPack's NSIS generator (into
# BUILD_DIR), installs it silently under Wine into a folder of the build
# tree, checks what it put there, uninstalls it again, and prints the
# installer's path as the last line.

cmake_minimum_required(VERSION 3.22)

function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

foreach(tool makensis wine)
    unset(tool_path)
    find_program(tool_path ${tool} NO_CACHE)
    if(NOT tool_path)
        fail("${tool} is not installed; the Windows installer needs it (./scripts/windows installs it)")
    endif()
endforeach()

set(installer ${BUILD_DIR}/${FILE_NAME})
file(REMOVE ${installer})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G NSIS --config ${BUILD_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${BUILD_DIR}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    fail("cpack -G NSIS failed:\n" "${out}")
endif()
if(NOT EXISTS ${installer})
    fail("cpack -G NSIS made no ${installer}:\n" "${out}")
endif()

# NSIS installers take /S (silent) and /D=<folder> (last, unquoted).
set(stage ${BUILD_DIR}/packaging/windows/install-test)
file(REMOVE_RECURSE ${stage})
string(REPLACE "/" "\\" stage_windows "Z:${stage}")
execute_process(COMMAND wine ${installer} /S /D=${stage_windows}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    fail("installing ${installer} under Wine failed (${rc}):\n" "${out}")
endif()

set(expected
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Uninstall.exe corvane.exe
    libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll
    platforms/qwindows.dll styles/qwindowsvistastyle.dll)
file(GLOB_RECURSE installed RELATIVE ${stage} ${stage}/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
    string(REPLACE ";" "\n  " installed_text "${installed}")
    string(REPLACE ";" "\n  " expected_text "${expected}")
    fail("files that the installer put in place:\n  " "${installed_text}"
        "\nexpected:\n  " "${expected_text}")
endif()

# _?= runs the uninstaller in place and waits for it.
execute_process(COMMAND wine ${stage}/Uninstall.exe /S _?=${stage_windows}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR EXISTS ${stage}/corvane.exe OR EXISTS ${stage}/Qt6Core.dll)
    fail("the uninstaller left the program in ${stage} (${rc}):\n" "${out}")
endif()
file(REMOVE_RECURSE ${stage})

file(SIZE ${installer} size)
math(EXPR kib "${size} / 1024")
list(LENGTH installed count)
message("Windows installer checked: ${count} files installed and removed again; ${kib} KiB")
execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${installer})
