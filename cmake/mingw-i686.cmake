# The shipped Windows build: 32-bit MinGW-w64 with posix threads.
set(KELVO_MINGW_TRIPLET i686-w64-mingw32)
set(KELVO_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
