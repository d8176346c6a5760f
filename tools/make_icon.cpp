// Writes the application icon as a Windows .ico file (16, 32, 48 and 256
// pixels, 32-bit with alpha), from the same picture the windows draw.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/artwork.h"

namespace {
void Put16(std::string& out, uint16_t v) { out.append({static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}); }
void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}

// One image as a bottom-up 32-bit bitmap with an all-clear AND mask.
std::string Entry(int size) {
  const tolvane::Artwork art = tolvane::IconArtwork(size);
  std::string bmp;
  Put32(bmp, 40);
  Put32(bmp, static_cast<uint32_t>(size));
  Put32(bmp, static_cast<uint32_t>(size * 2));  // colour and mask
  Put16(bmp, 1);
  Put16(bmp, 32);
  for (int i = 0; i < 6; ++i) Put32(bmp, 0);
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) Put32(bmp, art.At(x, y));  // BGRA in memory order
  const int maskRow = ((size + 31) / 32) * 4;
  bmp.append(static_cast<size_t>(maskRow * size), '\0');
  return bmp;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUT.ico\n");
    return 2;
  }
  const int sizes[] = {16, 32, 48, 256};
  std::vector<std::string> images;
  for (int s : sizes) images.push_back(Entry(s));
  std::string out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint16_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<char>(sizes[i] == 256 ? 0 : sizes[i]));
    out.push_back(static_cast<char>(sizes[i] == 256 ? 0 : sizes[i]));
    out.append({0, 0});
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::string& image : images) out += image;
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) return 1;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok ? 0 : 1;
}
