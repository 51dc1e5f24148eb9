// A frame server in the test's own process, on a thread of its own: it speaks
// the channel's handshake and answers Frame requests with pictures the test
// gives, and can be made to go away (at once, or halfway through a picture's
// rows) to see what its clients do then.
#pragma once

#include "channel/protocol.h"
#include "channel/servedframe.h"
#include "channel/socket.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class TFakeFrameServer {
public:
  // The packed BGR picture (width*3 bytes a row, top row first) of a frame;
  // nothing: the frame is damaged.
  using TPictures = std::function<std::optional<std::vector<std::uint8_t>>(std::uint32_t frame)>;

  // How a movie is prepared: the playable movie's Unix path and the frame to
  // open on, or (Refusal not empty) why it is not playable.
  struct TPrepared {
    std::string PlayablePath;
    std::uint32_t FirstFrame = 0;
    std::string Refusal;
  };
  // From the Unix path (UTF-8) a Prepare request names.
  using TPreparer = std::function<TPrepared(const std::string& moviePath)>;

  TFakeFrameServer(std::uint32_t width, std::uint32_t height, TPictures pictures, TPreparer preparer = nullptr);
  ~TFakeFrameServer();
  TFakeFrameServer(const TFakeFrameServer&) = delete;
  TFakeFrameServer& operator=(const TFakeFrameServer&) = delete;

  std::string Address() const;
  const Protocol::TSecret& Secret() const { return RunSecret; }
  // VELMO_FRAME_SERVER and VELMO_FRAME_SECRET of this process name this
  // server, as run.sh's environment names the run's.
  void BecomeTheRunsServer() const;

  // The Frame requests answered or refused so far, in the order they came.
  std::vector<Protocol::TFrameRequest> Requests() const;
  // The movies Prepare requests named so far.
  std::vector<std::string> PreparedMovies() const;
  // After answering this many more Frame requests, the server goes: every
  // connection and the listener closed, nothing more answered.
  void GoAfter(std::size_t answers);
  // The next picture is sent halfway, then the server goes.
  void GoHalfwayThroughThePicture();

private:
  void Accept();
  void Serve(const std::shared_ptr<TSocket>& client);
  bool Handshake(const TSocket& client) const;
  // The answer to a Prepare request's payload.
  std::vector<std::uint8_t> Prepare(const std::vector<std::uint8_t>& payload);
  // Closes every connection and the listener.
  void Go();

  const std::uint32_t Width;
  const std::uint32_t Height;
  const TPictures Pictures;
  const TPreparer Preparer;
  Protocol::TSecret RunSecret{};
  TSocket Listener;  // closed by the acceptor's thread once the server goes
  std::uint16_t Port = 0;

  mutable std::mutex Lock;
  std::vector<Protocol::TFrameRequest> Answered;
  std::vector<std::string> Prepared;
  std::optional<std::size_t> AnswersLeft;
  bool Halfway = false;
  bool Gone = false;
  std::vector<std::shared_ptr<TSocket>> Clients;
  std::vector<std::thread> Sessions;
  std::thread Acceptor;  // last: started once everything it uses exists
};
