# Cross-building the Windows program on Debian with mingw-w64 (g++-mingw-w64-x86-64-posix):
# a 64-bit console-free executable with the C and C++ runtimes linked in, so that it runs alone
# on a Windows that has none of them. Tests built here run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BK_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix flavour of the compiler: std::thread and std::mutex need it.
set(CMAKE_C_COMPILER ${BK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
