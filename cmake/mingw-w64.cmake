# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads),
# tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# GCC 12 warns of overlapping copies inside its own string concatenation, in
# code that has none (GCC bug 105329); the native build checks the same code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
# Self-contained programs: Wine need not find the compiler's run-time DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
find_program(KV_WINE NAMES wine wine64)
if(KV_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KV_WINE})
endif()
