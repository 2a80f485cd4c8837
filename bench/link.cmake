add_executable(link_bench link_bench.cpp)
target_link_libraries(link_bench PRIVATE kvlink kvsimline benchmark::benchmark)

add_executable(transfer_bench transfer_bench.cpp)
target_link_libraries(transfer_bench PRIVATE kvlink kvsimterminal benchmark::benchmark)
