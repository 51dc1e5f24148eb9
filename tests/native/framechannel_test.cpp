// The frame channel end to end over loopback: a server thread of TServerSession
// answering a TFrameClient, the handshake's refusals both ways, and a server
// that dies, goes or keeps silent while a caller waits.
#include "channel/framelayout.h"
#include "channel/frameclient.h"
#include "channel/protocol.h"
#include "channel/serversession.h"
#include "channel/socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using TStatus = TFrameClient::TStatus;
using TClock = std::chrono::steady_clock;

// Long enough for any host, short enough that a hang fails the test rather
// than the whole run.
constexpr auto Patience = std::chrono::seconds(60);

const Protocol::TSecret RunSecret = *Protocol::SecretFromHex(
  "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff");
const Protocol::TSecret OtherSecret = *Protocol::SecretFromHex(std::string(64, '7'));
const ServedFrame::TMovieId KnownMovie = ServedFrame::MovieIdOf("/movies/known.mp4");
constexpr std::uint32_t PictureWidth = 5, PictureHeight = 3;  // odd: rows need padding
constexpr std::uint32_t DamagedFrame = 999;

// Frame n's packed picture, top row first.
std::vector<std::uint8_t> Picture(std::uint32_t frame)
{
  std::vector<std::uint8_t> bgr(PictureWidth * PictureHeight * 3);
  for (std::size_t i = 0; i < bgr.size(); ++i)
    bgr[i] = static_cast<std::uint8_t>(i * 7 + frame * 31 + 1);
  return bgr;
}

std::vector<std::uint8_t> ExpectedDib(std::uint32_t frame, std::uint16_t bitCount)
{
  std::vector<std::uint8_t> dib(PictureHeight * FrameLayout::DibRowBytes(PictureWidth, bitCount));
  FrameLayout::LayoutFrame(Picture(frame).data(), PictureWidth, PictureHeight, bitCount, dib.data());
  return dib;
}

void SetVariable(const char* name, const char* value)
{
#ifdef _WIN32
  _putenv_s(name, value);  // an empty value removes it
#else
  setenv(name, value, 1);
#endif
}

void RemoveVariable(const char* name)
{
#ifdef _WIN32
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

// What the server does with a request; false ends the connection.
using THandler = std::function<bool(TServerSession&, const TServerSession::TRequest&)>;

// A frame server of one movie, as the real one answers.
bool AnswerLikeTheServer(TServerSession& session, const TServerSession::TRequest& request)
{
  if (request.Kind == Protocol::TKind::Prepare) {
    const auto prepare = Protocol::DecodePrepareRequest(request.Payload);
    if (!prepare)
      return session.WriteResponse(Protocol::TStatus::BadRequest, {});
    if (prepare->MoviePath != "/movies/known.mp4") {
      const std::string why = "not a movie: " + prepare->MoviePath + "\n";
      return session.WriteResponse(Protocol::TStatus::NotPlayable, {why.begin(), why.end()});
    }
    const std::uint32_t first = prepare->From == "2f" ? 2 : 0;
    return session.WriteResponse(Protocol::TStatus::Ok,
                                 Protocol::EncodePrepareAnswer({"/cache/known-x.velmo-index.avi", first}));
  }
  const auto frame = Protocol::DecodeFrameRequest(request.Payload);
  if (!frame)
    return session.WriteResponse(Protocol::TStatus::BadRequest, {});
  if (frame->Movie != KnownMovie)
    return session.WriteResponse(Protocol::TStatus::UnknownMovie, {});
  if (frame->Frame == DamagedFrame)
    return session.WriteResponse(Protocol::TStatus::Damaged, {});
  const std::vector<std::uint8_t> picture = Picture(frame->Frame);
  return session.WriteFrame(PictureWidth, PictureHeight, frame->RowsWanted ? picture.data() : nullptr);
}

// Serves one connection at a time on a thread of its own, counting what
// happened so that tests can wait on it.
class TTestServer {
public:
  explicit TTestServer(const Protocol::TSecret& secret, THandler handler = AnswerLikeTheServer)
    : Listener(TSocket::ListenOnLoopback()),
      Port(Listener.LocalPort()),
      Secret(secret),
      Handler(std::move(handler)),
      Thread([this] { Run(); })
  {
  }
  ~TTestServer() { Stop(); }

  std::string Address() const { return "127.0.0.1:" + std::to_string(Port); }

  // Stops listening and ends the connection being served.
  void Stop()
  {
    {
      std::lock_guard<std::mutex> lock(Mutex);
      if (Stopping)
        return;
      Stopping = true;
      if (Current)
        Current->Shutdown();
    }
    // A connection of its own wakes the accept: a listener shut down does
    // not, under Winsock.
    TSocket::Connect(Address());
    Thread.join();
  }

  // Waits until this many connections failed the handshake / ended.
  bool WaitRefused(int count)
  {
    return WaitFor([&] { return Refused >= count; });
  }
  bool WaitEnded(int count)
  {
    return WaitFor([&] { return Ended >= count; });
  }
  int Requests()
  {
    std::lock_guard<std::mutex> lock(Mutex);
    return RequestCount;
  }

private:
  bool WaitFor(const std::function<bool()>& done)
  {
    std::unique_lock<std::mutex> lock(Mutex);
    return Changed.wait_for(lock, Patience, done);
  }

  void Run()
  {
    for (;;) {
      TSocket connection = Listener.Accept();
      if (!connection.Valid())
        return;
      TServerSession session(std::move(connection), Secret);
      {
        std::lock_guard<std::mutex> lock(Mutex);
        if (Stopping)
          return;
        Current = &session;
      }
      if (session.Handshake()) {
        while (const auto request = session.ReadRequest()) {
          {
            std::lock_guard<std::mutex> lock(Mutex);
            ++RequestCount;
          }
          if (!Handler(session, *request))
            break;
        }
      } else {
        std::lock_guard<std::mutex> lock(Mutex);
        ++Refused;
      }
      std::lock_guard<std::mutex> lock(Mutex);
      Current = nullptr;
      ++Ended;
      Changed.notify_all();
    }
  }

  TSocket Listener;
  std::uint16_t Port;
  Protocol::TSecret Secret;
  THandler Handler;
  std::mutex Mutex;
  std::condition_variable Changed;
  TServerSession* Current = nullptr;
  bool Stopping = false;
  int Refused = 0, Ended = 0, RequestCount = 0;
  std::thread Thread;
};

std::vector<std::uint8_t> DibOf(std::uint16_t bitCount, std::uint8_t fill)
{
  return std::vector<std::uint8_t>(PictureHeight * FrameLayout::DibRowBytes(PictureWidth, bitCount), fill);
}

TStatus AskFrame(TFrameClient& client, std::uint32_t frame, std::vector<std::uint8_t>& dib, std::uint16_t bitCount)
{
  return client.Frame(KnownMovie, frame, true, PictureWidth, PictureHeight, bitCount, dib.data());
}

TEST(FrameChannel, AnswersFramesInEitherDepthChecksAndPreparations)
{
  TTestServer server(RunSecret);
  TFrameClient client(server.Address(), RunSecret);
  for (const std::uint16_t bitCount : {std::uint16_t{24}, std::uint16_t{32}}) {
    for (const std::uint32_t frame : {0u, 1u, 40u}) {
      std::vector<std::uint8_t> dib = DibOf(bitCount, 0xAA);
      ASSERT_EQ(AskFrame(client, frame, dib, bitCount), TStatus::Ok);
      EXPECT_EQ(dib, ExpectedDib(frame, bitCount)) << bitCount << " bits, frame " << frame;
    }
  }
  EXPECT_EQ(client.Check(KnownMovie, 3), TStatus::Ok);

  std::string playable, refusal;
  std::uint32_t first = 99;
  ASSERT_EQ(client.Prepare("/movies/known.mp4", "2f", playable, first, refusal), TStatus::Ok);
  EXPECT_EQ(playable, "/cache/known-x.velmo-index.avi");
  EXPECT_EQ(first, 2u);
  // Everything went over one connection.
  EXPECT_EQ(server.Requests(), 8);
}

TEST(FrameChannel, TheServersRefusalsReachTheCallerAndTheConnectionGoesOn)
{
  TTestServer server(RunSecret);
  TFrameClient client(server.Address(), RunSecret);
  std::vector<std::uint8_t> dib = DibOf(24, 0xAA);
  const std::vector<std::uint8_t> untouched = dib;
  EXPECT_EQ(
    client.Frame(ServedFrame::MovieIdOf("/elsewhere.mp4"), 0, false, PictureWidth, PictureHeight, 24, dib.data()),
    TStatus::UnknownMovie);
  EXPECT_EQ(AskFrame(client, DamagedFrame, dib, 24), TStatus::Damaged);
  EXPECT_EQ(client.Check(KnownMovie, DamagedFrame), TStatus::Damaged);
  EXPECT_EQ(dib, untouched);

  std::string playable, refusal;
  std::uint32_t first = 0;
  EXPECT_EQ(client.Prepare("/home/u/notes.txt", "", playable, first, refusal), TStatus::NotPlayable);
  EXPECT_EQ(refusal, "not a movie: /home/u/notes.txt");
  EXPECT_EQ(playable, "");

  EXPECT_EQ(AskFrame(client, 1, dib, 24), TStatus::Ok);
  EXPECT_EQ(server.Requests(), 5);
}

TEST(FrameChannel, PictureOfAnotherSizeIsRefusedWithoutWritingIntoTheCaller)
{
  TTestServer server(RunSecret);
  TFrameClient client(server.Address(), RunSecret);
  for (const auto& [width, height] :
       {std::pair{PictureWidth + 1, PictureHeight}, {PictureWidth, PictureHeight - 1}, {PictureHeight, PictureWidth}}) {
    // The caller's DIB is of the size it expects, plus a guard.
    std::vector<std::uint8_t> dib(height * FrameLayout::DibRowBytes(width, 24) + 64, 0xAA);
    EXPECT_EQ(client.Frame(KnownMovie, 1, false, width, height, 24, dib.data()), TStatus::BadRequest);
    EXPECT_EQ(dib, std::vector<std::uint8_t>(dib.size(), 0xAA)) << width << " x " << height;
  }
  std::vector<std::uint8_t> dib = DibOf(16, 0xAA);
  EXPECT_EQ(client.Frame(KnownMovie, 1, false, PictureWidth, PictureHeight, 16, dib.data()), TStatus::BadRequest);
  // The next request is answered as ever.
  dib = DibOf(24, 0);
  EXPECT_EQ(AskFrame(client, 1, dib, 24), TStatus::Ok);
  EXPECT_EQ(dib, ExpectedDib(1, 24));
}

TEST(FrameChannel, CallerWithoutTheRunsSecretIsRefusedAndGetsNothing)
{
  TTestServer server(RunSecret);
  TFrameClient stranger(server.Address(), OtherSecret);
  std::vector<std::uint8_t> dib = DibOf(24, 0xAA);
  EXPECT_EQ(AskFrame(stranger, 1, dib, 24), TStatus::Refused);
  EXPECT_EQ(dib, DibOf(24, 0xAA));
  std::string playable, refusal;
  std::uint32_t first = 0;
  EXPECT_EQ(stranger.Prepare("/movies/known.mp4", "", playable, first, refusal), TStatus::Refused);
  EXPECT_TRUE(server.WaitRefused(2));
  EXPECT_EQ(server.Requests(), 0);
  EXPECT_EQ(playable, "");

  // The server goes on serving those who know the secret.
  TFrameClient client(server.Address(), RunSecret);
  EXPECT_EQ(AskFrame(client, 1, dib, 24), TStatus::Ok);
}

// The server's half of the handshake done by hand, for servers that then
// misbehave in ways TServerSession never would.
bool ServerHandshakeByHand(const TSocket& connection, const Protocol::TSecret& secret)
{
  const Protocol::TNonce serverNonce{4, 5, 6};
  const auto hello = Protocol::EncodeServerHello(serverNonce);
  std::array<std::uint8_t, Protocol::ClientHelloBytes> clientHello;
  if (!connection.SendAll(hello.data(), hello.size()) ||
      !connection.ReceiveExactly(clientHello.data(), clientHello.size()))
    return false;
  const auto client = Protocol::DecodeClientHello(clientHello.data());
  const auto accept = Protocol::EncodeServerAccept(Protocol::ServerProof(secret, client.Nonce, serverNonce));
  return connection.SendAll(accept.data(), accept.size());
}

bool ReadRequestByHand(const TSocket& connection)
{
  std::array<std::uint8_t, Protocol::HeaderBytes> header;
  if (!connection.ReceiveExactly(header.data(), header.size()))
    return false;
  std::vector<std::uint8_t> payload(Protocol::DecodeHeader(header.data()).PayloadBytes);
  return connection.ReceiveExactly(payload.data(), payload.size());
}

TEST(FrameChannel, ClientRefusesAServerThatCannotProveTheSecret)
{
  // Someone else on the port: takes any proof and answers with one of its own.
  TSocket listener = TSocket::ListenOnLoopback();
  const std::string address = "127.0.0.1:" + std::to_string(listener.LocalPort());
  bool gotRequest = true;
  std::thread impostor([&] {
    TSocket connection = listener.Accept();
    connection.SetReceiveTimeout(Patience);
    gotRequest = ServerHandshakeByHand(connection, OtherSecret) && ReadRequestByHand(connection);
  });
  TFrameClient client(address, RunSecret);
  client.SetAnswerTimeout(std::chrono::minutes(10));
  const auto started = TClock::now();
  EXPECT_EQ(client.Check(KnownMovie, 1), TStatus::Refused);
  impostor.join();
  // The client hung up at once rather than asking anything.
  EXPECT_FALSE(gotRequest);
  EXPECT_LT(TClock::now() - started, Patience);
}

TEST(FrameChannel, ServerEndingMidRequestIsToldAtOnceAndTheNextCallConnectsAgain)
{
  // The first request's connection ends unanswered (the server's thread for
  // it ends); later ones are answered.
  std::atomic<int> requests{0};
  TTestServer server(RunSecret, [&](TServerSession& session, const TServerSession::TRequest& request) {
    return ++requests > 1 && AnswerLikeTheServer(session, request);
  });
  TFrameClient client(server.Address(), RunSecret);
  client.SetAnswerTimeout(std::chrono::minutes(10));
  std::vector<std::uint8_t> dib = DibOf(32, 0);
  const auto started = TClock::now();
  EXPECT_EQ(AskFrame(client, 2, dib, 32), TStatus::Lost);
  EXPECT_LT(TClock::now() - started, Patience);
  EXPECT_EQ(AskFrame(client, 2, dib, 32), TStatus::Ok);
  EXPECT_EQ(dib, ExpectedDib(2, 32));
}

TEST(FrameChannel, ServerDyingInTheMiddleOfTheRowsIsLostThenNoServer)
{
  const auto rowBytes = FrameLayout::DibRowBytes(PictureWidth, 24);
  TSocket listener = TSocket::ListenOnLoopback();
  const std::string address = "127.0.0.1:" + std::to_string(listener.LocalPort());
  std::thread dying([&] {
    TSocket connection = listener.Accept();
    if (!ServerHandshakeByHand(connection, RunSecret) || !ReadRequestByHand(connection))
      return;
    // The answer's start and its first row, then the process is gone.
    const auto header = Protocol::EncodeHeader(0, *Protocol::FramePayloadBytes(PictureWidth, PictureHeight, true));
    const auto size = Protocol::EncodeFrameSize(PictureWidth, PictureHeight);
    const std::vector<std::uint8_t> row(PictureWidth * 3, 0x55);
    connection.SendAll(header.data(), header.size());
    connection.SendAll(size.data(), size.size());
    connection.SendAll(row.data(), row.size());
    listener.Close();
  });
  TFrameClient client(address, RunSecret);
  client.SetAnswerTimeout(std::chrono::minutes(10));
  // A guard row after the DIB: a broken answer writes nothing beyond it.
  std::vector<std::uint8_t> dib((PictureHeight + 1) * rowBytes, 0xAA);
  const auto started = TClock::now();
  EXPECT_EQ(client.Frame(KnownMovie, 1, true, PictureWidth, PictureHeight, 24, dib.data()), TStatus::Lost);
  EXPECT_LT(TClock::now() - started, Patience);
  dying.join();
  EXPECT_EQ(std::vector<std::uint8_t>(dib.end() - rowBytes, dib.end()), std::vector<std::uint8_t>(rowBytes, 0xAA));
  // The one reconnection finds nothing listening.
  EXPECT_EQ(client.Check(KnownMovie, 1), TStatus::NoServer);
}

TEST(FrameChannel, SilentServerIsLostWhenTheAnswerTimesOut)
{
  // Reads the request, then waits for the client to go.
  TTestServer server(RunSecret, [](TServerSession& session, const TServerSession::TRequest&) {
    session.ReadRequest();
    return false;
  });
  TFrameClient client(server.Address(), RunSecret);
  client.SetAnswerTimeout(std::chrono::milliseconds(200));
  EXPECT_EQ(client.Check(KnownMovie, 1), TStatus::Lost);
  // The client hung up: the server's wait for its next request ended.
  EXPECT_TRUE(server.WaitEnded(1));
}

TEST(FrameChannel, ServerClosesOnARequestTooLongOrOfUnknownKind)
{
  TTestServer server(RunSecret);
  const std::pair<std::uint32_t, std::uint32_t> headers[] = {
    {static_cast<std::uint32_t>(Protocol::TKind::Prepare), Protocol::MaxRequestPayload + 1}, {77, 4}};
  int ended = 0;
  for (const auto& [kind, bytes] : headers) {
    TSocket connection = TSocket::Connect(server.Address());
    ASSERT_TRUE(connection.Valid());
    connection.SetReceiveTimeout(Patience);
    std::array<std::uint8_t, Protocol::ServerHelloBytes> hello;
    ASSERT_TRUE(connection.ReceiveExactly(hello.data(), hello.size()));
    Protocol::TClientHello answer;
    answer.Proof = Protocol::ClientProof(RunSecret, *Protocol::DecodeServerHello(hello.data()), answer.Nonce);
    const auto answerBytes = Protocol::EncodeClientHello(answer);
    std::array<std::uint8_t, Protocol::ServerAcceptBytes> accept;
    ASSERT_TRUE(connection.SendAll(answerBytes.data(), answerBytes.size()));
    ASSERT_TRUE(connection.ReceiveExactly(accept.data(), accept.size()));
    const auto header = Protocol::EncodeHeader(kind, bytes);
    ASSERT_TRUE(connection.SendAll(header.data(), header.size()));
    // The server ends the session without waiting for any payload.
    EXPECT_TRUE(server.WaitEnded(++ended)) << kind;
    std::uint8_t byte;
    EXPECT_FALSE(connection.ReceiveExactly(&byte, 1));
  }
  EXPECT_EQ(server.Requests(), 0);
}

TEST(FrameChannel, NoServerWhenNothingListensOrNothingIsConfigured)
{
  std::string freePort;
  {
    TSocket listener = TSocket::ListenOnLoopback();
    freePort = "127.0.0.1:" + std::to_string(listener.LocalPort());
  }
  TFrameClient nobody(freePort, RunSecret);
  EXPECT_EQ(nobody.Check(KnownMovie, 0), TStatus::NoServer);
  EXPECT_EQ(TFrameClient("no port", RunSecret).Check(KnownMovie, 0), TStatus::NoServer);

  RemoveVariable("VELMO_FRAME_SERVER");
  RemoveVariable("VELMO_FRAME_SECRET");
  EXPECT_FALSE(TFrameClient::Configured());
  EXPECT_EQ(TFrameClient().Check(KnownMovie, 0), TStatus::NoServer);

  TTestServer server(RunSecret);
  SetVariable("VELMO_FRAME_SERVER", server.Address().c_str());
  SetVariable("VELMO_FRAME_SECRET", "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF");
  EXPECT_FALSE(TFrameClient::Configured());  // the secret's form is lowercase
  SetVariable("VELMO_FRAME_SECRET", "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff");
  EXPECT_TRUE(TFrameClient::Configured());
  EXPECT_EQ(TFrameClient().Check(KnownMovie, 0), TStatus::Ok);
  SetVariable("VELMO_FRAME_SERVER", "127.0.0.1:");
  EXPECT_FALSE(TFrameClient::Configured());
  RemoveVariable("VELMO_FRAME_SERVER");
  RemoveVariable("VELMO_FRAME_SECRET");
}

}  // namespace
