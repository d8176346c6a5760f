// Writes the pictures of core/artwork.h, drawn at the sizes the windows ask
// for, as constant pixel tables in a C++ source that the build compiles into
// the core library, so that no start draws them.
//
// Usage: make_artwork_tables OUT.cpp
#include <cstdio>
#include <iterator>
#include <string>

#include "core/artwork.h"

namespace tolvane {
// This program draws every picture: it has no tables of its own.
std::span<const ArtworkTable> PrerenderedArtwork() { return {}; }
}  // namespace tolvane

namespace {

using tolvane::ArtworkKind;

struct Entry {
  ArtworkKind kind;
  const char* kindName;
  int width, height;
};

// The command buttons at 96, 120 and 144 dots per inch and above
// (ButtonImageSize); the icon as the Linux window offers it (16 to 64) and as
// Windows asks for its small and large icon at 96 to 192 dots per inch.
constexpr Entry kEntries[] = {
    {ArtworkKind::kUpload, "kUpload", 41, 26},       {ArtworkKind::kUpload, "kUpload", 51, 32},
    {ArtworkKind::kUpload, "kUpload", 61, 39},       {ArtworkKind::kDownload, "kDownload", 41, 26},
    {ArtworkKind::kDownload, "kDownload", 51, 32},   {ArtworkKind::kDownload, "kDownload", 61, 39},
    {ArtworkKind::kDropStrip, "kDropStrip", 64, 24}, {ArtworkKind::kLogo, "kLogo", 48, 26},
    {ArtworkKind::kIcon, "kIcon", 16, 16},           {ArtworkKind::kIcon, "kIcon", 20, 20},
    {ArtworkKind::kIcon, "kIcon", 24, 24},           {ArtworkKind::kIcon, "kIcon", 32, 32},
    {ArtworkKind::kIcon, "kIcon", 40, 40},           {ArtworkKind::kIcon, "kIcon", 48, 48},
    {ArtworkKind::kIcon, "kIcon", 64, 64},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_artwork_tables OUT.cpp\n");
    return 2;
  }
  std::string out =
      "// Made by tools/make_artwork_tables.cpp from core/artwork.cpp's drawing; not to be edited.\n"
      "#include \"core/artwork.h\"\n\nnamespace tolvane {\nnamespace {\n";
  std::string index;
  char buf[64];
  for (size_t n = 0; n < std::size(kEntries); ++n) {
    const Entry& e = kEntries[n];
    const tolvane::Artwork art = tolvane::DrawArtwork(e.kind, e.width, e.height);
    if (art.width != e.width || art.height != e.height) {
      std::fprintf(stderr, "make_artwork_tables: %s drew %d x %d where %d x %d was asked\n", e.kindName, art.width,
                   art.height, e.width, e.height);
      return 1;
    }
    std::snprintf(buf, sizeof buf, "const uint32_t kPixels%zu[] = {", n);
    out += buf;
    for (size_t i = 0; i < art.pixels.size(); ++i) {
      std::snprintf(buf, sizeof buf, "%s0x%08X,", i % 8 ? " " : "\n    ", static_cast<unsigned>(art.pixels[i]));
      out += buf;
    }
    out += "\n};\n";
    std::snprintf(buf, sizeof buf, "    {ArtworkKind::%s, %d, %d, kPixels%zu},\n", e.kindName, e.width, e.height, n);
    index += buf;
  }
  out += "const ArtworkTable kTables[] = {\n" + index +
         "};\n}  // namespace\n\nstd::span<const ArtworkTable> PrerenderedArtwork() { return kTables; }\n\n"
         "}  // namespace tolvane\n";
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok ? 0 : 1;
}
