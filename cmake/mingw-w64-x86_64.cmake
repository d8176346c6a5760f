# Cross build for 64-bit Windows with mingw-w64 on Debian:
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The POSIX-thread compiler, because GCC 12's win32-thread variant has neither
# std::thread nor std::mutex. Everything links statically, so that an .exe runs
# without the compiler's DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVANE_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TOLVANE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built here run under wine, in a prefix of their own inside the
# build tree (made on first use), so that nothing touches the user's ~/.wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
