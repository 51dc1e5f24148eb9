# The sources of the frame source (movie index, random-access decoding), for
# the host project (server/CMakeLists.txt) and the native tests.
set(VELMO_FRAMESOURCE_SOURCES
  ${VELMO_ROOT}/server/moviedecoder.cpp
  ${VELMO_ROOT}/server/movieindex.cpp
  ${VELMO_ROOT}/server/packetscan.cpp
  ${VELMO_ROOT}/server/framesource.cpp
  ${VELMO_ROOT}/codec/crc32.cpp)
