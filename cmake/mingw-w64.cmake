# Cross build for Windows with the posix-thread MinGW-w64 compilers
# (the win32-thread variant has no std::mutex, which GoogleTest needs).
# The architecture's toolchain file sets CMAKE_SYSTEM_PROCESSOR and
# ZOR_MINGW_TRIPLE, then includes this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${ZOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZOR_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
