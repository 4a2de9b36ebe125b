# How tests are registered in each build.
#   tolvin_core_test:    portable-core tests; run natively on the host builds and under Wine in win64.
#   tolvin_host_test:    tests of build-time tools and generated content; host build only.
#   tolvin_windows_test: tests of the Win32 side; win64 build only, each in a fresh Wine prefix.
#   tolvin_fuzz_target:  libFuzzer targets; sanitize build only, run for a bounded time.

set(TOLVIN_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")

function(_tolvin_gtest_executable name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE tolvin_core GTest::gtest_main GTest::gmock)
    tolvin_warnings(${name})
endfunction()

function(_tolvin_add_wine_test name)
    add_test(NAME ${name}
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-test ${TOLVIN_WINE_TEMPLATE} $<TARGET_FILE:${name}> ${ARGN})
    set_tests_properties(${name} PROPERTIES LABELS windows)
endfunction()

function(tolvin_core_test name)
    if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
        if(CMAKE_SIZEOF_VOID_P EQUAL 8)
            _tolvin_gtest_executable(${name}_win64 ${ARGN})
            add_dependencies(${name}_win64 wine_prefix_template)
            _tolvin_add_wine_test(${name}_win64)
        endif()
    else()
        _tolvin_gtest_executable(${name} ${ARGN})
        add_test(NAME ${name} COMMAND ${name})
        if(TOLVIN_SANITIZE)
            set_tests_properties(${name} PROPERTIES LABELS sanitize)
        endif()
    endif()
endfunction()

function(tolvin_host_test name)
    if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows" AND NOT TOLVIN_SANITIZE)
        _tolvin_gtest_executable(${name} ${ARGN})
        add_test(NAME ${name} COMMAND ${name})
    endif()
endfunction()

# Returns in OUT_TARGET the target name, or nothing when this build does not make Windows tests.
function(tolvin_windows_test name)
    if(CMAKE_SYSTEM_NAME STREQUAL "Windows" AND CMAKE_SIZEOF_VOID_P EQUAL 8)
        _tolvin_gtest_executable(${name} ${ARGN})
        add_dependencies(${name} wine_prefix_template)
        _tolvin_add_wine_test(${name})
    endif()
endfunction()

function(tolvin_fuzz_target name source)
    if(TOLVIN_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        add_executable(${name} ${source})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE tolvin_core)
        tolvin_warnings(${name})
        add_test(NAME ${name}
            COMMAND ${name} -max_total_time=${TOLVIN_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                    -print_final_stats=1)
        set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
    endif()
endfunction()
