# Fails when a C++ source of the project is not formatted as .clang-format
# says. Run by CTest: cmake -DSOURCE_DIR=... -DCLANG_FORMAT=... -P format_check.cmake
file(GLOB_RECURSE sources
    ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h
    ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
    ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h)
execute_process(
    COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
    RESULT_VARIABLE result
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Not formatted as .clang-format says (run clang-format -i):\n${errors}")
endif()
