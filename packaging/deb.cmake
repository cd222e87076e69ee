# cmake -DBUILD_DIR=<build> -DAPP_ID=<id> -DVERSION=<x.y.z> -DBINDIR=<bin>
#       -DDATADIR=<share> [-DREADME=<README.md>] -P deb.cmake
#
# Builds the Debian package of BUILD_DIR with CPack (into BUILD_DIR), checks
# with dpkg-deb what it holds and what it depends on, and prints its path as
# the last line. With README, also checks that the README's install command
# names the package's file.

cmake_minimum_required(VERSION 3.22)

function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

# cpack -G DEB uses file to find the programs to strip and dpkg-shlibdeps
# for the libraries they link.
foreach(tool file dpkg-shlibdeps dpkg-deb dpkg)
    unset(tool_path)
    find_program(tool_path ${tool} NO_CACHE)
    if(NOT tool_path)
        fail("${tool} is not installed; the Debian package needs it (./scripts/deps installs it)")
    endif()
endforeach()

execute_process(COMMAND dpkg --print-architecture
    OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(deb_name corvane_${VERSION}_${arch}.deb)
set(deb ${BUILD_DIR}/${deb_name})
file(REMOVE ${deb})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${BUILD_DIR}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    fail("cpack -G DEB failed:\n" "${out}")
endif()
if(NOT EXISTS ${deb})
    fail("cpack -G DEB made no ${deb}:\n" "${out}")
endif()

# The control fields.
execute_process(COMMAND dpkg-deb --info ${deb}
    OUTPUT_VARIABLE info ERROR_VARIABLE info RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    fail("dpkg-deb --info ${deb} failed:\n" "${info}")
endif()
foreach(field "Package: corvane" "Version: ${VERSION}" "Architecture: ${arch}")
    string(FIND "${info}" "\n ${field}\n" at)
    if(at EQUAL -1)
        fail("the package's control fields lack '${field}':\n" "${info}")
    endif()
endforeach()
if(NOT info MATCHES "\n Depends: ([^\n]+)")
    fail("the package has no Depends field:\n" "${info}")
endif()
set(depends "${CMAKE_MATCH_1}")

# Depends: the Qt 6 libraries, found by dpkg-shlibdeps, and a group of CJK
# fonts (one of which apt installs) for the Chinese interface.
string(REPLACE "," ";" groups "${depends}")
set(names)
set(font_group)
foreach(group IN LISTS groups)
    string(REPLACE "|" ";" alternatives "${group}")
    set(all_cjk_fonts TRUE)
    foreach(alternative IN LISTS alternatives)
        string(REGEX REPLACE "\\(.*\\)" "" alternative "${alternative}")
        string(STRIP "${alternative}" alternative)
        list(APPEND names ${alternative})
        if(NOT alternative MATCHES "^fonts-(wqy-|noto-cjk|arphic-)")
            set(all_cjk_fonts FALSE)
        endif()
    endforeach()
    if(all_cjk_fonts)
        string(STRIP "${group}" font_group)
    endif()
endforeach()
foreach(library libqt6core6 libqt6gui6 libqt6widgets6)
    if(NOT library IN_LIST names)
        fail("Depends does not name ${library}: ${depends}")
    endif()
endforeach()
if(NOT font_group)
    fail("Depends names no CJK font: ${depends}")
endif()

# The contents: exactly the files that installing puts there, owned by root,
# the program executable by everyone.
execute_process(COMMAND dpkg-deb --contents ${deb}
    OUTPUT_VARIABLE contents ERROR_VARIABLE contents RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    fail("dpkg-deb --contents ${deb} failed:\n" "${contents}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/installed_files.cmake)
string(REPLACE "\n" ";" entries "${contents}")
set(files)
foreach(entry IN LISTS entries)
    if(entry STREQUAL "")
        continue()
    endif()
    if(NOT entry MATCHES "^([-dl])([-rwxsStT]+) ([^ ]+) +[0-9]+ [^ ]+ [^ ]+ \\./(.*)$")
        fail("unexpected line from dpkg-deb --contents: ${entry}")
    endif()
    set(type "${CMAKE_MATCH_1}")
    set(mode "${CMAKE_MATCH_2}")
    set(owner "${CMAKE_MATCH_3}")
    set(path "${CMAKE_MATCH_4}")
    if(NOT owner STREQUAL "root/root")
        fail("${path} in the package belongs to ${owner}, not root/root")
    endif()
    if(type STREQUAL "-")
        list(APPEND files "${path}")
    elseif(type STREQUAL "l")
        fail("the package holds a symbolic link: ${entry}")
    endif()
    if(path STREQUAL "usr/${BINDIR}/corvane" AND NOT mode STREQUAL "rwxr-xr-x")
        fail("the program's mode in the package is ${mode}, not rwxr-xr-x")
    endif()
endforeach()
list(SORT files)
if(NOT files STREQUAL corvane_installed_files)
    string(REPLACE ";" "\n  " files_text "${files}")
    string(REPLACE ";" "\n  " expected_text "${corvane_installed_files}")
    fail("files in the package:\n  " "${files_text}" "\nexpected:\n  " "${expected_text}")
endif()

if(DEFINED README)
    file(READ ${README} readme)
    string(FIND "${readme}" "sudo apt install ./build-release/${deb_name}" at)
    if(at EQUAL -1)
        fail("${README} does not tell to install ./build-release/${deb_name}")
    endif()
endif()

list(LENGTH files count)
message("Debian package checked: ${count} files; Depends: ${depends}")
execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${deb})
