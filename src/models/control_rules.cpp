#include "models/control_rules.h"

namespace tolvane {

int ListItemHeight(int textWidth, int listWidth) {
  const int l = textWidth < 2 * listWidth ? listWidth - 15 : listWidth;
  int n = 2;
  for (int k = 9; k >= 2; --k) {
    if (textWidth > k * l) {
      n = k + 1;
      break;
    }
  }
  return 16 * n;
}

ImageSize ButtonImageSize(int dpi) {
  if (dpi <= 96) return {41, 26};
  if (dpi <= 120) return {51, 32};
  return {61, 39};
}

int ClosedTextLength(int clientWidth) { return clientWidth * 2 / 27; }

int ClosedTextTop(int clientHeight) { return clientHeight == 24 ? 6 : 4; }

int DropButtonCell(bool enabled, bool pressed, int hoverState) {
  if (!enabled) return 3;
  if (pressed) return 2;
  return hoverState == 1 ? 1 : 0;
}

Point ButtonImagePosition(int cw, int ch, int iw, int ih, int tw, int th, ImageAlign align, bool pressed) {
  Point p{};
  switch (align) {
    case ImageAlign::Left:
      p = {(cw - iw - tw) / 2, (ch - ih) / 2};
      break;
    case ImageAlign::Right:
      p = {(cw - iw - tw) / 2 + tw, (ch - ih) / 2};
      break;
    case ImageAlign::Top:
      p = {(cw - iw) / 2, (ch - ih - th) / 2};
      break;
  }
  if (pressed) {
    p.x += 1;
    p.y += 1;
  }
  return p;
}

}  // namespace tolvane
