add_executable(kvctl kvctl_main.cpp kvctl.cpp kvctl_convert.cpp)
target_link_libraries(kvctl PRIVATE kvconvert)
