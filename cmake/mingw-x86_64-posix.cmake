# Cross-compiles for 64-bit Windows, for running the tests where the host
# cannot run 32-bit programs.
set(VELMO_MINGW_PREFIX x86_64-w64-mingw32)
set(VELMO_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
