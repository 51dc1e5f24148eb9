#include "channel/frameclient.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "channel/framelayout.h"
#include "channel/randombytes.h"

namespace {

constexpr char ServerVariable[] = "VELMO_FRAME_SERVER";
constexpr char SecretVariable[] = "VELMO_FRAME_SECRET";

// A foreign listener that never speaks does not hold a caller for the whole
// answer timeout: the handshake is answered without any decoding.
constexpr std::chrono::milliseconds HandshakeTimeout{30000};
// Answers other than pictures (errors, preparations) are short text.
constexpr std::uint32_t MaxTextPayload = 64 * 1024;
// Rows are received about this many bytes at a time.
constexpr std::size_t ReceiveBlockBytes = 1 << 20;

std::string Variable(const char* name)
{
  const char* value = std::getenv(name);
  return value ? value : "";
}

// "host:port" with a port of 1 to 65535.
bool WellFormedAddress(const std::string& address)
{
  const std::size_t colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0)
    return false;
  const std::string port = address.substr(colon + 1);
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const long number = std::strtol(port.c_str(), nullptr, 10);
  return number >= 1 && number <= 65535;
}

TFrameClient::TStatus FromProtocol(std::uint32_t status)
{
  using TStatus = TFrameClient::TStatus;
  switch (static_cast<Protocol::TStatus>(status)) {
  case Protocol::TStatus::Ok:
    return TStatus::Ok;
  case Protocol::TStatus::UnknownMovie:
    return TStatus::UnknownMovie;
  case Protocol::TStatus::Damaged:
    return TStatus::Damaged;
  case Protocol::TStatus::MovieChanged:
    return TStatus::MovieChanged;
  case Protocol::TStatus::BadRequest:
    return TStatus::BadRequest;
  case Protocol::TStatus::NotPlayable:
    return TStatus::NotPlayable;
  }
  return TStatus::BadRequest;
}

}  // namespace

bool TFrameClient::Configured()
{
  return WellFormedAddress(Variable(ServerVariable)) && Protocol::SecretFromHex(Variable(SecretVariable));
}

TFrameClient::TFrameClient()
{
  const std::optional<Protocol::TSecret> secret = Protocol::SecretFromHex(Variable(SecretVariable));
  ServerAddress = Variable(ServerVariable);
  ServerKnown = secret && WellFormedAddress(ServerAddress);
  if (secret)
    Secret = *secret;
}

TFrameClient::TFrameClient(std::string serverAddress, const Protocol::TSecret& secret)
  : ServerKnown(WellFormedAddress(serverAddress)), ServerAddress(std::move(serverAddress)), Secret(secret)
{
}

TFrameClient::TStatus TFrameClient::Drop(TStatus status)
{
  Socket.Close();
  return status;
}

TFrameClient::TStatus TFrameClient::EnsureConnected()
{
  if (Socket.Valid())
    return TStatus::Ok;
  if (!ServerKnown)
    return TStatus::NoServer;
  Socket = TSocket::Connect(ServerAddress);
  if (!Socket.Valid())
    return TStatus::NoServer;
  const TStatus status = Handshake();
  if (status != TStatus::Ok)
    return Drop(status);
  return TStatus::Ok;
}

TFrameClient::TStatus TFrameClient::Handshake()
{
  if (!Socket.SetReceiveTimeout(HandshakeTimeout))
    return TStatus::NoServer;
  std::array<std::uint8_t, Protocol::ServerHelloBytes> helloBytes;
  if (!Socket.ReceiveExactly(helloBytes.data(), helloBytes.size()))
    return TStatus::Refused;
  const std::optional<Protocol::TNonce> serverNonce = Protocol::DecodeServerHello(helloBytes.data());
  if (!serverNonce)
    return TStatus::Refused;
  Protocol::TClientHello hello;
  try {
    FillRandom(hello.Nonce.data(), hello.Nonce.size());
  } catch (const std::runtime_error&) {
    return TStatus::NoServer;
  }
  hello.Proof = Protocol::ClientProof(Secret, *serverNonce, hello.Nonce);
  const auto helloOut = Protocol::EncodeClientHello(hello);
  if (!Socket.SendAll(helloOut.data(), helloOut.size()))
    return TStatus::Refused;
  // A server that does not accept our proof closes without a word.
  std::array<std::uint8_t, Protocol::ServerAcceptBytes> acceptBytes;
  if (!Socket.ReceiveExactly(acceptBytes.data(), acceptBytes.size()))
    return TStatus::Refused;
  const std::optional<Protocol::TProof> serverProof = Protocol::DecodeServerAccept(acceptBytes.data());
  if (!serverProof || !Protocol::SameProof(*serverProof, Protocol::ServerProof(Secret, hello.Nonce, *serverNonce)))
    return TStatus::Refused;
  if (!Socket.SetReceiveTimeout(AnswerTimeout))
    return TStatus::Lost;
  return TStatus::Ok;
}

TFrameClient::TStatus TFrameClient::Exchange(Protocol::TKind kind, const std::vector<std::uint8_t>& payload,
                                             Protocol::THeader& header)
{
  const TStatus connected = EnsureConnected();
  if (connected != TStatus::Ok)
    return connected;
  const std::vector<std::uint8_t> request = Protocol::EncodeRequest(kind, payload);
  std::array<std::uint8_t, Protocol::HeaderBytes> headerBytes;
  if (!Socket.SendAll(request.data(), request.size()) || !Socket.ReceiveExactly(headerBytes.data(), headerBytes.size()))
    return Drop(TStatus::Lost);
  header = Protocol::DecodeHeader(headerBytes.data());
  // A status we do not know means we no longer understand the stream.
  if (!Protocol::KnownStatus(header.Word))
    return Drop(TStatus::BadRequest);
  return TStatus::Ok;
}

TFrameClient::TStatus TFrameClient::ReadSmallPayload(std::uint32_t bytes, std::vector<std::uint8_t>& payload)
{
  if (bytes > MaxTextPayload)
    return Drop(TStatus::BadRequest);
  payload.resize(bytes);
  if (!Socket.ReceiveExactly(payload.data(), payload.size()))
    return Drop(TStatus::Lost);
  return TStatus::Ok;
}

TFrameClient::TStatus TFrameClient::Frame(const ServedFrame::TMovieId& movie, std::uint32_t frame, bool forward,
                                          std::uint32_t width, std::uint32_t height, std::uint16_t bitCount,
                                          std::uint8_t* dibRows)
{
  const std::optional<std::uint32_t> expectedBytes = Protocol::FramePayloadBytes(width, height, true);
  if (!FrameLayout::DepthSupported(bitCount) || !expectedBytes || width == 0 || height == 0)
    return TStatus::BadRequest;
  Protocol::THeader header;
  const TStatus exchanged = Exchange(Protocol::TKind::Frame,
                                     Protocol::EncodeFrameRequest({movie, frame, true, forward}), header);
  if (exchanged != TStatus::Ok)
    return exchanged;
  if (header.Word != static_cast<std::uint32_t>(Protocol::TStatus::Ok)) {
    std::vector<std::uint8_t> why;
    const TStatus read = ReadSmallPayload(header.PayloadBytes, why);
    return read == TStatus::Ok ? FromProtocol(header.Word) : read;
  }
  // The picture must be of the caller's size: otherwise nothing is written
  // and the rest of the answer is not read (the connection is dropped).
  if (header.PayloadBytes != *expectedBytes)
    return Drop(TStatus::BadRequest);
  std::array<std::uint8_t, Protocol::FrameSizeBytes> sizeBytes;
  if (!Socket.ReceiveExactly(sizeBytes.data(), sizeBytes.size()))
    return Drop(TStatus::Lost);
  std::uint32_t sentWidth = 0, sentHeight = 0;
  Protocol::DecodeFrameSize(sizeBytes.data(), sentWidth, sentHeight);
  if (sentWidth != width || sentHeight != height)
    return Drop(TStatus::BadRequest);
  // A block of rows at a time into place: no second copy of a large picture,
  // and few receive calls, each of which costs a trip through Wine's server.
  const std::size_t rowBytes = FrameLayout::DibRowBytes(width, bitCount);
  const std::size_t packedRowBytes = static_cast<std::size_t>(width) * 3;
  const std::uint32_t blockRows = static_cast<std::uint32_t>(
    std::max<std::size_t>(1, ReceiveBlockBytes / packedRowBytes));
  std::vector<std::uint8_t> block(packedRowBytes * std::min(blockRows, height));
  for (std::uint32_t y = 0; y < height;) {
    const std::uint32_t rows = std::min(blockRows, height - y);
    if (!Socket.ReceiveExactly(block.data(), packedRowBytes * rows))
      return Drop(TStatus::Lost);
    for (std::uint32_t i = 0; i < rows; ++i, ++y)
      FrameLayout::LayoutRow(block.data() + packedRowBytes * i, width, bitCount,
                             dibRows + static_cast<std::size_t>(height - 1 - y) * rowBytes);
  }
  return TStatus::Ok;
}

TFrameClient::TStatus TFrameClient::Check(const ServedFrame::TMovieId& movie, std::uint32_t frame)
{
  Protocol::THeader header;
  const TStatus exchanged = Exchange(Protocol::TKind::Frame, Protocol::EncodeFrameRequest({movie, frame, false, false}),
                                     header);
  if (exchanged != TStatus::Ok)
    return exchanged;
  std::vector<std::uint8_t> payload;
  const TStatus read = ReadSmallPayload(header.PayloadBytes, payload);
  if (read != TStatus::Ok)
    return read;
  if (header.Word == static_cast<std::uint32_t>(Protocol::TStatus::Ok) && payload.size() != Protocol::FrameSizeBytes)
    return Drop(TStatus::BadRequest);
  return FromProtocol(header.Word);
}

TFrameClient::TStatus TFrameClient::Prepare(const std::string& unixPathUtf8, const std::string& from,
                                            std::string& playableUnixPath, std::uint32_t& firstFrame,
                                            std::string& refusal)
{
  const std::vector<std::uint8_t> request = Protocol::EncodePrepareRequest({unixPathUtf8, from});
  if (unixPathUtf8.empty() || request.size() > Protocol::MaxRequestPayload)
    return TStatus::BadRequest;
  Protocol::THeader header;
  const TStatus exchanged = Exchange(Protocol::TKind::Prepare, request, header);
  if (exchanged != TStatus::Ok)
    return exchanged;
  std::vector<std::uint8_t> payload;
  const TStatus read = ReadSmallPayload(header.PayloadBytes, payload);
  if (read != TStatus::Ok)
    return read;
  if (header.Word != static_cast<std::uint32_t>(Protocol::TStatus::Ok)) {
    refusal.assign(payload.begin(), payload.end());
    while (!refusal.empty() && (refusal.back() == '\n' || refusal.back() == '\r'))
      refusal.pop_back();
    return FromProtocol(header.Word);
  }
  const std::optional<Protocol::TPrepareAnswer> answer = Protocol::DecodePrepareAnswer(payload);
  if (!answer)
    return TStatus::BadRequest;
  playableUnixPath = answer->PlayablePath;
  firstFrame = answer->FirstFrame;
  return TStatus::Ok;
}
