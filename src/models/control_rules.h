// The arithmetic of the custom-drawn controls, apart from any painting; the
// same for every window toolkit.
#pragma once
#include <string>

namespace tolvane {

// Height of a drop-down list item: 16 x n pixels, n from the text width against
// the list width (less 15 pixels for texts narrower than two list widths).
int ListItemHeight(int textWidth, int listWidth);
// How many characters of its text the closed list shows.
int ClosedTextLength(int clientWidth);
// The closed list's text baseline box top: 6 in a 24-pixel-high control, else 4.
int ClosedTextTop(int clientHeight);
// Cell of the drop-button strip: 0 normal, 1 hover, 2 pressed, 3 disabled.
int DropButtonCell(bool enabled, bool pressed, int hoverState);

struct ImageSize {
  int width, height;
  bool operator==(const ImageSize&) const = default;
};
// The command buttons' image size by the screen's vertical logical pixels per inch.
ImageSize ButtonImageSize(int logicalDpiY);

enum class ImageAlign { Left, Top, Right };
struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};
// Where a button's image goes for its alignment (caption beside or below it),
// shifted by (1, 1) while the button is pressed.
Point ButtonImagePosition(int clientWidth, int clientHeight, int imageWidth, int imageHeight, int captionWidth,
                          int captionHeight, ImageAlign align, bool pressed);

}  // namespace tolvane
