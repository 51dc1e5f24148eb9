# The sources of the frame server and the preparation (cache, index AVI), with
# the AVI reader and writer they use, for the host project
# (server/CMakeLists.txt) and the native tests.
set(VELMO_SERVED_SOURCES
  ${VELMO_ROOT}/server/fromoption.cpp
  ${VELMO_ROOT}/server/settingsfile.cpp
  ${VELMO_ROOT}/server/sourceidentity.cpp
  ${VELMO_ROOT}/server/temporaryfile.cpp
  ${VELMO_ROOT}/server/stopsignals.cpp
  ${VELMO_ROOT}/server/indexavi.cpp
  ${VELMO_ROOT}/server/moviecache.cpp
  ${VELMO_ROOT}/server/preparation.cpp
  ${VELMO_ROOT}/server/servedmovies.cpp
  ${VELMO_ROOT}/server/frameserver.cpp
  ${VELMO_ROOT}/avi/bytesource.cpp
  ${VELMO_ROOT}/avi/avivideo.cpp
  ${VELMO_ROOT}/codec/framecodec.cpp
  ${VELMO_ROOT}/tools/avi/avi_writer.cpp
  ${VELMO_ROOT}/tools/avi/movie_pattern.cpp)
