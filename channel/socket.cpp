#include "channel/socket.h"

#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

#ifdef _WIN32
using TLength = int;
using TNative = SOCKET;
constexpr int ShutdownBoth = SD_BOTH;
constexpr int SendFlags = 0;

// Winsock is started once, on the first socket, and left running: stopping
// it would belong in DllMain, where it must not be done.
bool NetworkReady()
{
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

bool Interrupted()
{
  return false;
}

// The program starts no programs that inherit handles.
TNative NewSocket(int family, int type, int protocol)
{
  return socket(family, type, protocol);
}

TNative AcceptOne(TNative listener)
{
  return accept(listener, nullptr, nullptr);
}

void CloseNative(TNative handle)
{
  closesocket(handle);
}
#else
using TLength = socklen_t;
using TNative = int;
constexpr int ShutdownBoth = SHUT_RDWR;
constexpr int SendFlags = MSG_NOSIGNAL;

bool NetworkReady()
{
  return true;
}

// Sockets are not inherited by programs the process starts: a child must not
// keep the server's port or a connection open after the process is gone.
TNative NewSocket(int family, int type, int protocol)
{
  return socket(family, type | SOCK_CLOEXEC, protocol);
}

TNative AcceptOne(TNative listener)
{
  return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

bool Interrupted()
{
  return errno == EINTR;
}

void CloseNative(TNative handle)
{
  close(handle);
}
#endif

TNative Native(TSocket::THandle handle)
{
  return static_cast<TNative>(handle);
}

TSocket::THandle Handle(TNative native)
{
  return static_cast<TSocket::THandle>(native);
}

// Small requests and their answers go out at once, not held back to be joined.
void SendPromptly(TNative handle)
{
  int on = 1;
  setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

}  // namespace

TSocket::~TSocket()
{
  Close();
}

TSocket::TSocket(TSocket&& other) noexcept : Handle(std::exchange(other.Handle, InvalidHandle)) {}

TSocket& TSocket::operator=(TSocket&& other) noexcept
{
  if (this != &other) {
    Close();
    Handle = std::exchange(other.Handle, InvalidHandle);
  }
  return *this;
}

TSocket TSocket::Connect(const std::string& hostPort)
{
  const std::size_t colon = hostPort.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == hostPort.size() || !NetworkReady())
    return TSocket();
  const std::string host = hostPort.substr(0, colon);
  const std::string port = hostPort.substr(colon + 1);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0)
    return TSocket();
  TSocket connected;
  for (const addrinfo* address = found; address && !connected.Valid(); address = address->ai_next) {
    TSocket candidate(::Handle(NewSocket(address->ai_family, address->ai_socktype, address->ai_protocol)));
    if (!candidate.Valid())
      continue;
    if (connect(Native(candidate.Handle), address->ai_addr, static_cast<TLength>(address->ai_addrlen)) == 0) {
      SendPromptly(Native(candidate.Handle));
      connected = std::move(candidate);
    }
  }
  freeaddrinfo(found);
  return connected;
}

TSocket TSocket::ListenOnLoopback()
{
  if (!NetworkReady())
    return TSocket();
  TSocket listener(::Handle(NewSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
  if (!listener.Valid())
    return TSocket();
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(Native(listener.Handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(Native(listener.Handle), SOMAXCONN) != 0)
    return TSocket();
  return listener;
}

std::uint16_t TSocket::LocalPort() const
{
  sockaddr_in address{};
  TLength length = sizeof address;
  if (getsockname(Native(Handle), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return 0;
  return ntohs(address.sin_port);
}

TSocket TSocket::Accept() const
{
  for (;;) {
    const TNative accepted = AcceptOne(Native(Handle));
    TSocket connection(::Handle(accepted));
    if (connection.Valid()) {
      SendPromptly(accepted);
      return connection;
    }
    if (!Interrupted())
      return TSocket();
  }
}

bool TSocket::SendAll(const void* data, std::size_t size) const
{
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    // Pieces of at most 1 GB: Winsock counts in int.
    const int piece = static_cast<int>(size < (1u << 30) ? size : (1u << 30));
    const auto sent = send(Native(Handle), bytes, piece, SendFlags);
    if (sent <= 0) {
      if (sent < 0 && Interrupted())
        continue;
      return false;
    }
    bytes += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool TSocket::ReceiveExactly(void* data, std::size_t size) const
{
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    const int piece = static_cast<int>(size < (1u << 30) ? size : (1u << 30));
    const auto received = recv(Native(Handle), bytes, piece, 0);
    if (received <= 0) {
      if (received < 0 && Interrupted())
        continue;
      return false;
    }
    bytes += received;
    size -= static_cast<std::size_t>(received);
  }
  return true;
}

bool TSocket::SetReceiveTimeout(std::chrono::milliseconds timeout) const
{
#ifdef _WIN32
  const DWORD value = static_cast<DWORD>(timeout.count());
#else
  timeval value{};
  value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  value.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000 * 1000);
#endif
  return setsockopt(Native(Handle), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

void TSocket::Shutdown() const
{
  if (Valid())
    shutdown(Native(Handle), ShutdownBoth);
}

void TSocket::Close()
{
  if (Valid())
    CloseNative(Native(std::exchange(Handle, InvalidHandle)));
}
