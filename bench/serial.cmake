# Raw throughput and round trips of the serial back-end over a pseudo-terminal.
add_executable(serial_bench serial_bench.cpp)
target_link_libraries(serial_bench PRIVATE kvserial util benchmark::benchmark)
