// Random access to the bytes of a movie, from a file or from memory:
// portable code with no platform state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

// Random access to the bytes of a movie.
class TByteSource {
public:
  virtual ~TByteSource() = default;
  // The size now: a file may be cut short while it is open.
  virtual std::uint64_t Size() const = 0;
  // Fills bytes[0, count) from offset; false when that range is not wholly
  // inside the source or cannot be read.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) = 0;
};

// A file opened by its (ANSI) path; read piece by piece, never loaded whole.
class TFileByteSource final : public TByteSource {
public:
  explicit TFileByteSource(const std::string& path);
  bool IsOpen() const { return File.is_open(); }
  std::uint64_t Size() const override;
  bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) override;

private:
  // Asking for the size moves the stream's position, which is no part of
  // the source's state: every read sets it first.
  mutable std::ifstream File;
};

// Bytes held by the caller, which keeps them alive while the source is used.
class TMemoryByteSource final : public TByteSource {
public:
  TMemoryByteSource(const std::uint8_t* data, std::size_t size) : Data(data), Bytes(size) {}
  std::uint64_t Size() const override { return Bytes; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) override;

private:
  const std::uint8_t* Data;
  std::size_t Bytes;
};
