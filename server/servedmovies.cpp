#include "server/servedmovies.h"

TServedMovies::TServedMovies(const TMovieCache& cache) : Cache(cache) {}

TServedMovies::TFound TServedMovies::Find(const ServedFrame::TMovieId& movie, std::uint32_t frame)
{
  using Protocol::TStatus;
  TFound found;
  const std::lock_guard<std::mutex> hold(Lock);
  auto known = Movies.find(movie);
  if (known == Movies.end()) {
    const std::optional<std::string> indexPath = Cache.FindIndex(movie);
    if (!indexPath)
      return found;
    IndexAvi::TContents contents;
    try {
      contents = IndexAvi::Read(*indexPath);
    } catch (const IndexAvi::TXIndexAvi&) {
      return found;
    }
    // The name may be a lookalike: the identity inside must give the id.
    if (contents.Source.MovieId() != movie)
      return found;
    known = Movies.emplace(movie, TMovie{contents.Source.Path, contents.Source.State, contents.Index, nullptr}).first;
  }
  TMovie& served = known->second;
  if (TFileState::Of(served.SourcePath) != served.State) {
    found.Status = TStatus::MovieChanged;
    return found;
  }
  found.Status = TStatus::Damaged;
  if (frame >= served.Index->FrameCount())
    return found;
  if (!served.Source) {
    try {
      served.Source = std::make_shared<TFrameSource>(served.SourcePath, served.Index);
    } catch (const TMovieIndex::TXIndex&) {
      return found;
    }
  }
  found.Status = TStatus::Ok;
  found.Source = served.Source;
  return found;
}
