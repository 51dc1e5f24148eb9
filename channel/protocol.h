// The frame channel between the frame server and its clients (the VLMS codec,
// the program's cut and open dialog), as pure functions over bytes: no
// sockets here. All integers are little-endian u32.
//
// Handshake right after connect:
//   S->C ServerHello:  "VLMS", version, server nonce (16)
//   C->S ClientHello:  client nonce (16), ClientProof (32)
//   S->C ServerAccept: status Ok, ServerProof (32) -- or, on a wrong client
//                      proof, the server closes at once and sends nothing.
// Then requests (kind, payload length, payload), each answered in order by a
// response (status, payload length, payload). Portable, no platform state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "channel/servedframe.h"

namespace Protocol {

constexpr std::uint32_t Version = 1;
// A request's payload may not exceed this; the server closes on a longer one.
constexpr std::size_t MaxRequestPayload = 64 * 1024;

enum class TKind : std::uint32_t { Frame = 1, Prepare = 2 };
enum class TStatus : std::uint32_t {
  Ok = 0,
  UnknownMovie = 1,  // no index with that id in the cache
  Damaged = 2,       // the frame cannot be decoded, or is not in the movie
  MovieChanged = 3,  // the source changed or vanished since it was indexed
  BadRequest = 4,
  NotPlayable = 5,  // prepare refused; the payload says why
};
// Whether a received status word is one of the statuses above.
bool KnownStatus(std::uint32_t status);

using TSecret = std::array<std::uint8_t, 32>;
using TNonce = std::array<std::uint8_t, 16>;
using TProof = std::array<std::uint8_t, 32>;

// The secret from its environment form: exactly 64 lowercase hex digits.
std::optional<TSecret> SecretFromHex(std::string_view text);

// --- Handshake ---
constexpr std::size_t ServerHelloBytes = 24;
constexpr std::size_t ClientHelloBytes = 48;
constexpr std::size_t ServerAcceptBytes = 36;

struct TClientHello {
  TNonce Nonce{};
  TProof Proof{};
};

std::array<std::uint8_t, ServerHelloBytes> EncodeServerHello(const TNonce& serverNonce);
// The server's nonce; nothing when the bytes are not a hello of this version.
std::optional<TNonce> DecodeServerHello(const std::uint8_t* bytes);
std::array<std::uint8_t, ClientHelloBytes> EncodeClientHello(const TClientHello& hello);
TClientHello DecodeClientHello(const std::uint8_t* bytes);
std::array<std::uint8_t, ServerAcceptBytes> EncodeServerAccept(const TProof& serverProof);
// The server's proof; nothing when the status is not Ok.
std::optional<TProof> DecodeServerAccept(const std::uint8_t* bytes);

// HMAC-SHA256(secret, "velmo client" || serverNonce || clientNonce)
TProof ClientProof(const TSecret& secret, const TNonce& serverNonce, const TNonce& clientNonce);
// HMAC-SHA256(secret, "velmo server" || clientNonce || serverNonce)
TProof ServerProof(const TSecret& secret, const TNonce& clientNonce, const TNonce& serverNonce);
// Compares in time independent of where the proofs differ.
bool SameProof(const TProof& a, const TProof& b);

// --- Requests and responses: an 8-byte header, then the payload ---
constexpr std::size_t HeaderBytes = 8;

struct THeader {
  std::uint32_t Word = 0;  // the request's kind or the response's status
  std::uint32_t PayloadBytes = 0;
};
std::array<std::uint8_t, HeaderBytes> EncodeHeader(std::uint32_t word, std::uint32_t payloadBytes);
THeader DecodeHeader(const std::uint8_t* bytes);

// Header and payload in one buffer (payloads of requests are small).
std::vector<std::uint8_t> EncodeRequest(TKind kind, const std::vector<std::uint8_t>& payload);
std::vector<std::uint8_t> EncodeResponse(TStatus status, const std::vector<std::uint8_t>& payload);

// kind Frame
constexpr std::uint32_t RowsWantedFlag = 1;
constexpr std::uint32_t ForwardFlag = 2;
constexpr std::size_t FrameRequestBytes = 24;
constexpr std::size_t FrameSizeBytes = 8;  // width, height: the Ok payload before the rows

struct TFrameRequest {
  ServedFrame::TMovieId Movie;
  std::uint32_t Frame = 0;
  bool RowsWanted = false;
  bool Forward = false;
};
std::vector<std::uint8_t> EncodeFrameRequest(const TFrameRequest& request);
// Nothing for a payload of another length; unknown flag bits are ignored.
std::optional<TFrameRequest> DecodeFrameRequest(const std::vector<std::uint8_t>& payload);

// The Ok payload's length: width and height, then (rows wanted) the packed
// BGR rows; nothing when that does not fit a u32.
std::optional<std::uint32_t> FramePayloadBytes(std::uint32_t width, std::uint32_t height, bool rowsWanted);
std::array<std::uint8_t, FrameSizeBytes> EncodeFrameSize(std::uint32_t width, std::uint32_t height);
void DecodeFrameSize(const std::uint8_t* bytes, std::uint32_t& width, std::uint32_t& height);

// kind Prepare: the movie's UTF-8 unix path, and an optional "from=TIME" line
// (TIME as the user gave it: seconds, or a frame as "<n>f").
struct TPrepareRequest {
  std::string MoviePath;
  std::string From;  // empty: from the start
};
std::vector<std::uint8_t> EncodePrepareRequest(const TPrepareRequest& request);
// Nothing for an empty path or a second line that is not "from=...".
std::optional<TPrepareRequest> DecodePrepareRequest(const std::vector<std::uint8_t>& payload);

// The Ok payload: "playable=<unix path>" and "first=<n>" lines.
struct TPrepareAnswer {
  std::string PlayablePath;
  std::uint32_t FirstFrame = 0;
};
std::vector<std::uint8_t> EncodePrepareAnswer(const TPrepareAnswer& answer);
std::optional<TPrepareAnswer> DecodePrepareAnswer(const std::vector<std::uint8_t>& payload);

}  // namespace Protocol
