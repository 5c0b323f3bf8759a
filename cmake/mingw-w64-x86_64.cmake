# Cross build for 64-bit Windows with mingw-w64 (Debian's g++-mingw-w64-x86-64-posix).
#
# The -posix compilers give std::thread and friends. The program is linked
# statically, so that the one .exe runs on a clean Windows without the
# libstdc++, libgcc and libwinpthread DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BORGO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BORGO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BORGO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BORGO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BORGO_MINGW_TRIPLE})
# Build tools come from the build machine; libraries, headers and packages
# from the Windows side only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Optimised builds ship without symbols.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)
