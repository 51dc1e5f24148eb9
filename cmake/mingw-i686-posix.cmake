# Cross-compiles for 32-bit Windows with MinGW-w64 (posix thread model, which
# GoogleTest needs for std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VELMO_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${VELMO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELMO_MINGW_PREFIX}-windres)
set(CMAKE_AR           /usr/bin/${VELMO_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${VELMO_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${VELMO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every test and tool runs under Wine through our wrapper (display, prefix, locale).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
