#include "winui/bitmaps.h"

#include <cstdint>

namespace tolvane::win {

namespace {
HBITMAP MakeBitmap(const Artwork& art, COLORREF bg, COLORREF key, bool grey) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = art.width;
  bi.bmiHeader.biHeight = -art.height;  // top-down, as the pixels are
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return nullptr;
  auto* out = static_cast<uint32_t*>(bits);
  const int br = GetRValue(bg), bgG = GetGValue(bg), bb = GetBValue(bg);
  for (size_t i = 0; i < art.pixels.size(); ++i) {
    const uint32_t p = art.pixels[i];
    const int a = static_cast<int>(p >> 24);
    if (a == 0) {
      out[i] = (static_cast<uint32_t>(GetRValue(key)) << 16) | (GetGValue(key) << 8) | GetBValue(key);
      continue;
    }
    int r = (((p >> 16) & 0xFF) * a + br * (255 - a)) / 255;
    int g = (((p >> 8) & 0xFF) * a + bgG * (255 - a)) / 255;
    int b = ((p & 0xFF) * a + bb * (255 - a)) / 255;
    if (grey) {
      // Light grey by brightness, as a disabled picture looks.
      const int luma = (r * 30 + g * 59 + b * 11) / 100;
      r = g = b = 128 + luma / 2;
    }
    out[i] = (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
  }
  return bmp;
}
}  // namespace

HBITMAP ToBitmap(const Artwork& art, COLORREF bg, COLORREF key) { return MakeBitmap(art, bg, key, false); }
HBITMAP ToGreyBitmap(const Artwork& art, COLORREF bg, COLORREF key) { return MakeBitmap(art, bg, key, true); }

HICON ToIcon(const Artwork& art) {
  BITMAPV5HEADER bi{};
  bi.bV5Size = sizeof(bi);
  bi.bV5Width = art.width;
  bi.bV5Height = -art.height;
  bi.bV5Planes = 1;
  bi.bV5BitCount = 32;
  bi.bV5Compression = BI_BITFIELDS;
  bi.bV5RedMask = 0x00FF0000;
  bi.bV5GreenMask = 0x0000FF00;
  bi.bV5BlueMask = 0x000000FF;
  bi.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC dc = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, dc);
  if (!colour) return nullptr;
  auto* out = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < art.pixels.size(); ++i) {  // premultiplied, as icons with alpha are drawn
    const uint32_t p = art.pixels[i], a = p >> 24;
    out[i] = (a << 24) | ((((p >> 16) & 0xFF) * a / 255) << 16) | ((((p >> 8) & 0xFF) * a / 255) << 8) |
             ((p & 0xFF) * a / 255);
  }
  HBITMAP mask = CreateBitmap(art.width, art.height, 1, 1, nullptr);
  ICONINFO ii{};
  ii.fIcon = TRUE;
  ii.hbmColor = colour;
  ii.hbmMask = mask;
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}

}  // namespace tolvane::win
