# Cross build for 64-bit Windows with MinGW-w64 (Debian packages mingw-w64-x86-64-dev and
# g++-mingw-w64-x86-64-posix). The programs and tests run under Wine when it is there.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PUNCHWELL_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: std::thread and std::mutex need it.
set(CMAKE_C_COMPILER ${PUNCHWELL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PUNCHWELL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PUNCHWELL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PUNCHWELL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe each: no MinGW runtime DLLs to ship beside it or to find under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and gtest run the .exe files through Wine.
find_program(PUNCHWELL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(PUNCHWELL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PUNCHWELL_WINE})
endif()
