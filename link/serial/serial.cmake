# kvserial: the serial back-end of the transport and the program's port list.
add_library(kvserial STATIC
    serial_transport.cpp
    system_transport.cpp
    port_waiter_linux.cpp
    port_permission_linux.cpp
)
target_link_libraries(kvserial PUBLIC kvproto Qt6::Core Qt6::SerialPort)

# kvports: the program's whole port list (simulated terminals, serial lines).
add_library(kvports STATIC program_ports.cpp)
target_link_libraries(kvports PUBLIC kvserial kvsimterminal)
