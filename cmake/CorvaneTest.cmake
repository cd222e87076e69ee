# corvane_add_test(<name> SOURCES <files...> [GUI] [LIBS <targets...>])
#
# Builds one Qt Test executable and registers it with CTest. GUI tests link
# the window library and run on the offscreen platform, so they need no
# display; the others are plain console programs.
#
# Every test runs with a home folder under the build tree, emptied by the
# corvane_test_home fixture at the start of each run, so that what Qt keeps
# for a user (file-dialog history, caches, lock files) never reaches the
# real home folder.
set(CORVANE_TEST_HOME ${PROJECT_BINARY_DIR}/test-home)

# A Windows build made here runs its tests under Wine
# (CMAKE_CROSSCOMPILING_EMULATOR). Wine passes no variable whose name starts
# with QT_ to Windows programs but turns WINEQT_X into QT_X; Windows
# programs see this machine's files on drive Z:, so paths compiled into the
# tests get that drive letter.
set(CORVANE_TARGET_PATH_PREFIX "")
set(corvane_wine_environment "")
if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(CORVANE_TARGET_PATH_PREFIX "Z:")
    set(CORVANE_WINE_FONT_DIR "" CACHE PATH
        "Fonts for Qt's offscreen platform under Wine (scripts/windows makes the folder)")
    set(CORVANE_WINE_LOCALE_DIR "" CACHE PATH
        "Compiled zh_CN.UTF-8 locale, so that Wine runs the tests with code page 936")
    # The DLLs that the programs need lie beside them (packaging/windows).
    list(APPEND corvane_wine_environment "WINEDEBUG=-all"
        "WINEQT_QPA_PLATFORM=offscreen" "WINEQT_FORCE_STDERR_LOGGING=1")
    if(CORVANE_WINE_FONT_DIR)
        list(APPEND corvane_wine_environment "WINEQT_QPA_FONTDIR=Z:${CORVANE_WINE_FONT_DIR}")
    endif()
    if(CORVANE_WINE_LOCALE_DIR)
        list(APPEND corvane_wine_environment
            "LOCPATH=${CORVANE_WINE_LOCALE_DIR}" "LC_ALL=zh_CN.UTF-8")
    endif()
endif()
add_test(NAME test_home
    COMMAND ${CMAKE_COMMAND} -DHOME=${CORVANE_TEST_HOME} -P ${CMAKE_CURRENT_LIST_DIR}/test_home.cmake)
set_tests_properties(test_home PROPERTIES FIXTURES_SETUP corvane_test_home)

function(corvane_add_test name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE corvane_options corvane_core corvane_test_support
        Qt6::Test ${ARG_LIBS})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE corvane_gui Qt6::Widgets)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set(env "QT_QPA_PLATFORM=offscreen" "UBSAN_OPTIONS=print_stacktrace=1" "LC_ALL=C.UTF-8"
        "HOME=${CORVANE_TEST_HOME}"
        "XDG_CONFIG_HOME=${CORVANE_TEST_HOME}/.config"
        "XDG_CACHE_HOME=${CORVANE_TEST_HOME}/.cache"
        "XDG_DATA_HOME=${CORVANE_TEST_HOME}/.local/share"
        "XDG_STATE_HOME=${CORVANE_TEST_HOME}/.local/state"
        "XDG_RUNTIME_DIR=${CORVANE_TEST_HOME}/runtime")
    if(ARG_GUI)
        # Font and platform plugins keep caches for the life of the process.
        list(APPEND env "ASAN_OPTIONS=detect_leaks=0")
    endif()
    # Later entries win: under Wine the locale is Chinese.
    list(APPEND env ${corvane_wine_environment})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300
        FIXTURES_REQUIRED corvane_test_home)
endfunction()
