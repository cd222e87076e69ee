# cmake -DBUILD_DIR=<build> -DSTAGE=<folder> -DAPP_ID=<id> -DVERSION=<x.y.z>
#       -DBINDIR=<bin> -DDATADIR=<share> -P check_install.cmake
#
# Installs the build tree into STAGE/usr, as the Debian package does, and
# checks that exactly the expected files land there and fit together.

function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}/usr
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    fail("cmake --install failed:\n" "${out}")
endif()

set(prefix usr)
include(${CMAKE_CURRENT_LIST_DIR}/installed_files.cmake)
set(icons ${corvane_icons})
set(expected ${corvane_installed_files})
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
    string(REPLACE ";" "\n  " installed_text "${installed}")
    string(REPLACE ";" "\n  " expected_text "${expected}")
    fail("installed files:\n  " "${installed_text}" "\nexpected:\n  " "${expected_text}")
endif()

# find_program only takes files that may be executed.
find_program(program corvane PATHS ${STAGE}/${prefix}/${BINDIR} NO_DEFAULT_PATH NO_CACHE)
if(NOT program)
    fail("the installed program is not executable")
endif()

# Each PNG sits in the folder of its size (width and height from the IHDR chunk).
foreach(size 16 32 48)
    file(READ ${STAGE}/${icons}/${size}x${size}/apps/${APP_ID}.png header HEX OFFSET 16 LIMIT 8)
    string(SUBSTRING "${header}" 0 8 width)
    string(SUBSTRING "${header}" 8 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT width EQUAL size OR NOT height EQUAL size)
        fail("the ${size}x${size} icon is ${width}x${height}")
    endif()
endforeach()

# The desktop entry starts the installed program by name, with the files
# that "Open with" passes, and shows the installed icon, in English and in
# Chinese. Read whole: its values hold ';'.
file(READ ${STAGE}/${prefix}/${DATADIR}/applications/${APP_ID}.desktop desktop)
set(desktop "\n${desktop}")
foreach(line
        "[Desktop Entry]" "Type=Application" "Exec=corvane %F" "Icon=${APP_ID}" "Terminal=false"
        "Categories=Utility;")
    string(FIND "${desktop}" "\n${line}\n" at)
    if(at EQUAL -1)
        fail("the desktop entry lacks the line '${line}'")
    endif()
endforeach()
foreach(key Name "Name\\[zh_CN\\]" GenericName "GenericName\\[zh_CN\\]" Comment
        "Comment\\[zh_CN\\]")
    if(NOT desktop MATCHES "\n${key}=[^\n]+")
        fail("the desktop entry has no value for ${key}")
    endif()
endforeach()

# The metainfo names the desktop entry it describes and the project's version.
file(READ ${STAGE}/${prefix}/${DATADIR}/metainfo/${APP_ID}.metainfo.xml metainfo)
foreach(text
        "<id>${APP_ID}</id>"
        "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
        "<binary>corvane</binary>"
        "<release version=\"${VERSION}\"")
    string(FIND "${metainfo}" "${text}" at)
    if(at EQUAL -1)
        fail("the metainfo lacks ${text}")
    endif()
endforeach()
message("installed as expected:\n  ${installed}")
