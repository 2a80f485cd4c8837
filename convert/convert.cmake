# kvconvert: conversion settings, Convert.ini and record conversion. Standard
# library only.
add_library(kvconvert STATIC
    convert_settings.cpp
    file_bytes.cpp
    record_conversion.cpp
    convert_ini_location.cpp
    scramble.cpp
    batch_file.cpp
)
# The program and user folders differ per platform: one file each.
target_sources(kvconvert PRIVATE convert_ini_location_${KV_OS}.cpp)
target_link_libraries(kvconvert PUBLIC kvfiles Threads::Threads)
