# Build options shared by every target: warnings, sanitizers, fuzzers, tests and benchmarks.

option(ZELVANE_BUILD_TESTS "Build the unit and command-line tests" ON)
option(ZELVANE_BUILD_BENCH "Build the benchmarks under bench/" OFF)
option(ZELVANE_BUILD_FUZZERS "Build the libFuzzer targets (needs clang)" OFF)
option(ZELVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ZELVANE_TSAN "Build with ThreadSanitizer (scripts/test-tsan builds the core tests so)" OFF)
option(ZELVANE_WERROR "Treat warnings as errors" OFF)

# Every target of the project links this interface library for its warning set.
add_library(zelvane_warnings INTERFACE)
target_compile_options(zelvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                       -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual)
if(ZELVANE_WERROR)
    target_compile_options(zelvane_warnings INTERFACE -Werror)
endif()

set(ZELVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                            -fno-omit-frame-pointer)
if(ZELVANE_SANITIZE)
    add_compile_options(${ZELVANE_SANITIZER_FLAGS})
    add_link_options(${ZELVANE_SANITIZER_FLAGS})
endif()

# ThreadSanitizer cannot be combined with AddressSanitizer. Qt's libraries are not built with
# it, so only targets without Qt (the core and its tests) give meaningful reports.
if(ZELVANE_TSAN)
    if(ZELVANE_SANITIZE OR ZELVANE_BUILD_FUZZERS)
        message(FATAL_ERROR "ZELVANE_TSAN excludes ZELVANE_SANITIZE and ZELVANE_BUILD_FUZZERS")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

if(ZELVANE_BUILD_FUZZERS)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "Fuzzers need clang: configure with -DCMAKE_CXX_COMPILER=clang++-14")
    endif()
    # Everything, the core library included, is instrumented for coverage; only the fuzz
    # targets link the libFuzzer main.
    add_compile_options(-O1 -g -fsanitize=fuzzer-no-link,address,undefined
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    set(ZELVANE_FUZZER_LINK_FLAGS -fsanitize=fuzzer)
endif()
