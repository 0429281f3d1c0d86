# The same Windows code built for 64-bit, so that its tests run under a 64-bit Wine on
# machines that cannot execute 32-bit code at all.
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(MINGW_ARCH AMD64)
set(WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
