// The program's pictures as plain pixels: the command buttons' arrows, the
// flat list's drop-button strip, the About logo and the application icon.
// Each window toolkit turns them into its own bitmap type, so that every view
// shows the same pictures.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolvane {

struct Artwork {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, not premultiplied, row by row from the top
  uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline constexpr uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

// Drawn on transparency: an anti-aliased edge blends with nothing, where on a
// key colour it would keep a fringe that an exact-colour mask lets through.
Artwork UploadArtwork(int width, int height);    // green square, arrow up
Artwork DownloadArtwork(int width, int height);  // gold square, arrow down
// 64 x 24, four 16 x 24 cells: normal, pointer over the drop button, pressed, disabled.
Artwork DropStripArtwork();
Artwork LogoArtwork();          // 48 x 26, opaque
Artwork IconArtwork(int size);  // square, transparent corners

// The functions above hand out a table rendered when the program was built
// where there is one for the asked size (the sizes the windows ask for on
// screens of 96, 120, 144 and 192 dots per inch), and draw otherwise: drawing
// takes milliseconds that a start would spend before its first paint.
enum class ArtworkKind { kUpload, kDownload, kDropStrip, kLogo, kIcon };
// Draws afresh, whatever tables there are; the strip and the logo have one
// size and ignore the one asked for, the icon is square and takes the width.
Artwork DrawArtwork(ArtworkKind kind, int width, int height);
struct ArtworkTable {
  ArtworkKind kind;
  int width, height;
  const uint32_t* pixels;  // width * height, as in Artwork
};
// The build's tables (a generated source); the program that makes them has none.
std::span<const ArtworkTable> PrerenderedArtwork();

// The flat list's own colours, shared by its closed look and the strip's frame.
inline constexpr uint32_t kListFace = Rgb(240, 250, 255);
inline constexpr uint32_t kListFrame = Rgb(195, 215, 220);
inline constexpr uint32_t kAccentBlue = Rgb(68, 114, 210);

}  // namespace tolvane
