// Reads BMP files written by the program, as an independent check of their
// headers, colour table and pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TBmpFile {
  bool Valid = false;
  std::uint32_t FileSize = 0;
  std::uint32_t OffBits = 0;
  std::uint32_t HeaderSize = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint16_t BitCount = 0;
  std::uint32_t ClrUsed = 0;
  std::vector<std::uint32_t> ColorTable;  // 0x00RRGGBB
  std::string Bytes;

  // The colour of pixel (x, y) counted from the top-left corner, as 0x00RRGGBB.
  std::uint32_t Pixel(int x, int y) const;
};

TBmpFile ReadBmp(const std::string& path);
