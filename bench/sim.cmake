# The simulated terminal alone, driven frame by frame over an in-process line.
add_executable(sim_terminal_bench sim_terminal_bench.cpp)
target_link_libraries(sim_terminal_bench PRIVATE kvsimterminal benchmark::benchmark)
