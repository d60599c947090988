# Cross-building the Windows program on Debian with mingw-w64's posix-threads
# compilers (std::thread and std::mutex need them). It is a 32-bit program, as
# the suite's own programs are: Windows then treats it exactly as it treats
# them (see res/ostrel-update.manifest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ostrel_mingw i686-w64-mingw32)
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
# Tests run under Wine's 32-bit loader (Debian's wine32, from the i386
# architecture).
find_program(OSTREL_WINE NAMES wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(OSTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OSTREL_WINE})
endif()
# Time values of 64 bits, as on Linux: mingw-w64 gives a 32-bit program the
# C library's 32-bit time_t unless asked, and those end in January 2038 (a
# library's date, a signature's expiry, a file's time). The dependencies are
# built with the same flag (scripts/build-windows), so that no time_t crosses
# between two sizes.
set(CMAKE_C_FLAGS_INIT -D__MINGW_USE_VC2005_COMPAT)
set(CMAKE_CXX_FLAGS_INIT -D__MINGW_USE_VC2005_COMPAT)
# The programs run from wherever they are copied: the compiler's own runtime
# (libstdc++, libgcc, winpthread) is linked in, not needed as DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# What is installed carries no symbols, as in the Debian package.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)
