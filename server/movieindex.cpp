#include "server/movieindex.h"

TMovieIndex TMovieIndex::Build(const std::string& moviePath)
{
  throw TXIndex("cannot index " + moviePath + " yet");
}

std::int64_t TMovieIndex::FrameTimeUs(std::uint32_t) const { return 0; }
std::optional<std::uint32_t> TMovieIndex::FirstFrameAtOrAfter(double) const { return std::nullopt; }
std::vector<std::uint8_t> TMovieIndex::Serialize() const { return {}; }
TMovieIndex TMovieIndex::Deserialize(const std::vector<std::uint8_t>&) { throw TXIndex("no index"); }
std::optional<std::uint32_t> TMovieIndex::FrameOfPts(std::int64_t) const { return std::nullopt; }
std::optional<std::size_t> TMovieIndex::KeyFrameBefore(std::uint32_t) const { return std::nullopt; }
std::uint32_t TMovieIndex::FirstFrameOfKey(std::size_t) const { return 0; }
