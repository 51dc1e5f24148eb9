// The frame server of a run: listens on 127.0.0.1 at a port the system
// picks, serves each connection on a thread of its own (the handshake with
// the run's secret, then Frame and Prepare requests in order) until it is
// destroyed. Frames go out as packed BGR rows, top row first. Host code
// (Linux).
#pragma once

#include "channel/serversession.h"
#include "server/servedmovies.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <thread>

class TFrameServer {
public:
  struct TXServer : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // Listens and serves; throws TXServer when it cannot listen. Messages for
  // the user (prepared movies, refusals) go to log.
  TFrameServer(const Protocol::TSecret& secret, TMovieCache& cache, std::ostream& log);
  // Stops listening, ends every connection and waits for their threads.
  ~TFrameServer();
  TFrameServer(const TFrameServer&) = delete;
  TFrameServer& operator=(const TFrameServer&) = delete;

  std::uint16_t Port() const { return ListenPort; }

private:
  struct TConnection {
    std::shared_ptr<TServerSession> Session;
    std::thread Thread;
    std::atomic<bool> Ended{false};
  };

  void AcceptConnections();
  void Serve(TServerSession& session);
  bool AnswerFrame(TServerSession& session, const std::vector<std::uint8_t>& payload);
  bool AnswerPrepare(TServerSession& session, const std::vector<std::uint8_t>& payload);

  const Protocol::TSecret Secret;
  TMovieCache& Cache;
  std::ostream& Log;
  std::mutex LogLock;
  TServedMovies Movies;
  TSocket Listener;
  std::uint16_t ListenPort = 0;
  std::atomic<bool> Stopping{false};
  std::mutex ConnectionsLock;
  std::list<TConnection> Connections;
  std::thread Acceptor;  // last: started once everything it uses exists
};
