#include "core/artwork.h"

#include <algorithm>
#include <cmath>

namespace tolvane {
namespace {

struct Pt {
  double x, y;
};

// Where a shape can answer true: no sample outside it needs asking.
struct Box {
  double left, top, right, bottom;
};

// A shape answers whether a point is inside it and names its box; the canvas
// samples each pixel of the box on a 4 x 4 grid and lays the colour over what
// is there by the share of samples inside.
class Canvas {
 public:
  Canvas(int w, int h, uint32_t fill) {
    art_.width = w;
    art_.height = h;
    art_.pixels.assign(static_cast<size_t>(w) * h, fill);
  }
  template <class Shape>
  void Fill(const Shape& shape, uint32_t colour) {
    // A sample lies within its pixel's unit square, so a pixel outside the
    // box's floor-to-floor span has none inside.
    const Box b = shape.Bounds();
    const int x0 = std::max(0, static_cast<int>(std::floor(b.left)));
    const int y0 = std::max(0, static_cast<int>(std::floor(b.top)));
    const int x1 = std::min(art_.width - 1, static_cast<int>(std::floor(b.right)));
    const int y1 = std::min(art_.height - 1, static_cast<int>(std::floor(b.bottom)));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) hits += shape(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
        if (hits) Over(art_.pixels[static_cast<size_t>(y) * art_.width + x], colour, hits / 16.0);
      }
    }
  }
  Artwork Take() { return std::move(art_); }

 private:
  // Straight-alpha "source over".
  static void Over(uint32_t& dst, uint32_t src, double coverage) {
    const double sa = ((src >> 24) & 0xFF) / 255.0 * coverage, da = ((dst >> 24) & 0xFF) / 255.0;
    const double oa = sa + da * (1 - sa);
    if (oa <= 0) return;
    auto channel = [&](int shift) {
      const double s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
      return static_cast<uint32_t>(std::lround((s * sa + d * da * (1 - sa)) / oa)) << shift;
    };
    dst = (static_cast<uint32_t>(std::lround(oa * 255)) << 24) | channel(16) | channel(8) | channel(0);
  }
  Artwork art_;
};

Box BoxOf(const std::vector<Pt>& pts, double margin) {
  Box b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
  for (const Pt& p : pts)
    b = {std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x), std::max(b.bottom, p.y)};
  return {b.left - margin, b.top - margin, b.right + margin, b.bottom + margin};
}

struct RoundedRect {
  double left, top, w, h, radius;
  Box Bounds() const { return {left, top, left + w, top + h}; }
  bool operator()(double x, double y) const {
    if (x < left || y < top || x > left + w || y > top + h) return false;
    const double cx = std::clamp(x, left + radius, left + w - radius);
    const double cy = std::clamp(y, top + radius, top + h - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  }
};

struct Polygon {
  std::vector<Pt> pts;
  Box Bounds() const { return BoxOf(pts, 0); }
  bool operator()(double x, double y) const {
    bool in = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      if ((pts[i].y > y) != (pts[j].y > y) &&
          x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
        in = !in;
    }
    return in;
  }
};

// A line of the given width through the points, with round joins and ends.
struct Stroke {
  std::vector<Pt> pts;
  double width;
  Box Bounds() const { return BoxOf(pts, width / 2); }
  bool operator()(double x, double y) const {
    const double r2 = width * width / 4;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
      const Pt a = pts[i], b = pts[i + 1];
      const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
      const double t = len2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
      const double ex = a.x + t * dx - x, ey = a.y + t * dy - y;
      if (ex * ex + ey * ey <= r2) return true;
    }
    return false;
  }
};

Artwork ArrowArtwork(int width, int height, uint32_t face, uint32_t edge, bool up) {
  Canvas c(width, height, 0);
  const double h = height - 2, left = (width - h) / 2.0, top = 1, radius = h * 0.15;
  c.Fill(RoundedRect{left, top, h, h, radius}, edge);
  c.Fill(RoundedRect{left + 1.2, top + 1.2, h - 2.4, h - 2.4, std::max(radius - 1.2, 0.5)}, face);
  const double cx = left + h / 2, a = top + h * 0.18, b = top + h - h * 0.18;
  const double half = h * 0.3, shaft = h * 0.12;
  const double tip = up ? a : b, base = up ? b : a, dir = up ? 1 : -1;
  c.Fill(Polygon{{{cx, tip},
                  {cx + half, tip + dir * half},
                  {cx + shaft, tip + dir * half},
                  {cx + shaft, base},
                  {cx - shaft, base},
                  {cx - shaft, tip + dir * half},
                  {cx - half, tip + dir * half}}},
         Rgb(255, 255, 255));
  return c.Take();
}

Artwork DrawDropStrip() {
  Canvas c(64, 24, 0);
  const uint32_t faces[4] = {Rgb(214, 230, 245), Rgb(170, 205, 240), kAccentBlue, Rgb(225, 225, 225)};
  const uint32_t arrows[4] = {Rgb(40, 70, 130), Rgb(20, 50, 120), Rgb(255, 255, 255), Rgb(160, 160, 160)};
  for (int cell = 0; cell < 4; ++cell) {
    const double left = cell * 16;
    c.Fill(RoundedRect{left, 0, 16, 24, 0}, kListFrame);
    c.Fill(RoundedRect{left + 1, 1, 14, 22, 0}, faces[cell]);
    c.Fill(Stroke{{{left + 4.5, 10.5}, {left + 8, 14.5}, {left + 11.5, 10.5}}, 1.6}, arrows[cell]);
  }
  return c.Take();
}

Artwork DrawLogo() {
  Canvas c(48, 26, Rgb(255, 255, 255));
  c.Fill(RoundedRect{1, 1, 46, 24, 5}, kAccentBlue);
  // The letters T, L and V as strokes, so that no font is needed.
  const uint32_t white = Rgb(255, 255, 255);
  const double w = 2.2;
  c.Fill(Stroke{{{8, 8}, {17, 8}}, w}, white);
  c.Fill(Stroke{{{12.5, 8}, {12.5, 18.5}}, w}, white);
  c.Fill(Stroke{{{21, 8}, {21, 18}, {27.5, 18}}, w}, white);
  c.Fill(Stroke{{{31, 8}, {35.5, 18.5}, {40, 8}}, w}, white);
  return c.Take();
}

Artwork DrawIcon(int size) {
  Canvas c(size, size, 0);
  const double s = size;
  c.Fill(RoundedRect{0, 0, s, s, s * 0.2}, kAccentBlue);
  const uint32_t white = Rgb(255, 255, 255);
  c.Fill(Stroke{{{s * 0.2, s * 0.3}, {s * 0.8, s * 0.3}}, s / 10}, white);
  c.Fill(Stroke{{{s * 0.5, s * 0.3}, {s * 0.5, s * 0.82}}, s / 10}, white);
  return c.Take();
}

// The table for the picture at that size, or a fresh drawing.
Artwork Prerendered(ArtworkKind kind, int width, int height) {
  for (const ArtworkTable& t : PrerenderedArtwork()) {
    if (t.kind == kind && t.width == width && t.height == height) {
      Artwork art;
      art.width = width;
      art.height = height;
      art.pixels.assign(t.pixels, t.pixels + static_cast<size_t>(width) * height);
      return art;
    }
  }
  return DrawArtwork(kind, width, height);
}

}  // namespace

Artwork DrawArtwork(ArtworkKind kind, int width, int height) {
  switch (kind) {
    case ArtworkKind::kUpload:
      return ArrowArtwork(width, height, Rgb(46, 160, 67), Rgb(20, 90, 35), true);
    case ArtworkKind::kDownload:
      return ArrowArtwork(width, height, Rgb(214, 166, 32), Rgb(130, 95, 10), false);
    case ArtworkKind::kDropStrip:
      return DrawDropStrip();
    case ArtworkKind::kLogo:
      return DrawLogo();
    case ArtworkKind::kIcon:
      break;
  }
  return DrawIcon(width);
}

Artwork UploadArtwork(int width, int height) { return Prerendered(ArtworkKind::kUpload, width, height); }
Artwork DownloadArtwork(int width, int height) { return Prerendered(ArtworkKind::kDownload, width, height); }
Artwork DropStripArtwork() { return Prerendered(ArtworkKind::kDropStrip, 64, 24); }
Artwork LogoArtwork() { return Prerendered(ArtworkKind::kLogo, 48, 26); }
Artwork IconArtwork(int size) { return Prerendered(ArtworkKind::kIcon, size, size); }

}  // namespace tolvane
