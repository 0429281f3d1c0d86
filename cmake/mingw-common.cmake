# Cross-build for Windows with mingw-w64, included by the toolchain file of each
# architecture after it has set MINGW_TRIPLE and WINE_LOADER.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})

# The posix-thread variant of the compiler: std::thread and std::mutex exist there, and
# are linked in statically like the rest of the runtime.
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# No libstdc++, libgcc or winpthread DLLs beside the exe: it runs on a bare Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the Windows test programs under Wine. CMake 3.25 takes the emulator from
# here only, not from the environment.
find_program(REGDUMP_WINE NAMES ${WINE_LOADER} PATHS /usr/lib/wine /usr/bin NO_DEFAULT_PATH)
if(REGDUMP_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${REGDUMP_WINE})
endif()
