# Cross-compiles the product: 32-bit Windows.
set(VELMO_MINGW_PREFIX i686-w64-mingw32)
set(VELMO_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
