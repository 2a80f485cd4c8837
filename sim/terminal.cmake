# The simulated terminal: the terminal's side of the protocol, its disks and
# its ports. Plain C++, no Qt.
add_library(kvsimterminal STATIC
    short_name.cpp
    terminal_clock.cpp
    pending_file.cpp
    sim_storage.cpp
    sample_files.cpp
    terminal_port.cpp
    emulated_line.cpp
    frame_reader.cpp
    outgoing_data.cpp
    request_answers.cpp
    download_receiver.cpp
    image_receiver.cpp
    sim_terminal.cpp
    sim_ports.cpp
)
target_link_libraries(kvsimterminal PUBLIC kvsimline kvproto)
# The pseudo-terminal and serial device side (kvsim's) is Linux's alone.
if(KV_OS STREQUAL "linux")
    target_sources(kvsimterminal PRIVATE fd_port.cpp)
endif()
