# Record conversion in memory; bench/convert_vs_awk.sh times kvctl convert
# against awk on a 50 MB file.
add_executable(convert_bench convert_bench.cpp)
target_link_libraries(convert_bench PRIVATE kvconvert benchmark::benchmark)
