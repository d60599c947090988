# Cross-building the Windows program (x86-64) on Debian with mingw-w64's
# posix-threads compilers (std::thread and std::mutex need them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ostrel_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ostrel_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ostrel_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${ostrel_mingw}-windres)
# Libraries and headers come from mingw-w64's root and from the prefix that
# scripts/build-windows fills (CMAKE_PREFIX_PATH); programs from the host.
# The prefix is a root too: otherwise the search would look for it under
# mingw-w64's root.
set(CMAKE_FIND_ROOT_PATH /usr/${ostrel_mingw} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run under Wine's 64-bit loader.
find_program(OSTREL_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(OSTREL_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OSTREL_WINE64})
endif()
# The programs run from wherever they are copied: the compiler's own runtime
# (libstdc++, libgcc, winpthread) is linked in, not needed as DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# What is installed carries no symbols, as in the Debian package.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)
