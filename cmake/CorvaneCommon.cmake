# Compiler settings shared by every target of the project: one INTERFACE
# target that each library, program, test and benchmark links.

option(CORVANE_SANITIZE "Build with the address and undefined-behaviour sanitizers" OFF)
option(CORVANE_WERROR "Treat compiler warnings as errors" ON)

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

add_library(corvane_options INTERFACE)
target_compile_features(corvane_options INTERFACE cxx_std_17)
target_compile_options(corvane_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(CORVANE_WERROR)
    target_compile_options(corvane_options INTERFACE -Werror)
endif()
target_compile_definitions(corvane_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    CORVANE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    CORVANE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    CORVANE_VERSION_PATCH=${PROJECT_VERSION_PATCH})

if(CORVANE_SANITIZE)
    target_compile_options(corvane_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(corvane_options INTERFACE -fsanitize=address,undefined)
endif()
