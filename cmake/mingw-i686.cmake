# The product: a 32-bit Windows console program.
set(MINGW_TRIPLE i686-w64-mingw32)
set(MINGW_ARCH x86)
set(WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
