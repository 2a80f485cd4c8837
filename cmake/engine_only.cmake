# The plain-C++ engine alone: link/ (its serial back-end aside), sim/ and
# convert/ with their GoogleTest suites. Needs neither Qt nor libudev, so it
# builds for Windows with a cross compiler too.

# KV_GTEST_SOURCE: GoogleTest built from source (Debian's /usr/src/googletest),
# for a target system without an installed copy.
set(KV_GTEST_SOURCE "" CACHE PATH "GoogleTest sources to build instead of an installed GoogleTest")
if(KV_GTEST_SOURCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${KV_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()
enable_testing()

include_directories(${CMAKE_SOURCE_DIR})
add_subdirectory(link)
add_subdirectory(sim)
add_subdirectory(convert)
add_subdirectory(tests/link)
add_subdirectory(tests/sim)
add_subdirectory(tests/convert)
