#include "ui/controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QValidator>

#include <algorithm>

#include "core/artwork.h"
#include "models/main_model.h"
#include "ui/images.h"

namespace tolvane {

namespace {
const QColor kAccent(68, 114, 210);
}

bool AcceptsTypedText(const QString& text) {
  for (QChar c : text)
    if (!(c.isDigit() && c.unicode() < 128) && c != '-' && c != '\b') return false;
  return true;
}

bool FocusMovesWithinWindow(const QWidget* left, const QFocusEvent* event) {
  if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::MenuBarFocusReason) return false;
  // The focus widget has already changed when the field hears of its loss;
  // none, or one in another window, means the window itself lost the focus.
  const QWidget* next = QApplication::focusWidget();
  return next && next != left && next->window() == left->window();
}

namespace {
// Runs the field's rule over every change of an editable field, so that no
// path of input gets around it. Read-only fields only show the program's own
// texts (model names, versions, the MAC address) and are left alone.
class EntryValidator : public QValidator {
 public:
  EntryValidator(QLineEdit* edit, EntryRule rule) : QValidator(edit), edit_(edit), rule_(rule) {}
  State validate(QString& input, int& pos) const override {
    if (edit_->isReadOnly()) return Acceptable;
    const QString kept = Apply(input);
    if (kept != input) {
      pos = std::min<int>(Apply(input.left(pos)).size(), kept.size());
      input = kept;
    }
    return Acceptable;
  }

 private:
  QString Apply(const QString& text) const { return QString::fromStdString(rule_(text.toStdString())); }
  QLineEdit* edit_;
  EntryRule rule_;
};
}  // namespace

CDrawEdit::CDrawEdit(QWidget* parent, EntryRule rule) : QLineEdit(parent) {
  setValidator(new EntryValidator(this, rule ? rule : KeepFieldCharacters));
  setFrame(false);
  setTextMargins(3, 1, 3, 1);
  setAttribute(Qt::WA_TranslucentBackground);
  QPalette p = palette();
  p.setColor(QPalette::Base, Qt::transparent);
  setPalette(p);
}

QLabel* CDrawEdit::EnsureHint() {
  if (!hint_) {
    hint_ = new QLabel(this, Qt::ToolTip);
    hint_->setObjectName("hint");
    hint_->setMaximumWidth(kHintMaxWidth);
    hint_->setStyleSheet("QLabel { background: #ffffe1; border: 1px solid #767676; padding: 2px; }");
  }
  return hint_;
}

void CDrawEdit::SetHintText(const QString& text) {
  if (text.isNull()) return;
  hintText_ = text;
  EnsureHint()->setText(text);
  hintLaidOut_ = false;
}

QLabel* CDrawEdit::hint() const {
  LayOutHint();
  return hint_;
}

void CDrawEdit::LayOutHint() const {
  if (hintLaidOut_ || !hint_) return;
  hintLaidOut_ = true;
  QLabel* h = hint_;
  // Left to itself a word-wrapped label picks a narrow width and breaks even a
  // short hint; the hint is one line as wide as its text, broken only where it
  // would pass the maximum width.
  h->setWordWrap(false);
  if (h->sizeHint().width() <= kHintMaxWidth) {
    h->resize(h->sizeHint());
    return;
  }
  h->setWordWrap(true);
  h->resize(kHintMaxWidth, h->heightForWidth(kHintMaxWidth));
}

bool CDrawEdit::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ToolTip:
      if (!hintText_.isEmpty()) {
        QLabel* h = hint();
        h->move(static_cast<QHelpEvent*>(event)->globalPos() + QPoint(2, 18));
        h->show();
      }
      return true;
    case QEvent::Leave:
    case QEvent::Hide:
    case QEvent::MouseButtonPress:
    case QEvent::FocusOut:
      if (hint_) hint_->hide();
      break;
    default:
      break;
  }
  return QLineEdit::event(event);
}

void CDrawEdit::keyPressEvent(QKeyEvent* event) {
  const QString t = event->text();
  const int key = event->key();
  if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
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
    // An octet above 255 becomes 255 as it is entered, as the platform's address field does.
    auto* e = new CDrawEdit(this, OctetEntry);
    e->setAlignment(Qt::AlignCenter);
    e->setMaxLength(3);
    e->installEventFilter(this);
    octets_[i] = e;
  }
}

QString IpAddressEdit::text() const {
  std::array<std::string, 4> octets;
  for (int i = 0; i < 4; ++i) octets[i] = octets_[i]->text().toStdString();
  return QString::fromStdString(DottedAddress(octets));
}

void IpAddressEdit::setText(const QString& dotted) {
  const QStringList parts = dotted.split('.');
  for (int i = 0; i < 4; ++i) octets_[i]->setText(dotted.isEmpty() || i >= parts.size() ? QString() : parts[i]);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      FocusMovesWithinWindow(static_cast<QWidget*>(watched), static_cast<QFocusEvent*>(event)) &&
      !isAncestorOf(QApplication::focusWidget()))
    emit focusLeft();
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

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent) {
  setFlat(true);
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover);
}

namespace {
QPixmap Masked(const QPixmap& pm) {
  QPixmap out = pm;
  out.setMask(pm.createMaskFromColor(CButtonST::TransparentColour()));
  return out;
}
QPixmap Greyed(const QPixmap& pm) {
  QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const int g = (qGray(line[x]) + 2 * 192) / 3;  // washed out, as a disabled image is
      line[x] = qRgba(g, g, g, qAlpha(line[x]));
    }
  }
  return QPixmap::fromImage(img);
}
}  // namespace

void CButtonST::SetImages(const QPixmap& over, const QPixmap& normal) {
  over_image_ = Masked(over);
  normal_image_ = Masked(normal);
  update();
}

void CButtonST::SetAlign(ImageAlign align) {
  align_ = align;
  update();
}

void CButtonST::enterEvent(QEnterEvent* event) {
  over_ = true;
  update();
  QPushButton::enterEvent(event);
}

void CButtonST::leaveEvent(QEvent* event) {
  over_ = false;
  update();
  QPushButton::leaveEvent(event);
}

void CButtonST::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  if (inside != over_) {
    over_ = inside;
    update();
  }
  QPushButton::mouseMoveEvent(event);
}

void CButtonST::mousePressEvent(QMouseEvent* event) {
  // The press has moved the focus here, which ran the check of the field being
  // left. When that check refused its entry it took the focus back: the press
  // is then no click, so that no command runs on the refused value.
  pressRefused_ =
      event->button() == Qt::LeftButton && (focusPolicy() & Qt::ClickFocus) && window()->focusWidget() != this;
  if (pressRefused_) return;
  QPushButton::mousePressEvent(event);
}

void CButtonST::mouseReleaseEvent(QMouseEvent* event) {
  if (pressRefused_ && event->button() == Qt::LeftButton) {
    pressRefused_ = false;
    return;  // kept from the window, whose release moves the focus off the fields
  }
  QPushButton::mouseReleaseEvent(event);
}

void CButtonST::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Button));
  const QRect r = rect().adjusted(0, 0, -1, -1);
  if (isDown() || over_) {
    const QColor topLeft = isDown() ? pal.color(QPalette::Dark) : pal.color(QPalette::Light);
    const QColor bottomRight = isDown() ? pal.color(QPalette::Light) : pal.color(QPalette::Dark);
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
  QPixmap image = over_ ? over_image_ : normal_image_;
  if (!image.isNull()) {
    if (!isEnabled()) image = Greyed(image);
    const QSize caption = text().isEmpty() ? QSize(0, 0) : fontMetrics().size(0, text());
    const Point at = ButtonImagePosition(width(), height(), image.width(), image.height(), caption.width(),
                                         caption.height(), align_, isDown());
    p.drawPixmap(at.x, at.y, image);
  }
  if (!text().isEmpty()) {
    p.setPen(pal.color(isEnabled() ? QPalette::ButtonText : QPalette::Mid));
    p.drawText(rect().translated(isDown() ? 1 : 0, isDown() ? 1 : 0), Qt::AlignCenter, text());
  }
}

int PopupComboBox::textRoom() const {
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  // The label is drawn one pixel inside the edit field on either side.
  return style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this).width() - 2;
}

QString PopupComboBox::shownText() const {
  return fontMetrics().elidedText(currentText(), Qt::ElideMiddle, textRoom());
}

void PopupComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  painter.drawComplexControl(QStyle::CC_ComboBox, opt);
  opt.currentText = shownText();
  painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

namespace {
const QColor kListFaceColour = QColor::fromRgb(kListFace);
const QColor kListFrameColour = QColor::fromRgb(kListFrame);

class WrappingItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    p->fillRect(option.rect, selected ? kAccent : QColor(Qt::white));
    p->setPen(selected ? Qt::white : option.palette.color(QPalette::Text));
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WordWrap);
    p->drawText(QRectF(option.rect.adjusted(2, 0, -2, 0)), index.data().toString(), wrap);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int listWidth = option.widget ? option.widget->width() : option.rect.width();
    const int textWidth = option.fontMetrics.horizontalAdvance(index.data().toString());
    return {listWidth, ListItemHeight(textWidth, listWidth)};
  }
};
}  // namespace

CWEComboBox::CWEComboBox(QWidget* parent) : PopupComboBox(parent) {
  setMouseTracking(true);
  setItemDelegate(new WrappingItemDelegate(this));
  view()->setItemDelegate(itemDelegate());
}

QRect CWEComboBox::dropButtonRect() const { return QRect(width() - 17, 1, 16, height() - 2); }

QString CWEComboBox::closedText() const { return currentText().left(ClosedTextLength(width())); }

QPixmap CWEComboBox::DropStrip() { return DropStripImage(); }

void CWEComboBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kListFaceColour);
  p.setPen(kListFrameColour);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  static const QPixmap strip = DropStrip();
  const int cell = DropButtonCell(isEnabled(), pressed_ || view()->isVisible(), hover_);
  p.drawPixmap(dropButtonRect(), strip, QRect(cell * 16, 0, 16, 24));
  p.setPen(palette().color(isEnabled() ? QPalette::Text : QPalette::Mid));
  const int top = ClosedTextTop(height());
  p.drawText(QRect(4, top, width() - 4 - 17, height() - top), Qt::AlignLeft | Qt::AlignTop, closedText());
}

void CWEComboBox::mouseMoveEvent(QMouseEvent* event) {
  const int state = dropButtonRect().contains(event->position().toPoint()) ? 1 : 2;
  if (state != hover_) {
    hover_ = state;
    update();
  }
  QComboBox::mouseMoveEvent(event);
}

void CWEComboBox::leaveEvent(QEvent* event) {
  hover_ = 0;
  update();
  QComboBox::leaveEvent(event);
}

void CWEComboBox::mousePressEvent(QMouseEvent* event) {
  pressed_ = dropButtonRect().contains(event->position().toPoint());
  update();
  QComboBox::mousePressEvent(event);
}

void CWEComboBox::mouseReleaseEvent(QMouseEvent* event) {
  pressed_ = false;
  update();
  QComboBox::mouseReleaseEvent(event);
}

}  // namespace tolvane
