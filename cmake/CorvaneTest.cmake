# corvane_add_test(<name> SOURCES <files...> [GUI] [LIBS <targets...>])
#
# Builds one Qt Test executable and registers it with CTest. GUI tests link
# the window library and run on the offscreen platform, so they need no
# display; the others are plain console programs.
function(corvane_add_test name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE corvane_options corvane_core corvane_test_support
        Qt6::Test ${ARG_LIBS})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE corvane_gui Qt6::Widgets)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set(env "QT_QPA_PLATFORM=offscreen" "UBSAN_OPTIONS=print_stacktrace=1" "LC_ALL=C.UTF-8")
    if(ARG_GUI)
        # Font and platform plugins keep caches for the life of the process.
        list(APPEND env "ASAN_OPTIONS=detect_leaks=0")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()
