#include "server/moviecache.h"

#include "server/temporaryfile.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <string_view>
#include <vector>

namespace {

const char IndexMark[] = ".velmo-index.avi";
const char OldCopyMark[] = ".velmo-copy";

bool IsPlain(char c)
{
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// The names of what is kept are made of a base name of up to 32 plain
// characters and, each after a '-', keys of a known number of hex digits.
bool IsBaseName(std::string_view text)
{
  return text.size() <= 32 && std::all_of(text.begin(), text.end(), IsPlain);
}
bool IsHex(std::string_view text, std::size_t digits)
{
  return text.size() == digits && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}
bool IsNumber(std::string_view text)
{
  return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string_view::npos;
}
bool CutEnding(std::string_view& text, std::string_view ending)
{
  if (text.size() < ending.size() || text.substr(text.size() - ending.size()) != ending)
    return false;
  text.remove_suffix(ending.size());
  return true;
}
// Takes "-<hex digits>" off the end.
bool CutHexKey(std::string_view& text, std::size_t digits)
{
  return text.size() > digits && IsHex(text.substr(text.size() - digits), digits) &&
         text[text.size() - digits - 1] == '-' && (text.remove_suffix(digits + 1), true);
}

// <base>-<movie id hex>.velmo-index.avi: what this version keeps.
bool IsIndexName(std::string_view name)
{
  return CutEnding(name, IndexMark) && CutHexKey(name, 32) && IsBaseName(name);
}

// .<name>.<pid>.part, a file written under a temporary name: the pid, when
// the name is one of those.
template <class TIsName> std::optional<std::string> TemporaryOf(std::string_view name, TIsName isName)
{
  if (name.empty() || name[0] != '.' || !CutEnding(name, ".part"))
    return std::nullopt;
  name.remove_prefix(1);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || !IsNumber(name.substr(dot + 1)) || !isName(name.substr(0, dot)))
    return std::nullopt;
  return std::string(name.substr(dot + 1));
}

// <base>-<path key>-<version key>-<first frame>.velmo-copy: the stem of a
// converted copy (.avi) and of the file naming its source (.source) that
// earlier versions kept.
bool IsOldCopyStem(std::string_view stem)
{
  if (!CutEnding(stem, OldCopyMark))
    return false;
  const std::size_t dash = stem.find_last_of('-');
  return dash != std::string_view::npos && IsNumber(stem.substr(dash + 1)) &&
         (stem.remove_suffix(stem.size() - dash), CutHexKey(stem, 10)) && CutHexKey(stem, 10) && IsBaseName(stem);
}
bool IsOldCopyName(std::string_view name, std::string_view extension)
{
  return CutEnding(name, extension) && IsOldCopyStem(name);
}

std::vector<std::string> FolderNames(const std::string& folder)
{
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir)
    return names;
  while (const dirent* entry = readdir(dir))
    names.emplace_back(entry->d_name);
  closedir(dir);
  return names;
}

bool IsRegularFile(const std::string& path, std::uint64_t* size = nullptr)
{
  struct stat status;
  if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
    return false;
  if (size)
    *size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

// Whether the process that wrote a temporary file (its pid in the name) may
// still be writing it: alive, or holding the file locked.
bool WriterMayLive(const std::string& path, const std::string& pidText)
{
  const long pid = std::strtol(pidText.c_str(), nullptr, 10);
  if (pid > 0 && pid != getpid() && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
    return true;
  return TTemporaryFile::HeldByWriter(path);
}

// The file the old design wrote beside each copy starts with the source's path.
bool IsOldSourceFile(const std::string& path)
{
  std::ifstream file(path);
  std::string first;
  return std::getline(file, first) && first.rfind("source=", 0) == 0;
}

// The movie's file name without its extension, in letters a file name of the
// cache folder can always take.
std::string BaseName(const std::string& moviePath)
{
  std::string name = moviePath.substr(moviePath.find_last_of('/') + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0)
    name.erase(dot);
  for (char& c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                       c == '-';
    if (!plain)
      c = '_';
  }
  return name.substr(0, 32);
}

}  // namespace

TMovieCache::TMovieCache(std::string folder, std::ostream& log) : Directory(std::move(folder)), Log(log) {}

std::string TMovieCache::DefaultFolder()
{
  const char* own = std::getenv("VELMO_CACHE_DIR");
  if (own && *own)
    return own;
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && *xdg == '/')
    return std::string(xdg) + "/velmo";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.cache/velmo";
}

std::string TMovieCache::IndexPath(const TSourceIdentity& source) const
{
  return Directory + "/" + BaseName(source.Path) + "-" + ServedFrame::ToHex(source.MovieId()) + IndexMark;
}

std::optional<std::string> TMovieCache::FindIndex(const ServedFrame::TMovieId& id) const
{
  const std::string ending = "-" + ServedFrame::ToHex(id) + IndexMark;
  for (const std::string& name : FolderNames(Directory)) {
    if (IsIndexName(name) && name.size() >= ending.size() &&
        name.compare(name.size() - ending.size(), ending.size(), ending) == 0 && IsRegularFile(Directory + "/" + name))
      return Directory + "/" + name;
  }
  return std::nullopt;
}

TMovieCache::TEntry TMovieCache::IndexFor(const TSourceIdentity& source, const std::function<TMovieIndex()>& build)
{
  TEntry entry;
  entry.Path = IndexPath(source);
  if (IsRegularFile(entry.Path)) {
    try {
      entry.Contents = IndexAvi::Read(entry.Path);
      if (entry.Contents.Source == source) {
        Log << "using the index made before: " << entry.Path << "\n";
        return entry;
      }
    } catch (const IndexAvi::TXIndexAvi&) {
    }
    Log << "the index " << entry.Path << " is not the one made from " << source.Path << " (damaged): making it again\n";
  }

  std::error_code error;
  std::filesystem::create_directories(Directory, error);
  if (error)
    throw TXCache("cannot create the cache folder " + Directory + " (" + error.message() +
                  "): set VELMO_CACHE_DIR to a folder you can write");
  const TMovieIndex index = build();
  const std::string name = entry.Path.substr(Directory.size() + 1);
  try {
    TTemporaryFile file(Directory + "/." + name + "." + std::to_string(getpid()) + ".part");
    IndexAvi::Write(file.Path(), source, index);
    file.Rename(entry.Path);
  } catch (const TTemporaryFile::TXTemporary& x) {
    throw TXCache(std::string(x.what()) +
                  ": make the cache folder writable, or set VELMO_CACHE_DIR to a folder you can write");
  } catch (const IndexAvi::TXIndexAvi& x) {
    throw TXCache(std::string(x.what()) + " in " + Directory);
  }
  entry.Contents = IndexAvi::Read(entry.Path);
  Log << "indexed " << source.Path << " (" << index.FrameCount() << " frames) into " << entry.Path
      << ": the frame server decodes its frames for the program\n";

  // Indexes of the same movie before it changed: same name up to the id, same path inside.
  const std::string prefix = BaseName(source.Path) + "-";
  for (const std::string& other : FolderNames(Directory)) {
    const std::string path = Directory + "/" + other;
    if (path == entry.Path || other.rfind(prefix, 0) != 0 || !IsIndexName(other) || !IsRegularFile(path))
      continue;
    try {
      if (IndexAvi::ReadSource(path).Path == source.Path && unlink(path.c_str()) == 0)
        Log << "removed the index of " << source.Path << " as it was before it changed: " << path << "\n";
    } catch (const IndexAvi::TXIndexAvi&) {
      // Not an index of ours after all: kept.
    }
  }
  return entry;
}

void TMovieCache::Tidy()
{
  std::uint64_t oldBytes = 0;
  unsigned oldFiles = 0;
  auto removeOld = [&](const std::string& path) {
    std::uint64_t size = 0;
    if (IsRegularFile(path, &size) && unlink(path.c_str()) == 0) {
      oldBytes += size;
      ++oldFiles;
    }
  };
  for (const std::string& name : FolderNames(Directory)) {
    const std::string path = Directory + "/" + name;
    if (const std::optional<std::string> pid = TemporaryOf(name, IsIndexName)) {
      if (IsRegularFile(path) && !WriterMayLive(path, *pid))
        unlink(path.c_str());
    } else if (const std::optional<std::string> oldPid = TemporaryOf(
                 name, [](std::string_view copy) { return IsOldCopyName(copy, ".avi"); })) {
      if (!WriterMayLive(path, *oldPid))
        removeOld(path);
    } else if (IsOldCopyName(name, ".avi")) {
      // A copy goes with the file beside it that names its source; a lookalike without one stays.
      const std::string source = path.substr(0, path.size() - 4) + ".source";
      if (IsRegularFile(source) && IsOldSourceFile(source))
        removeOld(path);
    }
  }
  // Then the files that named the sources of copies gone now.
  for (const std::string& name : FolderNames(Directory)) {
    const std::string path = Directory + "/" + name;
    if (IsOldCopyName(name, ".source") && !IsRegularFile(path.substr(0, path.size() - 7) + ".avi") &&
        IsOldSourceFile(path))
      removeOld(path);
  }
  if (oldFiles)
    Log << "removed " << oldFiles << " files (" << (oldBytes + (1u << 20) - 1) / (1u << 20)
        << " MB) of the converted copies earlier versions kept in " << Directory
        << ": movies are served to the program now, nothing that large is kept\n";
}
