#include "channel/serversession.h"

#include <chrono>
#include <stdexcept>
#include <utility>

#include "channel/randombytes.h"

namespace {

constexpr std::chrono::milliseconds HandshakeTimeout{30000};

}  // namespace

TServerSession::TServerSession(TSocket socket, const Protocol::TSecret& secret)
  : Socket(std::move(socket)), Secret(secret)
{
}

bool TServerSession::Handshake()
{
  Protocol::TNonce serverNonce;
  try {
    FillRandom(serverNonce.data(), serverNonce.size());
  } catch (const std::runtime_error&) {
    Socket.Shutdown();
    return false;
  }
  // A connection that never proves anything does not hold its thread: the
  // client's answer comes without any work on its side. Requests may then
  // come as seldom as the user likes.
  const auto hello = Protocol::EncodeServerHello(serverNonce);
  std::array<std::uint8_t, Protocol::ClientHelloBytes> answer;
  if (!Socket.SetReceiveTimeout(HandshakeTimeout) || !Socket.SendAll(hello.data(), hello.size()) ||
      !Socket.ReceiveExactly(answer.data(), answer.size()) || !Socket.SetReceiveTimeout({})) {
    Socket.Shutdown();
    return false;
  }
  const Protocol::TClientHello client = Protocol::DecodeClientHello(answer.data());
  if (!Protocol::SameProof(client.Proof, Protocol::ClientProof(Secret, serverNonce, client.Nonce))) {
    Socket.Shutdown();
    return false;
  }
  const auto accept = Protocol::EncodeServerAccept(Protocol::ServerProof(Secret, client.Nonce, serverNonce));
  if (!Socket.SendAll(accept.data(), accept.size())) {
    Socket.Shutdown();
    return false;
  }
  return true;
}

std::optional<TServerSession::TRequest> TServerSession::ReadRequest()
{
  std::array<std::uint8_t, Protocol::HeaderBytes> headerBytes;
  if (!Socket.ReceiveExactly(headerBytes.data(), headerBytes.size())) {
    Socket.Shutdown();
    return std::nullopt;
  }
  const Protocol::THeader header = Protocol::DecodeHeader(headerBytes.data());
  const bool knownKind = header.Word == static_cast<std::uint32_t>(Protocol::TKind::Frame) ||
                         header.Word == static_cast<std::uint32_t>(Protocol::TKind::Prepare);
  if (!knownKind || header.PayloadBytes > Protocol::MaxRequestPayload) {
    Socket.Shutdown();
    return std::nullopt;
  }
  TRequest request;
  request.Kind = static_cast<Protocol::TKind>(header.Word);
  request.Payload.resize(header.PayloadBytes);
  if (!Socket.ReceiveExactly(request.Payload.data(), request.Payload.size())) {
    Socket.Shutdown();
    return std::nullopt;
  }
  return request;
}

bool TServerSession::WriteResponse(Protocol::TStatus status, const std::vector<std::uint8_t>& payload)
{
  const std::vector<std::uint8_t> bytes = Protocol::EncodeResponse(status, payload);
  return Socket.SendAll(bytes.data(), bytes.size());
}

bool TServerSession::WriteFrame(std::uint32_t width, std::uint32_t height, const std::uint8_t* bgrTopDown)
{
  const std::optional<std::uint32_t> payloadBytes = Protocol::FramePayloadBytes(width, height, bgrTopDown != nullptr);
  if (!payloadBytes)
    return WriteResponse(Protocol::TStatus::Damaged, {});
  const auto header = Protocol::EncodeHeader(static_cast<std::uint32_t>(Protocol::TStatus::Ok), *payloadBytes);
  const auto size = Protocol::EncodeFrameSize(width, height);
  return Socket.SendAll(header.data(), header.size()) && Socket.SendAll(size.data(), size.size()) &&
         (!bgrTopDown || Socket.SendAll(bgrTopDown, *payloadBytes - Protocol::FrameSizeBytes));
}
