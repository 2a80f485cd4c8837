# kvsim: a simulated terminal on a pseudo-terminal or a real serial port.
add_executable(kvsim kvsim_main.cpp)
target_link_libraries(kvsim PRIVATE kvsimterminal)
