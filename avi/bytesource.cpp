#include "avi/bytesource.h"

#include <algorithm>
#include <limits>

TFileByteSource::TFileByteSource(const std::string& path) : File(path, std::ios::binary)
{
  if (!File.seekg(0, std::ios::end) || File.tellg() < 0)
    File.close();
}

std::uint64_t TFileByteSource::Size() const
{
  File.clear();
  const std::streamoff end = File.seekg(0, std::ios::end) ? static_cast<std::streamoff>(File.tellg()) : -1;
  return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

bool TFileByteSource::ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count)
{
  constexpr auto MaxOffset = static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max());
  if (offset > MaxOffset || count > MaxOffset - offset)
    return false;
  File.clear();
  if (!File.seekg(static_cast<std::streamoff>(offset)))
    return false;
  File.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
  return File && static_cast<std::size_t>(File.gcount()) == count;
}

bool TMemoryByteSource::ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count)
{
  if (offset > Bytes || count > Bytes - offset)
    return false;
  std::copy_n(Data + offset, count, bytes);
  return true;
}
