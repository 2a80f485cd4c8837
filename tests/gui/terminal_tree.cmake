# The terminal's file tree: its rules without a window (GoogleTest), the tree
# itself against the simulated terminal and a scripted peer (Qt Test).
add_executable(terminal_tree_rules_test ${CMAKE_CURRENT_LIST_DIR}/terminal_tree_rules_test.cpp)
target_link_libraries(terminal_tree_rules_test PRIVATE kvgui kvjobs GTest::gtest_main)
gtest_discover_tests(terminal_tree_rules_test DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(terminal_file_tree_test ${CMAKE_CURRENT_LIST_DIR}/terminal_file_tree_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/gui_test_support.h)
set_target_properties(terminal_file_tree_test PROPERTIES AUTOMOC ON)
target_link_libraries(terminal_file_tree_test PRIVATE kvgui kvsimterminal Qt6::Test)
add_test(NAME gui.terminal_file_tree COMMAND terminal_file_tree_test)
set_tests_properties(gui.terminal_file_tree PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                     TIMEOUT 120)
