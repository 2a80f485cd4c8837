# The desktop program's responsiveness (offscreen): event-loop gaps while
# connections transfer, and a large PC folder expanded.
add_executable(gui_bench gui_bench.cpp)
set_target_properties(gui_bench PROPERTIES AUTOMOC ON)
target_link_libraries(gui_bench PRIVATE kvgui kvsimterminal Qt6::Test)
