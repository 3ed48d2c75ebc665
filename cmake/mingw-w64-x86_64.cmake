# Cross build for 64-bit Windows with Debian's mingw-w64 (GCC, posix threads):
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTABULON_WINDOWS_DEPS=<prefix> ...
# TABULON_WINDOWS_DEPS is the prefix where scripts/build-windows.sh installed expat and
# GoogleTest built for Windows. The programs link libgcc, libstdc++ and winpthread statically,
# so each .exe runs on its own, without mingw's DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
# The -posix compilers: std::thread and std::mutex need the posix thread model.
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# Passed on to the test projects CMake builds while it looks at the compiler.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TABULON_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${TABULON_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Tests and tools built for Windows run under Wine on this machine.
find_program(TABULON_WINE NAMES wine wine64)
if(TABULON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TABULON_WINE})
endif()
