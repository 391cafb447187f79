# Cross-compiles Hivemend for 64-bit Windows with Debian's mingw-w64 (posix threads)
# and runs the resulting programs (tests included) under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HVM_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HVM_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HVM_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HVM_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${HVM_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(HVM_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${HVM_WINE})
