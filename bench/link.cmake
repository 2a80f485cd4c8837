add_executable(link_bench link_bench.cpp)
target_link_libraries(link_bench PRIVATE kvlink kvsimline benchmark::benchmark)
