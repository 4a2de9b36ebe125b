# How tests are registered in each build. Each function takes
#   <name> SOURCES <files...> [LIBS <libraries...>] [ARGS <test arguments...>]
#   tolvin_core_test:    portable-core tests; run natively on the host builds and under Wine in
#                        win64 (there the test is named <name>_win64).
#   tolvin_host_test:    tests of build-time tools and generated content; host build only.
#   tolvin_windows_test: tests of the Win32 side; win64 build only, each in a fresh Wine prefix.
#   tolvin_fuzz_target:  libFuzzer targets; sanitize build only, run for a bounded time.

set(TOLVIN_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(TOLVIN_IS_WINDOWS_BUILD ON)
else()
    set(TOLVIN_IS_WINDOWS_BUILD OFF)
endif()
if(TOLVIN_IS_WINDOWS_BUILD AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TOLVIN_RUNS_WINDOWS_TESTS ON)
else()
    set(TOLVIN_RUNS_WINDOWS_TESTS OFF)
endif()

function(_tolvin_gtest_executable name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
    tolvin_warnings(${name})
endfunction()

function(_tolvin_add_wine_test name test_name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS" ${ARGN})
    add_dependencies(${name} wine_prefix_template)
    add_test(NAME ${test_name}
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-test ${TOLVIN_WINE_TEMPLATE} $<TARGET_FILE:${name}>
                ${T_ARGS})
    set_tests_properties(${test_name} PROPERTIES LABELS windows)
endfunction()

function(tolvin_core_test name)
    if(TOLVIN_IS_WINDOWS_BUILD)
        if(TOLVIN_RUNS_WINDOWS_TESTS)
            _tolvin_gtest_executable(${name} ${ARGN})
            _tolvin_add_wine_test(${name} ${name}_win64 ${ARGN})
        endif()
        return()
    endif()
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS" ${ARGN})
    _tolvin_gtest_executable(${name} ${ARGN})
    if(TOLVIN_SANITIZE)
        add_test(NAME ${name}_sanitize COMMAND ${name} ${T_ARGS})
        set_tests_properties(${name}_sanitize PROPERTIES LABELS sanitize)
    else()
        add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
    endif()
endfunction()

function(tolvin_host_test name)
    if(NOT TOLVIN_IS_WINDOWS_BUILD AND NOT TOLVIN_SANITIZE)
        cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS" ${ARGN})
        _tolvin_gtest_executable(${name} ${ARGN})
        add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
    endif()
endfunction()

function(tolvin_windows_test name)
    if(TOLVIN_RUNS_WINDOWS_TESTS)
        _tolvin_gtest_executable(${name} ${ARGN})
        _tolvin_add_wine_test(${name} ${name} ${ARGN})
    endif()
endfunction()

function(tolvin_fuzz_target name)
    if(TOLVIN_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        cmake_parse_arguments(T "" "" "SOURCES;LIBS;ARGS" ${ARGN})
        add_executable(${name} ${T_SOURCES})
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE ${T_LIBS})
        tolvin_warnings(${name})
        add_test(NAME ${name}
            COMMAND ${name} -max_total_time=${TOLVIN_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                    -print_final_stats=1 ${T_ARGS})
        set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
    endif()
endfunction()
