#include "ui/controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFrame>

namespace tolvane {

namespace {
const QColor kAccent(68, 114, 210);
}

bool AcceptsTypedText(const QString& text) {
  for (QChar c : text)
    if (!(c.isDigit() && c.unicode() < 128) && c != '-' && c != '\b') return false;
  return true;
}

CDrawEdit::CDrawEdit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  setTextMargins(3, 1, 3, 1);
  setAttribute(Qt::WA_TranslucentBackground);
  QPalette p = palette();
  p.setColor(QPalette::Base, Qt::transparent);
  setPalette(p);
}

void CDrawEdit::SetHintText(const QString& text) {
  if (text.isNull()) return;
  setToolTip(text);
}

void CDrawEdit::keyPressEvent(QKeyEvent* event) {
  const QString t = event->text();
  const int key = event->key();
  if (key == Qt::Key_Backspace) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (!t.isEmpty() && t.at(0).isPrint() && AcceptsTypedText(t)) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  // Characters (and the control characters of the clipboard shortcuts) are dropped;
  // Enter and Escape go on to the window.
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  if (!t.isEmpty()) return;
  QLineEdit::keyPressEvent(event);  // navigation keys carry no character
}

void CDrawEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  QPainter p(this);
  p.setPen(kAccent);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
  for (int i = 0; i < 4; ++i) {
    auto* e = new CDrawEdit(this);
    e->setAlignment(Qt::AlignCenter);
    e->setMaxLength(3);
    e->installEventFilter(this);
    octets_[i] = e;
  }
}

QString IpAddressEdit::text() const {
  bool any = false;
  for (auto* e : octets_) any = any || !e->text().isEmpty();
  if (!any) return {};
  QStringList parts;
  for (auto* e : octets_) {
    int v = e->text().toInt();
    parts << QString::number(v < 0 ? 0 : v > 255 ? 255 : v);
  }
  return parts.join('.');
}

void IpAddressEdit::setText(const QString& dotted) {
  const QStringList parts = dotted.split('.');
  for (int i = 0; i < 4; ++i) octets_[i]->setText(dotted.isEmpty() || i >= parts.size() ? QString() : parts[i]);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    QWidget* next = QApplication::focusWidget();
    if (!next || !isAncestorOf(next)) emit focusLeft();
  }
  return QWidget::eventFilter(watched, event);
}

void IpAddressEdit::resizeEvent(QResizeEvent*) {
  const int w = (width() - 3 * 6) / 4;
  for (int i = 0; i < 4; ++i) octets_[i]->setGeometry(i * (w + 6), 0, w, height());
}

void IpAddressEdit::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = (width() - 3 * 6) / 4;
  for (int i = 0; i < 3; ++i) p.drawText(QRect((i + 1) * w + i * 6, 0, 6, height()), Qt::AlignCenter, ".");
}

}  // namespace tolvane
