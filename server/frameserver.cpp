#include "server/frameserver.h"

#include "server/preparation.h"

#include <sstream>

TFrameServer::TFrameServer(const Protocol::TSecret& secret, TMovieCache& cache, std::ostream& log)
  : Secret(secret), Cache(cache), Log(log), Movies(cache), Listener(TSocket::ListenOnLoopback())
{
  if (!Listener.Valid())
    throw TXServer("cannot listen on 127.0.0.1");
  ListenPort = Listener.LocalPort();
  Acceptor = std::thread([this] { AcceptConnections(); });
}

TFrameServer::~TFrameServer()
{
  Stopping = true;
  Listener.Shutdown();
  Acceptor.join();
  const std::lock_guard<std::mutex> hold(ConnectionsLock);
  for (TConnection& connection : Connections)
    connection.Session->Shutdown();
  for (TConnection& connection : Connections)
    connection.Thread.join();
}

void TFrameServer::AcceptConnections()
{
  for (;;) {
    TSocket socket = Listener.Accept();
    if (Stopping)
      return;
    if (!socket.Valid()) {
      const std::lock_guard<std::mutex> hold(LogLock);
      Log << "stopped accepting connections: the listening socket failed\n";
      return;
    }
    const std::lock_guard<std::mutex> hold(ConnectionsLock);
    // Threads of connections that ended are joined as new ones come.
    for (auto at = Connections.begin(); at != Connections.end();) {
      if (at->Ended) {
        at->Thread.join();
        at = Connections.erase(at);
      } else {
        ++at;
      }
    }
    TConnection& connection = Connections.emplace_back();
    connection.Session = std::make_shared<TServerSession>(std::move(socket), Secret);
    connection.Thread = std::thread([this, &connection] {
      Serve(*connection.Session);
      connection.Ended = true;
    });
  }
}

void TFrameServer::Serve(TServerSession& session)
{
  if (!session.Handshake())
    return;
  while (std::optional<TServerSession::TRequest> request = session.ReadRequest()) {
    const bool answered = request->Kind == Protocol::TKind::Frame ? AnswerFrame(session, request->Payload)
                                                                  : AnswerPrepare(session, request->Payload);
    if (!answered)
      return;
  }
}

bool TFrameServer::AnswerFrame(TServerSession& session, const std::vector<std::uint8_t>& payload)
{
  const std::optional<Protocol::TFrameRequest> request = Protocol::DecodeFrameRequest(payload);
  if (!request)
    return session.WriteResponse(Protocol::TStatus::BadRequest, {});
  const TServedMovies::TFound found = Movies.Find(request->Movie, request->Frame);
  if (found.Status != Protocol::TStatus::Ok)
    return session.WriteResponse(found.Status, {});
  const std::shared_ptr<const TDecodedFrame> picture = found.Source->Get(request->Frame, request->Forward);
  if (!picture)
    return session.WriteResponse(Protocol::TStatus::Damaged, {});
  return session.WriteFrame(picture->Width, picture->Height, request->RowsWanted ? picture->Bgr.data() : nullptr);
}

bool TFrameServer::AnswerPrepare(TServerSession& session, const std::vector<std::uint8_t>& payload)
{
  const std::optional<Protocol::TPrepareRequest> request = Protocol::DecodePrepareRequest(payload);
  if (!request)
    return session.WriteResponse(Protocol::TStatus::BadRequest, {});
  // Told to the user in one piece once it is done, not between another's lines.
  std::ostringstream told;
  TMovieCache cache(Cache.Folder(), told);
  TPreparation preparation(cache, told);
  std::vector<std::uint8_t> answer;
  Protocol::TStatus status = Protocol::TStatus::Ok;
  try {
    const TPrepared prepared = preparation.Prepare(request->MoviePath, request->From);
    answer = Protocol::EncodePrepareAnswer({prepared.Playable, prepared.First});
  } catch (const TPreparation::TXRefusal& x) {
    told << x.what() << "\n";
    const std::string why = x.what();
    answer.assign(why.begin(), why.end());
    status = Protocol::TStatus::NotPlayable;
  }
  {
    const std::lock_guard<std::mutex> hold(LogLock);
    Log << told.str() << std::flush;
  }
  return session.WriteResponse(status, answer);
}
