# The same sources built as 64-bit Windows programs, for machines whose kernel
# runs no 32-bit code (and so no 32-bit Wine): the Windows tests run from here.
set(KELVO_MINGW_TRIPLET x86_64-w64-mingw32)
set(KELVO_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
