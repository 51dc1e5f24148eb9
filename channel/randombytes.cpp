#include "channel/randombytes.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#include <bcrypt.h>
#else
#include <sys/random.h>

#include <cerrno>
#endif

void FillRandom(std::uint8_t* bytes, std::size_t size)
{
#ifdef _WIN32
  if (BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
    throw std::runtime_error("the system gave no random bytes");
#else
  while (size > 0) {
    const ssize_t got = getrandom(bytes, size, 0);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      throw std::runtime_error("the system gave no random bytes");
    }
    bytes += got;
    size -= static_cast<std::size_t>(got);
  }
#endif
}
