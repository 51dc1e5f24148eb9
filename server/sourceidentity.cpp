#include "server/sourceidentity.h"

#include "channel/hex.h"
#include "channel/sha256.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// How much of the movie's start is hashed: enough to tell another file put in
// its place, little enough to read at once.
constexpr std::size_t HeadBytes = 8u << 20;

class TReadFile {
public:
  explicit TReadFile(const std::string& path) : Fd(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~TReadFile()
  {
    if (Fd >= 0)
      close(Fd);
  }
  TReadFile(const TReadFile&) = delete;
  TReadFile& operator=(const TReadFile&) = delete;
  int Get() const { return Fd; }

private:
  const int Fd;
};

TFileState StateOf(const struct stat& status)
{
  TFileState state;
  state.Size = static_cast<std::uint64_t>(status.st_size);
  state.ModifiedNs = std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
  return state;
}

}  // namespace

std::optional<TFileState> TFileState::Of(const std::string& path)
{
  struct stat status;
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
    return std::nullopt;
  return StateOf(status);
}

TSourceIdentity TSourceIdentity::Of(const std::string& absolutePath)
{
  const TReadFile file(absolutePath);
  struct stat status;
  if (file.Get() < 0 || fstat(file.Get(), &status) != 0)
    throw TXIdentity("cannot read the movie " + absolutePath + ": " + std::strerror(errno));
  std::vector<std::uint8_t> head(HeadBytes);
  std::size_t read = 0;
  while (read < head.size()) {
    const ssize_t got = ::read(file.Get(), head.data() + read, head.size() - read);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      throw TXIdentity("cannot read the movie " + absolutePath + ": " + std::strerror(errno));
    if (got == 0)
      break;
    read += static_cast<std::size_t>(got);
  }
  head.resize(read);
  TSourceIdentity identity;
  identity.Path = absolutePath;
  identity.State = StateOf(status);
  const TSha256Digest digest = Sha256(head.data(), head.size());
  identity.HeadHash = HexText(digest.data(), digest.size());
  return identity;
}

std::string TSourceIdentity::Text() const
{
  return Path + "\n" + std::to_string(State.Size) + "\n" + std::to_string(State.ModifiedNs) + "\n" + HeadHash + "\n";
}
