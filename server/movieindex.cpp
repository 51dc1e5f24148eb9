#include "server/movieindex.h"

#include "codec/crc32.h"
#include "server/moviedecoder.h"
#include "server/packetscan.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {

// Pictures decoded at most to learn which of the first ones the decoder
// drops; a movie whose first key frame comes later is counted from the
// packets alone past them.
const int StartPicturesChecked = 600;

const std::uint8_t Magic[4] = {'V', 'M', 'I', 'X'};
const std::uint32_t Version = 2;

// The compact stored form: little-endian fixed fields, variable-length
// numbers for the many time stamps (differences, zigzag-coded for sign).
class TWriter {
public:
  void Bytes(const std::uint8_t* data, std::size_t size) { Out.insert(Out.end(), data, data + size); }
  void U32(std::uint32_t value)
  {
    for (int i = 0; i < 4; ++i)
      Out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void Unsigned(std::uint64_t value)
  {
    while (value >= 0x80) {
      Out.push_back(static_cast<std::uint8_t>(value | 0x80));
      value >>= 7;
    }
    Out.push_back(static_cast<std::uint8_t>(value));
  }
  void Signed(std::int64_t value)
  {
    Unsigned((static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63));
  }
  std::vector<std::uint8_t> Out;
};

class TReader {
public:
  TReader(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}
  std::uint32_t U32()
  {
    Need(4);
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value |= static_cast<std::uint32_t>(Data[Place + i]) << (8 * i);
    Place += 4;
    return value;
  }
  std::uint64_t Unsigned()
  {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      Need(1);
      const std::uint8_t byte = Data[Place++];
      value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
      if (!(byte & 0x80))
        return value;
    }
    throw TMovieIndex::TXIndex("the stored frame index is damaged");
  }
  std::int64_t Signed()
  {
    const std::uint64_t value = Unsigned();
    return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
  }
  std::size_t Left() const { return Size - Place; }

private:
  void Need(std::size_t bytes) const
  {
    if (Size - Place < bytes)
      throw TMovieIndex::TXIndex("the stored frame index is cut short");
  }
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t Place = 0;
};

// A rate as a fraction of 32-bit numbers.
bool ReduceRate(std::int64_t numerator, std::int64_t denominator, std::uint32_t& outNumerator,
                std::uint32_t& outDenominator)
{
  if (numerator <= 0 || denominator <= 0)
    return false;
  const std::int64_t common = std::gcd(numerator, denominator);
  numerator /= common;
  denominator /= common;
  while (numerator > UINT32_MAX || denominator > UINT32_MAX) {
    numerator = (numerator + 1) / 2;
    denominator = (denominator + 1) / 2;
  }
  outNumerator = static_cast<std::uint32_t>(numerator);
  outDenominator = static_cast<std::uint32_t>(std::max<std::int64_t>(denominator, 1));
  return true;
}

}  // namespace

// Builds an index from the packets (or, for movies whose packets carry no
// usable times, from a decoding pass).
class TMovieIndexBuilder {
public:
  explicit TMovieIndexBuilder(const std::string& path) : Path(path), Decoder(path) {}

  TMovieIndex Build()
  {
    const TMovieDecoder::TStreamInfo info = Decoder.Info();
    Index.TimeBaseNum = info.TimeBaseNumerator;
    Index.TimeBaseDen = info.TimeBaseDenominator;
    Index.StartUs = info.StartUs;
    std::vector<TMovieDecoder::TPacketInfo> packets = ScanPackets(Decoder, Path);
    packets.erase(std::remove_if(packets.begin(), packets.end(), [](const auto& packet) { return packet.Discard; }),
                  packets.end());
    const TTimes times = FromPackets(packets, info.Reorders);
    if (times == Untimed)
      Counted(packets, info);
    else if (times == Unusable || !LeaveOutUndecodedStart())
      FromDecoding();
    if (Index.Pts.empty())
      throw TMovieIndex::TXIndex(Path + ": no picture of the movie can be decoded");
    if (!Index.Counted)
      SetRate(info, Index.Pts.size());
    return std::move(Index);
  }

private:
  enum TTimes { Timed, Untimed, Unusable };

  // Every frame's time and the key frames from the packets; Untimed when
  // they carry no presentation times, Unusable when their times cannot tell
  // frames apart.
  TTimes FromPackets(const std::vector<TMovieDecoder::TPacketInfo>& packets, bool reorders)
  {
    std::vector<std::int64_t> pts;
    for (const TMovieDecoder::TPacketInfo& packet : packets) {
      std::int64_t time = packet.Pts;
      if (time == TMovieDecoder::NoTime) {
        // Without reordering a picture is shown when it is decoded.
        if (reorders || packet.Dts == TMovieDecoder::NoTime)
          return Untimed;
        time = packet.Dts;
      }
      pts.push_back(time);
      if (packet.Key)
        Index.Keys.push_back({time, packet.Dts == TMovieDecoder::NoTime ? time : packet.Dts, packet.Position});
    }
    std::sort(pts.begin(), pts.end());
    if (pts.empty() || Index.Keys.empty() || std::adjacent_find(pts.begin(), pts.end()) != pts.end())
      return Unusable;
    Index.Pts = std::move(pts);
    return Timed;
  }

  // For packets without presentation times (AVI with B-frames, bare
  // elementary streams): frames are found by counting the pictures decoded
  // from a key frame, so one decoding pass learns how many there are and
  // which one each key frame's picture is (open groups of pictures show
  // pictures decoded after a key frame before it).
  void Counted(const std::vector<TMovieDecoder::TPacketInfo>& packets, const TMovieDecoder::TStreamInfo& info)
  {
    std::vector<TMovieIndex::TKeyFrame> keys;
    for (const TMovieDecoder::TPacketInfo& packet : packets) {
      if (packet.Key)
        keys.push_back({0, packet.Dts, packet.Position});
    }
    Decoder.Rewind();
    Index.Keys.clear();
    Index.Pts.clear();
    std::int64_t pts = 0;
    std::size_t keyPictures = 0;
    for (std::int64_t frame = 0; Decoder.Decode(pts); ++frame) {
      if (frame == 0)
        NoteShownSize();
      if (Decoder.DecodedIsKey() && keyPictures < keys.size()) {
        TMovieIndex::TKeyFrame& key = keys[keyPictures++];
        key.Pts = frame;
        // A key frame found neither by time nor by place cannot be sought.
        if (key.Dts != TMovieDecoder::NoTime || key.Position >= 0)
          Index.Keys.push_back(key);
      }
      Index.Pts.push_back(frame);
    }
    if (keyPictures != keys.size() || Index.Keys.empty())
      throw TMovieIndex::TXIndex(Path + ": the movie's frames carry no times to find them by");
    Index.Counted = true;
    SetRate(info, Index.Pts.size());
    // Frame n at n frame durations.
    Index.TimeBaseNum = static_cast<std::int32_t>(std::min<std::uint32_t>(Index.RateDen, INT32_MAX));
    Index.TimeBaseDen = static_cast<std::int32_t>(std::min<std::uint32_t>(Index.RateNum, INT32_MAX));
  }

  // Decodes from the start up to the first key frame's picture, leaving out
  // the pictures before it that the decoder drops (those leaning on pictures
  // before the movie's start); notes the size the pictures are shown at.
  // False when the decoder's times do not match the packets'.
  bool LeaveOutUndecodedStart()
  {
    Decoder.Rewind();
    const std::int64_t firstKey = Index.Keys.front().Pts;
    std::set<std::int64_t> given;
    std::int64_t pts = TMovieDecoder::NoTime;
    for (int pictures = 0; pictures < StartPicturesChecked && Decoder.Decode(pts); ++pictures) {
      if (!std::binary_search(Index.Pts.begin(), Index.Pts.end(), pts))
        return false;
      if (given.empty())
        NoteShownSize();
      given.insert(pts);
      if (pts >= firstKey)
        break;
    }
    if (given.empty())
      return true;  // nothing decodes: refused by the caller's check of the count below
    const std::int64_t last = *given.rbegin();
    Index.Pts.erase(std::remove_if(Index.Pts.begin(), Index.Pts.end(),
                                   [&](std::int64_t time) { return time < last && !given.count(time); }),
                    Index.Pts.end());
    return true;
  }

  // Every picture decoded once, for movies whose packets cannot be used.
  void FromDecoding()
  {
    Decoder.Rewind();
    Index.Pts.clear();
    Index.Keys.clear();
    std::int64_t pts = TMovieDecoder::NoTime;
    while (Decoder.Decode(pts)) {
      if (pts == TMovieDecoder::NoTime || (!Index.Pts.empty() && pts <= Index.Pts.back()))
        throw TMovieIndex::TXIndex(Path + ": the movie's frames carry no times to find them by");
      if (Index.Pts.empty())
        NoteShownSize();
      if (Decoder.DecodedIsKey())
        Index.Keys.push_back({pts, pts, -1});
      Index.Pts.push_back(pts);
    }
    if (!Index.Pts.empty() && Index.Keys.empty())
      throw TMovieIndex::TXIndex(Path + ": the movie has no key frame to start decoding at");
  }

  void NoteShownSize()
  {
    TMovieDecoder::TPicture picture;
    Decoder.Convert(picture);
    Index.ShownWidth = picture.Width();
    Index.ShownHeight = picture.Height();
  }

  void SetRate(const TMovieDecoder::TStreamInfo& info, std::size_t frames)
  {
    if (ReduceRate(info.AverageRateNumerator, info.AverageRateDenominator, Index.RateNum, Index.RateDen) ||
        ReduceRate(info.RealRateNumerator, info.RealRateDenominator, Index.RateNum, Index.RateDen) ||
        ReduceRate(static_cast<std::int64_t>(frames) * 1000000, info.DurationUs, Index.RateNum, Index.RateDen))
      return;
    Index.RateNum = 25;
    Index.RateDen = 1;
  }

  std::string Path;
  TMovieDecoder Decoder;
  TMovieIndex Index;
};

TMovieIndex TMovieIndex::Build(const std::string& moviePath)
{
  try {
    return TMovieIndexBuilder(moviePath).Build();
  } catch (const TMovieDecoder::TXDecode& x) {
    throw TXIndex(x.what());
  }
}

std::int64_t TMovieIndex::FrameTimeUs(std::uint32_t frame) const
{
  // Rounded as the decoder's times are (to nearest).
  return av_rescale_q(Pts.at(frame), AVRational{TimeBaseNum, TimeBaseDen}, AVRational{1, 1000000}) - StartUs;
}

std::optional<std::uint32_t> TMovieIndex::FirstFrameAtOrAfter(double seconds) const
{
  const std::int64_t us = std::llround(seconds * 1e6);
  std::uint32_t low = 0, high = FrameCount();
  while (low < high) {
    const std::uint32_t middle = low + (high - low) / 2;
    if (FrameTimeUs(middle) < us)
      low = middle + 1;
    else
      high = middle;
  }
  if (low == FrameCount())
    return std::nullopt;
  return low;
}

std::optional<std::uint32_t> TMovieIndex::FrameOfPts(std::int64_t pts) const
{
  const auto found = std::lower_bound(Pts.begin(), Pts.end(), pts);
  if (found == Pts.end() || *found != pts)
    return std::nullopt;
  return static_cast<std::uint32_t>(found - Pts.begin());
}

std::optional<std::size_t> TMovieIndex::KeyFrameBefore(std::uint32_t frame) const
{
  const std::int64_t pts = Pts.at(frame);
  for (std::size_t key = Keys.size(); key-- > 0;) {
    if (Keys[key].Pts <= pts)
      return key;
  }
  return std::nullopt;
}

std::uint32_t TMovieIndex::FirstFrameOfKey(std::size_t key) const
{
  return static_cast<std::uint32_t>(std::lower_bound(Pts.begin(), Pts.end(), Keys.at(key).Pts) - Pts.begin());
}

std::vector<std::uint8_t> TMovieIndex::Serialize() const
{
  TWriter out;
  out.Bytes(Magic, sizeof Magic);
  out.U32(Version);
  out.U32(Counted ? 1 : 0);
  out.U32(ShownWidth);
  out.U32(ShownHeight);
  out.U32(RateNum);
  out.U32(RateDen);
  out.U32(static_cast<std::uint32_t>(TimeBaseNum));
  out.U32(static_cast<std::uint32_t>(TimeBaseDen));
  out.Signed(StartUs);
  out.Unsigned(Pts.size());
  out.Unsigned(Keys.size());
  std::int64_t previous = 0;
  for (std::int64_t pts : Pts) {
    out.Signed(pts - previous);
    previous = pts;
  }
  previous = 0;
  for (const TKeyFrame& key : Keys) {
    out.Signed(key.Pts - previous);
    out.Signed(key.Dts - key.Pts);
    out.Signed(key.Position);
    previous = key.Pts;
  }
  out.U32(Crc32(out.Out.data(), out.Out.size()));
  return std::move(out.Out);
}

TMovieIndex TMovieIndex::Deserialize(const std::vector<std::uint8_t>& bytes)
{
  if (bytes.size() < sizeof Magic + 8 || !std::equal(Magic, Magic + sizeof Magic, bytes.begin()))
    throw TXIndex("the stored frame index is not one");
  const std::size_t body = bytes.size() - 4;
  if (TReader(bytes.data() + body, 4).U32() != Crc32(bytes.data(), body))
    throw TXIndex("the stored frame index is damaged");
  TReader in(bytes.data() + sizeof Magic, body - sizeof Magic);
  if (in.U32() != Version)
    throw TXIndex("the stored frame index is of another version");
  TMovieIndex index;
  const std::uint32_t flags = in.U32();
  if (flags > 1)
    throw TXIndex("the stored frame index is damaged");
  index.Counted = flags == 1;
  index.ShownWidth = in.U32();
  index.ShownHeight = in.U32();
  index.RateNum = in.U32();
  index.RateDen = in.U32();
  index.TimeBaseNum = static_cast<std::int32_t>(in.U32());
  index.TimeBaseDen = static_cast<std::int32_t>(in.U32());
  index.StartUs = in.Signed();
  const std::uint64_t frames = in.Unsigned();
  const std::uint64_t keys = in.Unsigned();
  // Every stored number takes a byte at least.
  if (frames > UINT32_MAX || frames + 3 * keys > in.Left() || index.TimeBaseNum <= 0 || index.TimeBaseDen <= 0 ||
      index.RateDen == 0)
    throw TXIndex("the stored frame index is damaged");
  index.Pts.reserve(frames);
  std::int64_t previous = 0;
  for (std::uint64_t i = 0; i < frames; ++i) {
    previous += in.Signed();
    if (!index.Pts.empty() && previous <= index.Pts.back())
      throw TXIndex("the stored frame index is damaged");
    index.Pts.push_back(previous);
  }
  previous = 0;
  for (std::uint64_t i = 0; i < keys; ++i) {
    TKeyFrame key;
    key.Pts = previous += in.Signed();
    key.Dts = key.Pts + in.Signed();
    key.Position = in.Signed();
    index.Keys.push_back(key);
  }
  if (in.Left() != 0)
    throw TXIndex("the stored frame index is damaged");
  return index;
}
