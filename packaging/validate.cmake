# cmake -DKIND=desktop|metainfo|tree -DFILE=<path> -DEXPECT=valid|invalid -P validate.cmake
#
# Runs desktop-file-validate or appstreamcli on FILE (for "tree": on an
# install root, which also checks that the metainfo finds its desktop entry).
# Fails when the result is not the expected one.

if(KIND STREQUAL "desktop")
    set(tool desktop-file-validate)
    set(args)
elseif(KIND STREQUAL "metainfo")
    set(tool appstreamcli)
    set(args validate --no-net)
elseif(KIND STREQUAL "tree")
    set(tool appstreamcli)
    set(args validate-tree --no-net)
else()
    message(FATAL_ERROR "unknown KIND '${KIND}'")
endif()

find_program(validator ${tool})
if(NOT validator)
    message("${tool}: validator not installed")
    return()
endif()
if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "${FILE} does not exist")
endif()

execute_process(COMMAND ${validator} ${args} ${FILE}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(JOIN " " command ${tool} ${args} ${FILE})
message("${command} -> exit status ${rc}\n${out}")
if(EXPECT STREQUAL "valid" AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${tool} reported problems in ${FILE}")
elseif(EXPECT STREQUAL "invalid" AND rc EQUAL 0)
    message(FATAL_ERROR "${tool} accepted ${FILE}, which is broken on purpose")
endif()
