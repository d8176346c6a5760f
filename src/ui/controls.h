#pragma once
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <string>

#include "models/control_rules.h"

class QFocusEvent;

namespace tolvane {

// Only '0'-'9', '-' and backspace may be typed (clipboard shortcuts included).
bool AcceptsTypedText(const QString& text);

// Whether a field losing the focus is being left for another control of its
// own window. A message box, another window, a popup or the menu bar taking
// the focus is not the user leaving the field, and runs no field check.
bool FocusMovesWithinWindow(const QWidget* left, const QFocusEvent* event);

// What an editable field keeps of text entered in any way.
using EntryRule = std::string (*)(const std::string&);

inline constexpr int kHintMaxWidth = 400;

// The framed edit field: one-pixel accent frame, character filter, hover hint.
// The filter applies to every way text comes in: typed keys, input methods,
// paste and drag-and-drop.
class CDrawEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CDrawEdit(QWidget* parent = nullptr, EntryRule rule = nullptr);
  void SetHintText(const QString& text);
  QString hintText() const { return hintText_; }
  // Created by the first SetHintText and laid out on first use: measuring the
  // text loads the fonts its glyphs need, which start-up should not pay for.
  QLabel* hint() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QLabel* EnsureHint();
  void LayOutHint() const;
  QLabel* hint_ = nullptr;
  mutable bool hintLaidOut_ = true;
  QString hintText_;
};

// The flat image button: edges on hover and press, masked images. A click
// takes the focus (no focus frame is drawn), so that the field being left is
// checked before the command runs.
class CButtonST : public QPushButton {
  Q_OBJECT
 public:
  explicit CButtonST(QWidget* parent = nullptr);
  // Pixels of exactly RGB(0, 255, 0) are not drawn.
  void SetImages(const QPixmap& over, const QPixmap& normal);
  void SetAlign(ImageAlign align);
  bool pointerOver() const { return over_; }
  static QColor TransparentColour() { return QColor(0, 255, 0); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPixmap over_image_, normal_image_;
  ImageAlign align_ = ImageAlign::Top;
  bool over_ = false;
  bool pressRefused_ = false;
};

// A drop-down list that reports when its drop-down part closes. Closed, it
// shortens a text wider than its field in the middle, so that two long device
// paths that differ only at their end still look different.
class PopupComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void hidePopup() override {
    QComboBox::hidePopup();
    emit popupClosed();
  }
  QString shownText() const;
  int textRoom() const;  // width of the closed list's text area

 signals:
  void popupClosed();

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The flat drop-down list with its image drop button and owner-drawn items.
class CWEComboBox : public PopupComboBox {
  Q_OBJECT
 public:
  explicit CWEComboBox(QWidget* parent = nullptr);
  QRect dropButtonRect() const;
  int hoverState() const { return hover_; }
  QString closedText() const;
  static QPixmap DropStrip();  // 64 x 24: normal, hover, pressed, disabled

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int hover_ = 0;
  bool pressed_ = false;
};

// Four octet boxes with dots between them; its text is the dotted form.
class IpAddressEdit : public QWidget {
  Q_OBJECT
 public:
  explicit IpAddressEdit(QWidget* parent = nullptr);
  QString text() const;
  void setText(const QString& dotted);
  const std::array<CDrawEdit*, 4>& octets() const { return octets_; }

 signals:
  void focusLeft();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::array<CDrawEdit*, 4> octets_{};
};

}  // namespace tolvane
