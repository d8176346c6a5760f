#include "core/artwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

namespace tolvane {
namespace {

int Alpha(uint32_t p) { return p >> 24; }

// Every picture has its size, and a button image keeps the buttons' key colour
// (pure green) out even where its anti-aliased edges blend; the last rows have
// no table and are drawn.
TEST(Artwork, SizesAndNoKeyColour) {
  const struct {
    Artwork art;
    int w, h;
  } cases[] = {{UploadArtwork(41, 26), 41, 26}, {DownloadArtwork(61, 39), 61, 39}, {DropStripArtwork(), 64, 24},
               {LogoArtwork(), 48, 26},         {IconArtwork(32), 32, 32},         {IconArtwork(256), 256, 256},
               {UploadArtwork(45, 28), 45, 28}};
  for (const auto& c : cases) {
    ASSERT_EQ(c.art.width, c.w);
    ASSERT_EQ(c.art.height, c.h);
    ASSERT_EQ(c.art.pixels.size(), static_cast<size_t>(c.w * c.h));
    for (uint32_t p : c.art.pixels) {
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      ASSERT_FALSE(Alpha(p) > 0 && g - std::max(r, b) > 120) << std::hex << p;
    }
  }
}

TEST(Artwork, ButtonsAreATransparentFramedSquareWithAWhiteArrow) {
  const Artwork up = UploadArtwork(41, 26), down = DownloadArtwork(41, 26);
  EXPECT_EQ(Alpha(up.At(0, 0)), 0);              // beside the square
  EXPECT_EQ(up.At(20, 18), Rgb(255, 255, 255));  // the shaft
  EXPECT_EQ(up.At(13, 20), Rgb(46, 160, 67));    // the face beside it
  EXPECT_EQ(down.At(13, 20), Rgb(214, 166, 32));
  // The head is the wide part: near the top going up, near the bottom going down.
  EXPECT_EQ(up.At(15, 11), Rgb(255, 255, 255));
  EXPECT_NE(up.At(15, 14), Rgb(255, 255, 255));
  EXPECT_NE(down.At(15, 11), Rgb(255, 255, 255));
  EXPECT_EQ(down.At(15, 14), Rgb(255, 255, 255));
}

TEST(Artwork, StripCellsAndLogo) {
  const Artwork strip = DropStripArtwork();
  for (int cell = 0; cell < 4; ++cell) EXPECT_EQ(strip.At(cell * 16, 0), kListFrame) << cell;
  EXPECT_EQ(strip.At(2 * 16 + 3, 3), kAccentBlue);  // pressed
  EXPECT_NE(strip.At(3, 3), strip.At(3 * 16 + 3, 3));
  const Artwork logo = LogoArtwork();
  EXPECT_EQ(logo.At(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(logo.At(24, 22), kAccentBlue);
  EXPECT_EQ(logo.At(12, 14), Rgb(255, 255, 255));  // the stem of the T
}

Artwork Public(const ArtworkTable& t) {
  switch (t.kind) {
    case ArtworkKind::kUpload:
      return UploadArtwork(t.width, t.height);
    case ArtworkKind::kDownload:
      return DownloadArtwork(t.width, t.height);
    case ArtworkKind::kDropStrip:
      return DropStripArtwork();
    case ArtworkKind::kLogo:
      return LogoArtwork();
    case ArtworkKind::kIcon:
      break;
  }
  return IconArtwork(t.width);
}

// The tables made at build time hold what the drawing renders now, pixel for
// pixel, and are what the windows get at those sizes; this catches a stale
// table, a generator that mixes up pictures or sizes, and a building machine
// whose drawing differs from the target's. The sizes the windows ask for at
// 96 dpi have tables, or each start would draw them.
TEST(Artwork, TablesAreWhatTheDrawingRenders) {
  const struct {
    ArtworkKind kind;
    int width, height;
  } shownAtStart[] = {{ArtworkKind::kUpload, 41, 26},    {ArtworkKind::kDownload, 41, 26},
                      {ArtworkKind::kDropStrip, 64, 24}, {ArtworkKind::kLogo, 48, 26},
                      {ArtworkKind::kIcon, 16, 16},      {ArtworkKind::kIcon, 32, 32},
                      {ArtworkKind::kIcon, 48, 48},      {ArtworkKind::kIcon, 64, 64}};
  const std::span<const ArtworkTable> tables = PrerenderedArtwork();
  for (const auto& s : shownAtStart) {
    EXPECT_TRUE(std::any_of(
        tables.begin(), tables.end(),
        [&](const ArtworkTable& t) { return t.kind == s.kind && t.width == s.width && t.height == s.height; }))
        << static_cast<int>(s.kind) << " " << s.width << " x " << s.height;
  }
  for (const ArtworkTable& t : tables) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(t.kind) << " " << t.width << " x " << t.height);
    const Artwork drawn = DrawArtwork(t.kind, t.width, t.height);
    ASSERT_EQ(drawn.width, t.width);
    ASSERT_EQ(drawn.height, t.height);
    const std::vector<uint32_t> table(t.pixels, t.pixels + drawn.pixels.size());
    EXPECT_EQ(table, drawn.pixels);
    EXPECT_EQ(Public(t).pixels, drawn.pixels);
  }
}

}  // namespace
}  // namespace tolvane
