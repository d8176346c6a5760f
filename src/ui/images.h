#pragma once
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace tolvane {

// Button image size by the screen's vertical logical DPI.
QSize ButtonImageSize(int logicalDpiY);
// Vector-drawn images; the background is RGB(0, 255, 0), the buttons' transparent colour.
QPixmap UploadImage(QSize size);
QPixmap DownloadImage(QSize size);
QIcon AppIcon();
QPixmap LogoImage();  // 48 x 26

}  // namespace tolvane
