# kvctl: plain C++ plus the serial back-end (and through it Qt Core).
add_library(kvctlcore STATIC
    kvctl.cpp
    kvctl_convert.cpp
    kvctl_terminal.cpp
    kvctl_batch.cpp
    kvctl_sync.cpp
    kvctl_collect.cpp
    interrupt.cpp
    watch_profile.cpp
    kvctl_watch.cpp
    docking_wait.cpp
    json_text.cpp
    sync_plan.cpp
    port_fleet.cpp
    verify_copy.cpp
    terminal_session.cpp
)
target_link_libraries(kvctlcore PUBLIC kvlink kvconvert kvjobs kvports kvsimterminal)

add_executable(kvctl kvctl_main.cpp)
target_link_libraries(kvctl PRIVATE kvctlcore)
