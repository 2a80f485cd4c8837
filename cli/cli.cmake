if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/kvctl_convert.cpp AND TARGET kvconvert)
    add_executable(kvctl kvctl_main.cpp kvctl.cpp kvctl_convert.cpp)
    target_link_libraries(kvctl PRIVATE kvconvert)
endif()
