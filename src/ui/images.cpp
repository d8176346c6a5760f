#include "ui/images.h"

#include <QPainter>
#include <QPainterPath>

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

QSize ButtonImageSize(int dpi) {
  if (dpi <= 96) return {41, 26};
  if (dpi <= 120) return {51, 32};
  return {61, 39};
}

namespace {
QPixmap ArrowImage(QSize size, QColor face, QColor edge, bool up) {
  // Drawn on transparency: anti-aliased edges blend with nothing, where on the
  // key colour they would keep a green fringe that the exact-colour mask misses.
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal h = size.height() - 2;
  QRectF square((size.width() - h) / 2.0, 1, h, h);
  p.setPen(QPen(edge, 1.2));
  p.setBrush(face);
  p.drawRoundedRect(square, h * 0.15, h * 0.15);
  const qreal cx = square.center().x(), top = square.top() + h * 0.18, bottom = square.bottom() - h * 0.18;
  const qreal half = h * 0.3, shaft = h * 0.12;
  QPainterPath arrow;
  if (up) {
    arrow.moveTo(cx, top);
    arrow.lineTo(cx + half, top + half);
    arrow.lineTo(cx + shaft, top + half);
    arrow.lineTo(cx + shaft, bottom);
    arrow.lineTo(cx - shaft, bottom);
    arrow.lineTo(cx - shaft, top + half);
    arrow.lineTo(cx - half, top + half);
  } else {
    arrow.moveTo(cx, bottom);
    arrow.lineTo(cx + half, bottom - half);
    arrow.lineTo(cx + shaft, bottom - half);
    arrow.lineTo(cx + shaft, top);
    arrow.lineTo(cx - shaft, top);
    arrow.lineTo(cx - shaft, bottom - half);
    arrow.lineTo(cx - half, bottom - half);
  }
  arrow.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(arrow);
  return pm;
}
}  // namespace

QPixmap UploadImage(QSize size) { return ArrowImage(size, QColor(46, 160, 67), QColor(20, 90, 35), true); }
QPixmap DownloadImage(QSize size) { return ArrowImage(size, QColor(214, 166, 32), QColor(130, 95, 10), false); }

QIcon AppIcon() {
  QIcon icon;
  for (int s : {16, 32, 48, 64}) {
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(68, 114, 210));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
    p.setPen(QPen(Qt::white, s / 10.0));
    p.drawLine(QPointF(s * 0.2, s * 0.3), QPointF(s * 0.8, s * 0.3));
    p.drawLine(QPointF(s * 0.5, s * 0.3), QPointF(s * 0.5, s * 0.82));
    icon.addPixmap(pm);
  }
  return icon;
}

QPixmap LogoImage() {
  QPixmap pm(48, 26);
  pm.fill(Qt::white);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(68, 114, 210));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(1, 1, 46, 24), 5, 5);
  QFont f("Sans", 9, QFont::Bold);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 48, 26), Qt::AlignCenter, "TLV");
  return pm;
}

}  // namespace tolvane
