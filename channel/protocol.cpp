#include "channel/protocol.h"

#include <algorithm>
#include <cstring>

#include "channel/bytes.h"
#include "channel/hex.h"
#include "channel/sha256.h"

namespace Protocol {

namespace {

constexpr char Magic[4] = {'V', 'L', 'M', 'S'};
constexpr std::string_view ClientLabel = "velmo client";
constexpr std::string_view ServerLabel = "velmo server";
constexpr std::string_view FromPrefix = "from=";
constexpr std::string_view PlayablePrefix = "playable=";
constexpr std::string_view FirstPrefix = "first=";

TProof Prove(const TSecret& secret, std::string_view label, const TNonce& first, const TNonce& second)
{
  std::array<std::uint8_t, 64> message;
  static_assert(ClientLabel.size() + 32 <= 64 && ServerLabel.size() + 32 <= 64);
  const std::size_t size = label.size() + first.size() + second.size();
  auto end = std::copy(label.begin(), label.end(), message.begin());
  end = std::copy(first.begin(), first.end(), end);
  std::copy(second.begin(), second.end(), end);
  return HmacSha256(secret.data(), secret.size(), message.data(), size);
}

std::vector<std::uint8_t> Framed(std::uint32_t word, const std::vector<std::uint8_t>& payload)
{
  const auto header = EncodeHeader(word, static_cast<std::uint32_t>(payload.size()));
  std::vector<std::uint8_t> bytes(HeaderBytes + payload.size());
  std::copy(header.begin(), header.end(), bytes.begin());
  std::copy(payload.begin(), payload.end(), bytes.begin() + HeaderBytes);
  return bytes;
}

// The payload's text split at its first newline (the second part without it).
std::pair<std::string_view, std::string_view> FirstLineAndRest(const std::vector<std::uint8_t>& payload)
{
  const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
  const std::size_t newline = text.find('\n');
  if (newline == std::string_view::npos)
    return {text, {}};
  return {text.substr(0, newline), text.substr(newline + 1)};
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
  return text.substr(0, prefix.size()) == prefix;
}

std::optional<std::uint32_t> ParseU32(std::string_view digits)
{
  if (digits.empty() || digits.size() > 10)
    return std::nullopt;
  std::uint64_t value = 0;
  for (const char digit : digits) {
    if (digit < '0' || digit > '9')
      return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(digit - '0');
  }
  if (value > UINT32_MAX)
    return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

bool KnownStatus(std::uint32_t status)
{
  return status <= static_cast<std::uint32_t>(TStatus::NotPlayable);
}

std::optional<TSecret> SecretFromHex(std::string_view text)
{
  const bool lowercase = std::all_of(text.begin(), text.end(), [](char c) { return !(c >= 'A' && c <= 'F'); });
  TSecret secret;
  if (!lowercase || !ParseHex(text, secret.data(), secret.size()))
    return std::nullopt;
  return secret;
}

std::array<std::uint8_t, ServerHelloBytes> EncodeServerHello(const TNonce& serverNonce)
{
  std::array<std::uint8_t, ServerHelloBytes> bytes;
  std::memcpy(bytes.data(), Magic, sizeof Magic);
  PutU32(bytes.data() + 4, Version);
  std::copy(serverNonce.begin(), serverNonce.end(), bytes.begin() + 8);
  return bytes;
}

std::optional<TNonce> DecodeServerHello(const std::uint8_t* bytes)
{
  if (std::memcmp(bytes, Magic, sizeof Magic) != 0 || GetU32(bytes + 4) != Version)
    return std::nullopt;
  TNonce nonce;
  std::copy_n(bytes + 8, nonce.size(), nonce.begin());
  return nonce;
}

std::array<std::uint8_t, ClientHelloBytes> EncodeClientHello(const TClientHello& hello)
{
  std::array<std::uint8_t, ClientHelloBytes> bytes;
  std::copy(hello.Nonce.begin(), hello.Nonce.end(), bytes.begin());
  std::copy(hello.Proof.begin(), hello.Proof.end(), bytes.begin() + hello.Nonce.size());
  return bytes;
}

TClientHello DecodeClientHello(const std::uint8_t* bytes)
{
  TClientHello hello;
  std::copy_n(bytes, hello.Nonce.size(), hello.Nonce.begin());
  std::copy_n(bytes + hello.Nonce.size(), hello.Proof.size(), hello.Proof.begin());
  return hello;
}

std::array<std::uint8_t, ServerAcceptBytes> EncodeServerAccept(const TProof& serverProof)
{
  std::array<std::uint8_t, ServerAcceptBytes> bytes;
  PutU32(bytes.data(), static_cast<std::uint32_t>(TStatus::Ok));
  std::copy(serverProof.begin(), serverProof.end(), bytes.begin() + 4);
  return bytes;
}

std::optional<TProof> DecodeServerAccept(const std::uint8_t* bytes)
{
  if (GetU32(bytes) != static_cast<std::uint32_t>(TStatus::Ok))
    return std::nullopt;
  TProof proof;
  std::copy_n(bytes + 4, proof.size(), proof.begin());
  return proof;
}

TProof ClientProof(const TSecret& secret, const TNonce& serverNonce, const TNonce& clientNonce)
{
  return Prove(secret, ClientLabel, serverNonce, clientNonce);
}

TProof ServerProof(const TSecret& secret, const TNonce& clientNonce, const TNonce& serverNonce)
{
  return Prove(secret, ServerLabel, clientNonce, serverNonce);
}

bool SameProof(const TProof& a, const TProof& b)
{
  std::uint8_t difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    difference |= static_cast<std::uint8_t>(a[i] ^ b[i]);
  return difference == 0;
}

std::array<std::uint8_t, HeaderBytes> EncodeHeader(std::uint32_t word, std::uint32_t payloadBytes)
{
  std::array<std::uint8_t, HeaderBytes> bytes;
  PutU32(bytes.data(), word);
  PutU32(bytes.data() + 4, payloadBytes);
  return bytes;
}

THeader DecodeHeader(const std::uint8_t* bytes)
{
  return {GetU32(bytes), GetU32(bytes + 4)};
}

std::vector<std::uint8_t> EncodeRequest(TKind kind, const std::vector<std::uint8_t>& payload)
{
  return Framed(static_cast<std::uint32_t>(kind), payload);
}

std::vector<std::uint8_t> EncodeResponse(TStatus status, const std::vector<std::uint8_t>& payload)
{
  return Framed(static_cast<std::uint32_t>(status), payload);
}

std::vector<std::uint8_t> EncodeFrameRequest(const TFrameRequest& request)
{
  std::vector<std::uint8_t> payload(FrameRequestBytes);
  std::copy(request.Movie.Bytes.begin(), request.Movie.Bytes.end(), payload.begin());
  PutU32(payload.data() + 16, request.Frame);
  PutU32(payload.data() + 20, (request.RowsWanted ? RowsWantedFlag : 0) | (request.Forward ? ForwardFlag : 0));
  return payload;
}

std::optional<TFrameRequest> DecodeFrameRequest(const std::vector<std::uint8_t>& payload)
{
  if (payload.size() != FrameRequestBytes)
    return std::nullopt;
  TFrameRequest request;
  std::copy_n(payload.begin(), request.Movie.Bytes.size(), request.Movie.Bytes.begin());
  request.Frame = GetU32(payload.data() + 16);
  const std::uint32_t flags = GetU32(payload.data() + 20);
  request.RowsWanted = (flags & RowsWantedFlag) != 0;
  request.Forward = (flags & ForwardFlag) != 0;
  return request;
}

std::optional<std::uint32_t> FramePayloadBytes(std::uint32_t width, std::uint32_t height, bool rowsWanted)
{
  const std::uint64_t rows = rowsWanted ? static_cast<std::uint64_t>(width) * height * 3 : 0;
  const std::uint64_t total = FrameSizeBytes + rows;
  if (total > UINT32_MAX)
    return std::nullopt;
  return static_cast<std::uint32_t>(total);
}

std::array<std::uint8_t, FrameSizeBytes> EncodeFrameSize(std::uint32_t width, std::uint32_t height)
{
  std::array<std::uint8_t, FrameSizeBytes> bytes;
  PutU32(bytes.data(), width);
  PutU32(bytes.data() + 4, height);
  return bytes;
}

void DecodeFrameSize(const std::uint8_t* bytes, std::uint32_t& width, std::uint32_t& height)
{
  width = GetU32(bytes);
  height = GetU32(bytes + 4);
}

std::vector<std::uint8_t> EncodePrepareRequest(const TPrepareRequest& request)
{
  std::string text = request.MoviePath;
  if (!request.From.empty())
    text += "\n" + std::string(FromPrefix) + request.From;
  return {text.begin(), text.end()};
}

std::optional<TPrepareRequest> DecodePrepareRequest(const std::vector<std::uint8_t>& payload)
{
  const auto [path, rest] = FirstLineAndRest(payload);
  if (path.empty() || path.find('\0') != std::string_view::npos)
    return std::nullopt;
  TPrepareRequest request;
  request.MoviePath = std::string(path);
  if (!rest.empty()) {
    if (!StartsWith(rest, FromPrefix) || rest.find('\n') != std::string_view::npos)
      return std::nullopt;
    request.From = std::string(rest.substr(FromPrefix.size()));
  }
  return request;
}

std::vector<std::uint8_t> EncodePrepareAnswer(const TPrepareAnswer& answer)
{
  const std::string text = std::string(PlayablePrefix) + answer.PlayablePath + "\n" + std::string(FirstPrefix) +
                           std::to_string(answer.FirstFrame) + "\n";
  return {text.begin(), text.end()};
}

std::optional<TPrepareAnswer> DecodePrepareAnswer(const std::vector<std::uint8_t>& payload)
{
  std::optional<std::string> playable;
  std::optional<std::uint32_t> first;
  std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    if (StartsWith(line, PlayablePrefix))
      playable = std::string(line.substr(PlayablePrefix.size()));
    else if (StartsWith(line, FirstPrefix))
      first = ParseU32(line.substr(FirstPrefix.size()));
  }
  if (!playable || playable->empty() || !first)
    return std::nullopt;
  return TPrepareAnswer{*playable, *first};
}

}  // namespace Protocol
