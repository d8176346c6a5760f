#pragma once
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <array>

namespace tolvane {

// Only '0'-'9', '-' and backspace may be typed (clipboard shortcuts included);
// the context menu still pastes.
bool AcceptsTypedText(const QString& text);

// The framed edit field: one-pixel accent frame, character filter, hover hint.
class CDrawEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CDrawEdit(QWidget* parent = nullptr);
  void SetHintText(const QString& text);
  QString hintText() const { return toolTip(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

// A drop-down list that reports when its drop-down part closes.
class PopupComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void hidePopup() override {
    QComboBox::hidePopup();
    emit popupClosed();
  }
 signals:
  void popupClosed();
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
