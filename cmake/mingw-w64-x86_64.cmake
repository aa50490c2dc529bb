# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread and std::mutex need).
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VYK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VYK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VYK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VYK_MINGW_PREFIX}-windres)
# Libraries built for Windows elsewhere (Qt: scripts/qt-mingw.sh) are found
# under the prefixes given in CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH /usr/${VYK_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Test programs run under Wine.
find_program(VYK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VYK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VYK_WINE})
endif()
