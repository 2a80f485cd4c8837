include(GoogleTest)

# Registers the GoogleTest program target with CTest. Natively each test is a
# CTest test of its own. Through an emulator (Wine) the program is one CTest
# test: starting the emulator per test would cost more than the tests do.
# WINDOWS_SKIP: a GoogleTest filter of tests that cannot apply on Windows
# (POSIX files, modes, environment), left out of the Windows run.
# Further arguments go to gtest_discover_tests.
function(kv_add_gtest target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "WINDOWS_SKIP" "")
    if(WIN32)
        # The POSIX calls the tests set up with, on the Windows C library.
        target_compile_options(${target} PRIVATE
            -include ${CMAKE_SOURCE_DIR}/tests/support/posix_env_windows.h)
        target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/windows)
    endif()
    if(CMAKE_CROSSCOMPILING)
        set(filter)
        if(WIN32 AND arg_WINDOWS_SKIP)
            set(filter "--gtest_filter=-${arg_WINDOWS_SKIP}")
        endif()
        add_test(NAME ${target} COMMAND ${target} ${filter})
    else()
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST ${arg_UNPARSED_ARGUMENTS})
    endif()
endfunction()
