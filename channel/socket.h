// A TCP socket over Winsock or POSIX, owned (closed when it goes): what the
// frame channel needs and no more. Winsock is started on first use, once,
// never from DllMain. On POSIX a send to a closed peer fails instead of
// raising SIGPIPE.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

class TSocket {
public:
#ifdef _WIN32
  using THandle = std::uintptr_t;  // SOCKET
#else
  using THandle = int;
#endif

  TSocket() = default;
  ~TSocket();
  TSocket(TSocket&& other) noexcept;
  TSocket& operator=(TSocket&& other) noexcept;
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;

  // A socket connected to "host:port" (host a name or an IPv4 address); an
  // invalid one when nothing listens there or the address is malformed.
  static TSocket Connect(const std::string& hostPort);
  // A socket listening on 127.0.0.1 at a port the system picks (LocalPort);
  // invalid on failure.
  static TSocket ListenOnLoopback();

  bool Valid() const
  {
    return Handle != InvalidHandle;
  }
  std::uint16_t LocalPort() const;
  // The next connection of a listening socket; invalid when the listener was
  // shut down or failed.
  TSocket Accept() const;

  bool SendAll(const void* data, std::size_t size) const;
  // False on end of stream, reset, error or timeout.
  bool ReceiveExactly(void* data, std::size_t size) const;
  // How long ReceiveExactly waits for each piece of data; 0: for ever.
  bool SetReceiveTimeout(std::chrono::milliseconds timeout) const;

  // Ends both directions without closing the handle: the peer sees the end
  // at once, and (on Linux, where the frame server runs) another thread
  // blocked in Accept or ReceiveExactly on this socket returns.
  void Shutdown() const;
  void Close();

private:
  explicit TSocket(THandle handle) : Handle(handle) {}
#ifdef _WIN32
  static constexpr THandle InvalidHandle = ~static_cast<THandle>(0);
#else
  static constexpr THandle InvalidHandle = -1;
#endif
  THandle Handle = InvalidHandle;
};
