#include "server/temporaryfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace {

std::mutex& RegistryLock()
{
  static std::mutex lock;
  return lock;
}
std::set<std::string>& Registry()
{
  static std::set<std::string> files;
  return files;
}

}  // namespace

TTemporaryFile::TTemporaryFile(std::string path) : Name(std::move(path))
{
  const std::lock_guard<std::mutex> hold(RegistryLock());
  Lock = open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (Lock < 0)
    throw TXTemporary("cannot write " + Name + ": " + std::strerror(errno));
  if (flock(Lock, LOCK_EX) != 0) {
    const int error = errno;
    close(Lock);
    unlink(Name.c_str());
    throw TXTemporary("cannot lock " + Name + ": " + std::strerror(error));
  }
  Registry().insert(Name);
}

TTemporaryFile::~TTemporaryFile()
{
  const std::lock_guard<std::mutex> hold(RegistryLock());
  if (!Renamed)
    unlink(Name.c_str());
  Registry().erase(Name);
  close(Lock);
}

void TTemporaryFile::Rename(const std::string& finalPath)
{
  const std::lock_guard<std::mutex> hold(RegistryLock());
  if (std::rename(Name.c_str(), finalPath.c_str()) != 0)
    throw TXTemporary("cannot rename " + Name + " to " + finalPath + ": " + std::strerror(errno));
  Renamed = true;
  Registry().erase(Name);
}

bool TTemporaryFile::HeldByWriter(const std::string& path)
{
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0)
    return true;
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);
  return held;
}

void TTemporaryFile::RemoveAll()
{
  const std::lock_guard<std::mutex> hold(RegistryLock());
  for (const std::string& name : Registry())
    unlink(name.c_str());
  Registry().clear();
}
