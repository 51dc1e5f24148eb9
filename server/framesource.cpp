#include "server/framesource.h"

#include "server/moviedecoder.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// Pictures kept: 32 of 1080p (the decoder's own pictures come on top, about
// 100 MB more with frame threads), or as many as are worth keeping of
// smaller ones.
const std::size_t CacheBytesLimit = std::size_t{200} << 20;
const std::size_t CacheFramesLimit = 256;
// Pictures decoded ahead of one asked for while requests move forward, and
// kept behind one asked for while they step back, at most.
const std::uint32_t AheadLimit = 32;
const std::uint32_t BehindLimit = 32;
// A request this many frames before the one before it is a step back.
const std::uint32_t StepBackReach = 8;
// What a damaged frame's entry is counted as.
const std::size_t DamagedEntryBytes = 64;

}  // namespace

class TFrameSource::TWorker {
public:
  TWorker(const std::string& moviePath, std::shared_ptr<const TMovieIndex> index)
    : Index(std::move(index)),
      Decoder(moviePath),
      FrameBytes(std::max<std::size_t>(std::size_t{Index->Width()} * Index->Height() * 3, 1)),
      AheadFrames(Fitting(AheadLimit)),
      BehindFrames(Fitting(BehindLimit)),
      Thread([this] { Run(); })
  {
  }

  ~TWorker()
  {
    {
      const std::lock_guard<std::mutex> hold(Lock);
      Stopping = true;
    }
    Changed.notify_all();
    Thread.join();
  }

  std::shared_ptr<const TDecodedFrame> Get(std::uint32_t frame, bool forward)
  {
    if (frame >= Index->FrameCount())
      return nullptr;
    std::unique_lock<std::mutex> hold(Lock);
    if (frame != Focus) {
      const bool stepBack = frame < Focus && Focus - frame <= StepBackReach;
      // A jump keeps a few pictures before the frame too, for a step back.
      Behind = stepBack ? BehindFrames : BehindFrames / 4;
      Focus = frame;
    }
    Forward = forward;
    auto found = Cache.find(frame);
    if (found == Cache.end()) {
      ++Wanted[frame];
      Changed.notify_all();
      Changed.wait(hold, [&] { return Stopping || (found = Cache.find(frame)) != Cache.end(); });
      if (--Wanted[frame] == 0)
        Wanted.erase(frame);
      if (Stopping)
        return nullptr;
    } else {
      Changed.notify_all();  // decoding ahead follows the new focus
    }
    return found->second;
  }

private:
  // As many pictures as fit in half the cache, up to limit.
  std::uint32_t Fitting(std::uint32_t limit) const
  {
    return static_cast<std::uint32_t>(
      std::clamp<std::size_t>(CacheBytesLimit / 2 / FrameBytes, 1, std::min<std::size_t>(limit, CacheFramesLimit / 2)));
  }

  // The frame to decode next: one asked for (the first that decoding on
  // reaches, else the first), else the next one ahead of the focus while
  // requests move forward.
  std::optional<std::uint32_t> NextTarget() const
  {
    std::optional<std::uint32_t> first;
    for (const auto& wanted : Wanted) {
      if (Cache.count(wanted.first))
        continue;
      if (Last && static_cast<std::int64_t>(wanted.first) > *Last && !AtEnd)
        return wanted.first;
      if (!first)
        first = wanted.first;
    }
    if (first || !Forward)
      return first;
    const std::uint32_t end = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{Focus} + AheadFrames + 1, Index->FrameCount()));
    for (std::uint32_t frame = Focus + 1; frame < end; ++frame) {
      if (!Cache.count(frame))
        return frame;
    }
    return std::nullopt;
  }

  void Run()
  {
    std::unique_lock<std::mutex> hold(Lock);
    while (!Stopping) {
      const std::optional<std::uint32_t> target = NextTarget();
      if (!target) {
        Changed.wait(hold);
        continue;
      }
      const std::uint32_t keepFrom = *target - std::min(*target, Wanted.count(*target) ? Behind : 0);
      hold.unlock();
      TStep step;
      try {
        step = Step(*target, keepFrom);
      } catch (const TMovieDecoder::TXDecode&) {
        // The movie cannot be read there (removed, cut short): the frame
        // is damaged, and the next one starts again with a seek.
        Last.reset();
        step = TStep{};
        step.Damaged = target;
      }
      hold.lock();
      if (step.Picture)
        Keep(step.PictureFrame, std::move(step.Picture));
      if (step.Damaged && !Cache.count(*step.Damaged))
        Keep(*step.Damaged, nullptr);
      Changed.notify_all();
    }
  }

  // What one step of decoding gave: a picture to keep, and a frame found
  // damaged.
  struct TStep {
    std::uint32_t PictureFrame = 0;
    std::shared_ptr<const TDecodedFrame> Picture;
    std::optional<std::uint32_t> Damaged;
  };

  // Decodes one picture on the way to target (seeking first when going on
  // from where the decoder is would not reach it soonest), converting it
  // when it is kept.
  TStep Step(std::uint32_t target, std::uint32_t keepFrom)
  {
    TStep step;
    const bool ahead = Last && static_cast<std::int64_t>(target) > *Last;
    if (ahead && AtEnd) {
      step.Damaged = target;  // the movie ended before it
      return step;
    }
    // Going on after a seek for this target even when the demuxer started
    // earlier than asked.
    if (!ahead || AtEnd || (!Reaches(target) && SoughtFor != target))
      SeekBefore(target);
    std::int64_t pts = 0;
    if (!Decoder.Decode(pts)) {
      AtEnd = true;
      step.Damaged = target;
      return step;
    }
    const std::optional<std::uint32_t> frame = Index->FramesCounted() ? CountedFrame() : Index->FrameOfPts(pts);
    if (!frame) {
      // A picture the index does not know cannot be told apart. Right after
      // a seek it is usually the key frame's own, whose time the demuxer lost
      // starting mid-stream (a program stream's last key frame): decoding
      // from a key frame earlier gives it its time.
      if (JustSought && SoughtKey && !Index->FramesCounted())
        SeekEarlier();
      return step;
    }
    if (JustSought && *frame > target) {
      // Started too late (the demuxer found another key frame than the
      // index's): start again a key frame earlier.
      SeekEarlier();
      return step;
    }
    JustSought = false;
    Last = *frame;
    if (*frame > target)
      step.Damaged = target;  // passed over by the decoder
    if (*frame >= keepFrom && *frame <= target) {
      step.PictureFrame = *frame;
      step.Picture = Converted();
    }
    return step;
  }

  // The frame of a picture decoded from a movie without presentation times:
  // after a seek the key frame's picture (those before it lean on pictures
  // not decoded), once decoding is known to have started at the key frame
  // sought (else it starts again from the file's start); then each the one
  // after the last.
  std::optional<std::uint32_t> CountedFrame()
  {
    if (JustSought && SoughtKey) {
      if (!Decoder.DecodedIsKey())
        return std::nullopt;
      const TMovieIndex::TKeyFrame& key = Index->KeyFrames()[*SoughtKey];
      if (!Decoder.StartedAt(key.Dts, key.Position)) {
        SeekToStart();
        return std::nullopt;
      }
    }
    if (*Last + 1 >= Index->FrameCount())
      return std::nullopt;
    return static_cast<std::uint32_t>(*Last + 1);
  }

  // Whether decoding on from the last picture reaches the target as soon
  // as a seek would: no key frame to start at comes between them.
  bool Reaches(std::uint32_t target) const
  {
    const std::optional<std::size_t> key = Index->KeyFrameBefore(target);
    return !key || Index->FirstFrameOfKey(*key) <= *Last + 1;
  }

  void SeekBefore(std::uint32_t target)
  {
    SoughtFor = target;
    const std::optional<std::size_t> key = Index->KeyFrameBefore(target);
    if (!key || target < Index->FirstFrameOfKey(*key))
      SeekToStart();
    else
      SeekToKey(*key);
  }

  // After a seek that started past the target: a key frame before, or the
  // file's start, where no earlier one is left.
  void SeekEarlier()
  {
    if (SoughtKey && *SoughtKey > 0)
      SeekToKey(*SoughtKey - 1);
    else if (SoughtKey)
      SeekToStart();
    else
      AtEnd = true;  // decoded from the start and still not there: not in the movie
  }

  void SeekToKey(std::size_t key)
  {
    const TMovieIndex::TKeyFrame& keyFrame = Index->KeyFrames()[key];
    Decoder.SeekToKey(keyFrame.Pts, keyFrame.Dts, keyFrame.Position);
    Sought(key);
  }

  void SeekToStart()
  {
    Decoder.Rewind();
    Sought(std::nullopt);
  }

  // Decoding goes on from the key frame's picture (or the first), which the
  // first picture decoded is checked against.
  void Sought(std::optional<std::size_t> key)
  {
    SoughtKey = key;
    JustSought = true;
    AtEnd = false;
    Last = (key ? std::int64_t{Index->FirstFrameOfKey(*key)} : 0) - 1;
  }

  std::shared_ptr<const TDecodedFrame> Converted()
  {
    Decoder.Convert(Picture);
    auto decoded = std::make_shared<TDecodedFrame>();
    decoded->Width = Picture.Width();
    decoded->Height = Picture.Height();
    const std::size_t rowBytes = std::size_t{decoded->Width} * 3;
    decoded->Bgr.resize(rowBytes * decoded->Height);
    for (std::uint32_t y = 0; y < decoded->Height; ++y)
      std::memcpy(decoded->Bgr.data() + y * rowBytes, Picture.Row(y), rowBytes);
    return decoded;
  }

  // Keeps a picture (nullptr: damaged), making room by letting go of those
  // farthest from the focus, behind it first while requests move forward.
  void Keep(std::uint32_t frame, std::shared_ptr<const TDecodedFrame> picture)
  {
    const std::size_t bytes = picture ? picture->Bgr.size() : DamagedEntryBytes;
    const auto kept = Cache.emplace(frame, std::move(picture));
    if (!kept.second)
      return;
    CacheBytes += bytes;
    while (CacheBytes > CacheBytesLimit || Cache.size() > CacheFramesLimit) {
      auto farthest = Cache.end();
      std::uint64_t farthestDistance = 0;
      for (auto entry = Cache.begin(); entry != Cache.end(); ++entry) {
        if (Wanted.count(entry->first) || entry->first == Focus)
          continue;
        const bool behind = entry->first < Focus;
        const std::uint64_t distance = std::uint64_t{behind ? Focus - entry->first : entry->first - Focus} *
                                       (behind == Forward ? 4 : 1);
        if (distance >= farthestDistance) {
          farthest = entry;
          farthestDistance = distance;
        }
      }
      if (farthest == Cache.end())
        break;
      CacheBytes -= farthest->second ? farthest->second->Bgr.size() : DamagedEntryBytes;
      Cache.erase(farthest);
    }
  }

  const std::shared_ptr<const TMovieIndex> Index;

  // The decoding side, used by the thread alone.
  TMovieDecoder Decoder;
  TMovieDecoder::TPicture Picture;
  std::optional<std::int64_t> Last;        // the frame decoded last; none: nowhere yet
  std::optional<std::size_t> SoughtKey;    // the key frame sought last; none: the start
  std::optional<std::uint32_t> SoughtFor;  // the frame it was sought for
  bool JustSought = false;
  bool AtEnd = false;

  const std::size_t FrameBytes;
  const std::uint32_t AheadFrames;
  const std::uint32_t BehindFrames;

  std::mutex Lock;
  std::condition_variable Changed;
  std::map<std::uint32_t, std::shared_ptr<const TDecodedFrame>> Cache;  // nullptr: damaged
  std::size_t CacheBytes = 0;
  std::map<std::uint32_t, int> Wanted;  // frames asked for, with how many callers wait for each
  std::uint32_t Focus = 0;              // the frame asked for last
  bool Forward = false;
  std::uint32_t Behind = 0;  // pictures kept before a frame asked for
  bool Stopping = false;
  std::thread Thread;  // last: started once everything it uses exists
};

TFrameSource::TFrameSource(const std::string& moviePath, std::shared_ptr<const TMovieIndex> index)
{
  if (!index)
    throw TMovieIndex::TXIndex("no index for " + moviePath);
  try {
    Worker = std::make_unique<TWorker>(moviePath, std::move(index));
  } catch (const TMovieDecoder::TXDecode& x) {
    throw TMovieIndex::TXIndex(x.what());
  }
}

TFrameSource::~TFrameSource() = default;

std::shared_ptr<const TDecodedFrame> TFrameSource::Get(std::uint32_t frame, bool forward)
{
  return Worker->Get(frame, forward);
}
