# The frame channel's sources, for every project that builds them: the cross
# build's velmo_channel library (channel/CMakeLists.txt), the native tests
# and the frame server's host project. On Windows they need ws2_32 and bcrypt.
set(VELMO_CHANNEL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sha256.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/servedframe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/framelayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/protocol.cpp
  ${CMAKE_CURRENT_LIST_DIR}/randombytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serversession.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frameclient.cpp)
