#include "server/framesource.h"

class TFrameSource::TWorker {};

TFrameSource::TFrameSource(const std::string& moviePath, std::shared_ptr<const TMovieIndex>)
{
  throw TMovieIndex::TXIndex("cannot decode " + moviePath + " yet");
}
TFrameSource::~TFrameSource() = default;
std::shared_ptr<const TDecodedFrame> TFrameSource::Get(std::uint32_t, bool)
{
  return nullptr;
}
