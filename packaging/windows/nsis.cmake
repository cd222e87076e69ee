# cmake -DBUILD_DIR=<build> -DFILE_NAME=<installer.exe> -P nsis.cmake
#
# Packs the Windows installer of BUILD_DIR with CPack's NSIS generator (into
# BUILD_DIR), unpacks it with 7-Zip into a folder of the build tree, checks
# what it holds, and prints the installer's path as the last line.
#
# Debian's NSIS makes 32-bit installers (as NSIS does by default; 64-bit
# Windows runs them), and the 64-bit Wine here runs no 32-bit programs, so
# the installer is unpacked rather than run.

cmake_minimum_required(VERSION 3.22)

function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

foreach(tool makensis 7z)
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

set(stage ${BUILD_DIR}/packaging/windows/unpacked)
file(REMOVE_RECURSE ${stage})
execute_process(COMMAND 7z x -y -o${stage} ${installer}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    fail("7z could not unpack ${installer}:\n" "${out}")
endif()

set(expected
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Uninstall.exe corvane.exe
    libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll
    platforms/qwindows.dll styles/qwindowsvistastyle.dll)
# Besides the NSIS plugins that the installer itself uses.
file(GLOB_RECURSE installed RELATIVE ${stage} ${stage}/*)
list(FILTER installed EXCLUDE REGEX "^\\$PLUGINSDIR/")
list(SORT installed)
if(NOT installed STREQUAL expected)
    string(REPLACE ";" "\n  " installed_text "${installed}")
    string(REPLACE ";" "\n  " expected_text "${expected}")
    fail("files that the installer puts in place:\n  " "${installed_text}"
        "\nexpected:\n  " "${expected_text}")
endif()

# The script the installer was made from puts a "发送到" (Send to) shortcut
# in place and the uninstaller's takes it away: 7-Zip unpacks files, not
# the installer's commands.
file(GLOB nsis_script ${BUILD_DIR}/_CPack_Packages/*/NSIS/project.nsi)
if(NOT nsis_script)
    fail("cpack left no NSIS script in ${BUILD_DIR}/_CPack_Packages")
endif()
file(READ ${nsis_script} script)
foreach(command
        "CreateShortCut '$SENDTO\\Corvane.lnk' '$INSTDIR\\corvane.exe'"
        "Delete '$SENDTO\\Corvane.lnk'")
    string(FIND "${script}" "${command}" at)
    if(at EQUAL -1)
        fail("the installer's script lacks: ${command}")
    endif()
endforeach()
string(FIND "${script}" "Section \"Uninstall\"" uninstall)
string(FIND "${script}" "Delete '$SENDTO\\Corvane.lnk'" removal)
if(removal LESS uninstall)
    fail("the Send to shortcut is not removed by the uninstaller")
endif()

file(SIZE ${installer} size)
math(EXPR kib "${size} / 1024")
list(LENGTH installed count)
message("Windows installer checked: ${count} files, ${kib} KiB; unpacked in ${stage}")
execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${installer})
