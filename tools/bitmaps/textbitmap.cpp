// Turns a bitmap drawn as text into a 4-bit-per-pixel BMP file with the
// standard 16-colour palette, so that the program's button glyphs and slider
// thumb are kept as readable sources. One character stands for one pixel:
//
//   .  light grey (button face)   K  black (button text)
//   -  grey (button shadow)       W  white (button highlight)
//   Y  yellow (background)        M  light magenta (window frame)
//   r g y b m c  dark red, green, olive, navy, purple, teal
//   R G B C      red, green, blue, cyan
//
// Lines starting with '#' are comments; every other non-empty line is a row of
// pixels, top row first, and all rows have the same length.
//   textbitmap <source.txt> <output.bmp>
#include "framework/base/dibstride.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct TColour {
  char Symbol;
  std::uint8_t R, G, B;
};

// In the order of the standard palette (the index is the pixel value).
const TColour Palette[16] = {
  {'K', 0x00, 0x00, 0x00}, {'r', 0x80, 0x00, 0x00}, {'g', 0x00, 0x80, 0x00}, {'y', 0x80, 0x80, 0x00},
  {'b', 0x00, 0x00, 0x80}, {'m', 0x80, 0x00, 0x80}, {'c', 0x00, 0x80, 0x80}, {'.', 0xC0, 0xC0, 0xC0},
  {'-', 0x80, 0x80, 0x80}, {'R', 0xFF, 0x00, 0x00}, {'G', 0x00, 0xFF, 0x00}, {'Y', 0xFF, 0xFF, 0x00},
  {'B', 0x00, 0x00, 0xFF}, {'M', 0xFF, 0x00, 0xFF}, {'C', 0x00, 0xFF, 0xFF}, {'W', 0xFF, 0xFF, 0xFF},
};

int IndexOf(char symbol)
{
  for (int i = 0; i < 16; ++i)
    if (Palette[i].Symbol == symbol)
      return i;
  return -1;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v)
{
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// The pixel rows of the text source, top row first; empty (with the fault
// told) when the source cannot be read or is not a picture.
std::vector<std::string> ReadRows(const char* path)
{
  std::ifstream in(path);
  if (!in) {
    std::cerr << path << ": cannot be read\n";
    return {};
  }
  std::vector<std::string> rows;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty() || line[0] == '#')
      continue;
    for (char c : line)
      if (IndexOf(c) < 0) {
        std::cerr << path << ":" << number << ": '" << c << "' is not a colour\n";
        return {};
      }
    if (!rows.empty() && line.size() != rows[0].size()) {
      std::cerr << path << ":" << number << ": row of " << line.size() << " pixels, expected " << rows[0].size()
                << "\n";
      return {};
    }
    rows.push_back(line);
  }
  if (rows.empty())
    std::cerr << path << ": no pixels\n";
  return rows;
}

// The BMP file of the rows: headers, the standard palette, then the rows
// bottom up, two pixels to a byte.
std::vector<std::uint8_t> BmpFile(const std::vector<std::string>& rows)
{
  const std::uint32_t width = static_cast<std::uint32_t>(rows[0].size());
  const std::uint32_t height = static_cast<std::uint32_t>(rows.size());
  const auto stride = static_cast<std::uint32_t>(DibRowBytes(width, 4));
  const std::uint32_t bitsOffset = 14 + 40 + 16 * 4;
  const std::uint32_t imageSize = stride * height;

  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, bitsOffset + imageSize);
  Put32(out, 0);
  Put32(out, bitsOffset);
  Put32(out, 40);
  Put32(out, width);
  Put32(out, height);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const TColour& c : Palette) {
    out.push_back(c.B);
    out.push_back(c.G);
    out.push_back(c.R);
    out.push_back(0);
  }
  for (std::uint32_t y = height; y-- > 0;) {  // bottom row first
    std::vector<std::uint8_t> row(stride, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      const auto index = static_cast<std::uint8_t>(IndexOf(rows[y][x]));
      row[x / 2] |= x % 2 ? index : static_cast<std::uint8_t>(index << 4);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 3) {
    std::cerr << "usage: textbitmap <source.txt> <output.bmp>\n";
    return 2;
  }
  const std::vector<std::string> rows = ReadRows(argv[1]);
  if (rows.empty())
    return 1;
  const std::vector<std::uint8_t> out = BmpFile(rows);

  std::FILE* file = std::fopen(argv[2], "wb");
  bool written = file && std::fwrite(out.data(), 1, out.size(), file) == out.size();
  written = file && std::fclose(file) == 0 && written;  // closed also when the write failed
  if (!written) {
    std::cerr << argv[2] << ": cannot be written\n";
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
