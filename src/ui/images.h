#pragma once
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSize>

#include "models/control_rules.h"

namespace tolvane {

// "宋体" at 10 points; where it is missing, a CJK font of the platform for the
// Chinese interface, the system's sans serif font for the English one.
QFont DialogFont();

// The tool's small dialogs: white, no context-help button.
void SetUpSmallDialog(QDialog* dialog);

inline QSize ToQSize(ImageSize size) { return {size.width, size.height}; }
// The shared pictures (core/artwork.h) as pixmaps, on a transparent background
// (no pixel of the buttons' key colour).
QPixmap UploadImage(QSize size);
QPixmap DownloadImage(QSize size);
QIcon AppIcon();
QPixmap LogoImage();       // 48 x 26
QPixmap DropStripImage();  // 64 x 24

}  // namespace tolvane
