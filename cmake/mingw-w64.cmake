# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads flavour,
# which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every .exe carries its C++ runtime, so it runs on a machine (or a wine prefix)
# that has none of MinGW's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# GCC 12 inlines std::string's operator+ into memcpy calls it then wrongly reports as
# overlapping (-Wrestrict false positive); with warnings as errors it would stop the
# build of correct code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
