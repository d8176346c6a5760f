#include "ui/images.h"

#include <QImage>

#include <cstring>

#include "core/artwork.h"
#include "core/language.h"

namespace tolvane {

QFont DialogFont() {
  QFont font("宋体", 10);
  // A CJK font named here becomes the primary font wherever SimSun is missing, and
  // is then loaded to draw even English: only the Chinese interface names one.
  // English text with a glyph outside the system font (the full-width forms of
  // the range hints) still finds it through the platform's fallback, when drawn.
  if (IsChinese())
    font.setFamilies({"宋体", "SimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Sans Serif"});
  else
    font.setFamilies({"宋体", "SimSun", "Sans Serif"});
  return font;
}

void SetUpSmallDialog(QDialog* dialog) {
  dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
  dialog->setFont(DialogFont());
  dialog->setAutoFillBackground(true);
  QPalette pal = dialog->palette();
  pal.setColor(QPalette::Window, Qt::white);
  dialog->setPalette(pal);
}

namespace {
QPixmap ToPixmap(const Artwork& art) {
  QImage image(art.width, art.height, QImage::Format_ARGB32);
  for (int y = 0; y < art.height; ++y)
    std::memcpy(image.scanLine(y), &art.pixels[static_cast<size_t>(y) * art.width], art.width * sizeof(uint32_t));
  return QPixmap::fromImage(image);
}
}  // namespace

QPixmap UploadImage(QSize size) { return ToPixmap(UploadArtwork(size.width(), size.height())); }
QPixmap DownloadImage(QSize size) { return ToPixmap(DownloadArtwork(size.width(), size.height())); }
QPixmap DropStripImage() { return ToPixmap(DropStripArtwork()); }
QPixmap LogoImage() { return ToPixmap(LogoArtwork()); }

QIcon AppIcon() {
  QIcon icon;
  for (int s : {16, 32, 48, 64}) icon.addPixmap(ToPixmap(IconArtwork(s)));
  return icon;
}

}  // namespace tolvane
