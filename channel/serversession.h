// The frame server's side of one connection: the handshake (closing at once
// on a client that cannot prove the run's secret), then requests read and
// responses written in order. The server owns the accept loop and decides
// what each request gets; this knows only the channel.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "channel/protocol.h"
#include "channel/socket.h"

class TServerSession {
public:
  struct TRequest {
    Protocol::TKind Kind = Protocol::TKind::Frame;
    std::vector<std::uint8_t> Payload;
  };

  TServerSession(TSocket socket, const Protocol::TSecret& secret);

  // True when the client proved the secret and got the server's proof; else
  // the connection is shut (the client sees its end at once) and nothing more
  // was sent. Whatever ends a session shuts its connection; the socket is
  // closed when the session goes.
  bool Handshake();
  // The next request; nothing when the client closed or the connection broke,
  // or (the connection then shut) the request is of an unknown kind or
  // longer than Protocol::MaxRequestPayload.
  std::optional<TRequest> ReadRequest();

  bool WriteResponse(Protocol::TStatus status, const std::vector<std::uint8_t>& payload);
  // An Ok answer to a Frame request: width, height, and (bgrTopDown not null)
  // height rows of width*3 bytes, top row first, sent without a copy.
  bool WriteFrame(std::uint32_t width, std::uint32_t height, const std::uint8_t* bgrTopDown);

  // From another thread (while the session lives; on Linux): a ReadRequest
  // waiting on the client returns at once.
  void Shutdown() { Socket.Shutdown(); }

private:
  TSocket Socket;
  Protocol::TSecret Secret;
};
