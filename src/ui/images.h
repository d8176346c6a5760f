#pragma once
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace tolvane {

// "宋体" at 10 points; where it is missing, a CJK font of the platform for the
// Chinese interface, the system's sans serif font for the English one.
QFont DialogFont();

// The tool's small dialogs: white, no context-help button.
void SetUpSmallDialog(QDialog* dialog);

// Button image size by the screen's vertical logical DPI.
QSize ButtonImageSize(int logicalDpiY);
// Vector-drawn images on a transparent background (no pixel of the buttons' key colour).
QPixmap UploadImage(QSize size);
QPixmap DownloadImage(QSize size);
QIcon AppIcon();
QPixmap LogoImage();  // 48 x 26

}  // namespace tolvane
