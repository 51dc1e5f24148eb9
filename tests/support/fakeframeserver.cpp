#include "tests/support/fakeframeserver.h"

#include "channel/randombytes.h"

#include <cstdlib>
#include <stdexcept>

namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t count)
{
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

bool Send(const TSocket& socket, const std::vector<std::uint8_t>& bytes)
{
  return socket.SendAll(bytes.data(), bytes.size());
}

}  // namespace

TFakeFrameServer::TFakeFrameServer(std::uint32_t width, std::uint32_t height, TPictures pictures, TPreparer preparer)
  : Width(width),
    Height(height),
    Pictures(std::move(pictures)),
    Preparer(std::move(preparer)),
    Listener(TSocket::ListenOnLoopback())
{
  if (!Listener.Valid())
    throw std::runtime_error("the fake frame server cannot listen");
  Port = Listener.LocalPort();
  for (std::size_t i = 0; i < RunSecret.size(); ++i)
    RunSecret[i] = static_cast<std::uint8_t>(0x5A ^ (i * 37));
  Acceptor = std::thread([this] { Accept(); });
}

TFakeFrameServer::~TFakeFrameServer()
{
  Go();
  Acceptor.join();
  // No session starts once the acceptor has ended.
  for (std::thread& session : Sessions)
    session.join();
}

std::string TFakeFrameServer::Address() const
{
  return "127.0.0.1:" + std::to_string(Port);
}

void TFakeFrameServer::BecomeTheRunsServer() const
{
  _putenv(("VELMO_FRAME_SERVER=" + Address()).c_str());
  _putenv(("VELMO_FRAME_SECRET=" + Hex(RunSecret.data(), RunSecret.size())).c_str());
}

std::vector<Protocol::TFrameRequest> TFakeFrameServer::Requests() const
{
  std::lock_guard<std::mutex> lock(Lock);
  return Answered;
}

std::vector<std::string> TFakeFrameServer::PreparedMovies() const
{
  std::lock_guard<std::mutex> lock(Lock);
  return Prepared;
}

std::vector<std::uint8_t> TFakeFrameServer::Prepare(const std::vector<std::uint8_t>& payload)
{
  const std::optional<Protocol::TPrepareRequest> request = Protocol::DecodePrepareRequest(payload);
  if (!request || !Preparer)
    return Protocol::EncodeResponse(Protocol::TStatus::BadRequest, {});
  {
    std::lock_guard<std::mutex> lock(Lock);
    Prepared.push_back(request->MoviePath);
  }
  const TPrepared prepared = Preparer(request->MoviePath);
  if (!prepared.Refusal.empty())
    return Protocol::EncodeResponse(Protocol::TStatus::NotPlayable, {prepared.Refusal.begin(), prepared.Refusal.end()});
  return Protocol::EncodeResponse(Protocol::TStatus::Ok,
                                  Protocol::EncodePrepareAnswer({prepared.PlayablePath, prepared.FirstFrame}));
}

void TFakeFrameServer::GoAfter(std::size_t answers)
{
  std::lock_guard<std::mutex> lock(Lock);
  AnswersLeft = answers;
}

void TFakeFrameServer::GoHalfwayThroughThePicture()
{
  std::lock_guard<std::mutex> lock(Lock);
  Halfway = true;
}

void TFakeFrameServer::Go()
{
  {
    std::lock_guard<std::mutex> lock(Lock);
    if (Gone)
      return;
    Gone = true;
    Listener.Shutdown();
    for (const std::shared_ptr<TSocket>& client : Clients)
      client->Shutdown();
  }
  // A listener shut down need not wake a thread waiting for a connection on
  // every platform; a connection does.
  const TSocket wake = TSocket::Connect(Address());
}

void TFakeFrameServer::Accept()
{
  for (;;) {
    auto client = std::make_shared<TSocket>(Listener.Accept());
    std::lock_guard<std::mutex> lock(Lock);
    if (Gone || !client->Valid()) {
      // Whoever connects from now on is refused.
      Listener.Close();
      return;
    }
    Clients.push_back(client);
    Sessions.emplace_back([this, client] { Serve(client); });
  }
}

bool TFakeFrameServer::Handshake(const TSocket& client) const
{
  Protocol::TNonce serverNonce;
  FillRandom(serverNonce.data(), serverNonce.size());
  const auto hello = Protocol::EncodeServerHello(serverNonce);
  std::uint8_t answer[Protocol::ClientHelloBytes];
  if (!client.SendAll(hello.data(), hello.size()) || !client.ReceiveExactly(answer, sizeof answer))
    return false;
  const Protocol::TClientHello proof = Protocol::DecodeClientHello(answer);
  if (!Protocol::SameProof(proof.Proof, Protocol::ClientProof(RunSecret, serverNonce, proof.Nonce)))
    return false;
  const auto accept = Protocol::EncodeServerAccept(Protocol::ServerProof(RunSecret, proof.Nonce, serverNonce));
  return client.SendAll(accept.data(), accept.size());
}

void TFakeFrameServer::Serve(const std::shared_ptr<TSocket>& client)
{
  if (!Handshake(*client))
    return client->Shutdown();
  for (;;) {
    std::uint8_t headerBytes[Protocol::HeaderBytes];
    if (!client->ReceiveExactly(headerBytes, sizeof headerBytes))
      return;
    const Protocol::THeader header = Protocol::DecodeHeader(headerBytes);
    if (header.PayloadBytes > Protocol::MaxRequestPayload)
      return client->Shutdown();
    std::vector<std::uint8_t> payload(header.PayloadBytes);
    if (!client->ReceiveExactly(payload.data(), payload.size()))
      return client->Shutdown();
    if (header.Word == static_cast<std::uint32_t>(Protocol::TKind::Prepare)) {
      if (!Send(*client, Prepare(payload)))
        return;
      continue;
    }
    const std::optional<Protocol::TFrameRequest> request = Protocol::DecodeFrameRequest(payload);
    if (!request) {
      if (!Send(*client, Protocol::EncodeResponse(Protocol::TStatus::BadRequest, {})))
        return;
      continue;
    }
    bool halfway = false;
    bool goNow = false;
    {
      std::lock_guard<std::mutex> lock(Lock);
      if (Gone)
        return;
      goNow = AnswersLeft && (*AnswersLeft)-- == 0;
      if (!goNow)
        Answered.push_back(*request);
      halfway = Halfway && request->RowsWanted;
    }
    if (goNow)
      return Go();
    const std::optional<std::vector<std::uint8_t>> picture = Pictures(request->Frame);
    if (!picture) {
      if (!Send(*client, Protocol::EncodeResponse(Protocol::TStatus::Damaged, {})))
        return;
      continue;
    }
    const std::uint32_t rowBytes = Width * 3;
    const auto head = Protocol::EncodeHeader(static_cast<std::uint32_t>(Protocol::TStatus::Ok),
                                             *Protocol::FramePayloadBytes(Width, Height, request->RowsWanted));
    const auto size = Protocol::EncodeFrameSize(Width, Height);
    const std::size_t rows = !request->RowsWanted ? 0 : halfway ? Height / 2 : Height;
    if (!client->SendAll(head.data(), head.size()) || !client->SendAll(size.data(), size.size()) ||
        !client->SendAll(picture->data(), rows * rowBytes))
      return;
    if (halfway)
      return Go();
  }
}
