// The client end of the frame channel: the VLMS codec and the program ask the
// frame server of the run for pictures of served movies and for the
// preparation of movies. Connects on first use to VELMO_FRAME_SERVER, both
// ends proving they hold VELMO_FRAME_SECRET. One client per thread: calls on
// one client are not safe from several threads at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "channel/protocol.h"
#include "channel/servedframe.h"
#include "channel/socket.h"

class TFrameClient {
public:
  // The protocol's statuses, then the channel's own: NoServer (not configured,
  // or nothing listens), Refused (the server does not accept our secret or
  // cannot prove it knows it), Lost (the connection broke or timed out in the
  // middle of a request; the next call connects anew).
  enum class TStatus { Ok, UnknownMovie, Damaged, MovieChanged, BadRequest, NotPlayable, NoServer, Refused, Lost };

  // VELMO_FRAME_SERVER and VELMO_FRAME_SECRET are set and well-formed.
  static bool Configured();

  // From the environment; connects on first use.
  TFrameClient();
  // To the given server with the given secret (a server of one's own).
  TFrameClient(std::string serverAddress, const Protocol::TSecret& secret);

  // The frame's rows laid out bottom-up into a DIB of width x height, bitCount
  // 24 or 32, rows padded to 4 bytes. BadRequest (nothing written) when the
  // server's picture is not of that size or the depth is not supported.
  TStatus Frame(const ServedFrame::TMovieId& movie, std::uint32_t frame, bool forward, std::uint32_t width,
                std::uint32_t height, std::uint16_t bitCount, std::uint8_t* dibRows);
  // Whether the server can give the frame (it decodes and keeps it, so that
  // asking for its rows next is cheap).
  TStatus Check(const ServedFrame::TMovieId& movie, std::uint32_t frame);
  // Prepares a movie for showing: the file to open and the frame to open on,
  // or (NotPlayable and others) the server's reason in refusal.
  TStatus Prepare(const std::string& unixPathUtf8, const std::string& from, std::string& playableUnixPath,
                  std::uint32_t& firstFrame, std::string& refusal);

  // How long an answer may take (a large frame decoded on a slow host takes
  // seconds); the default is generous.
  void SetAnswerTimeout(std::chrono::milliseconds timeout) { AnswerTimeout = timeout; }

private:
  TStatus EnsureConnected();
  TStatus Handshake();
  // Sends a request and reads the response's header; Ok: Header holds it.
  TStatus Exchange(Protocol::TKind kind, const std::vector<std::uint8_t>& payload, Protocol::THeader& header);
  TStatus ReadSmallPayload(std::uint32_t bytes, std::vector<std::uint8_t>& payload);
  TStatus Drop(TStatus status);

  bool ServerKnown = false;  // a well-formed address and (from the environment) a secret
  std::string ServerAddress;
  Protocol::TSecret Secret{};
  std::chrono::milliseconds AnswerTimeout{120000};
  TSocket Socket;
};
