#pragma once
#include <QDialog>
#include <QStyledItemDelegate>

#include <array>

#include "models/com_set_model.h"
#include "platform/port_list.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

namespace tolvane {

// The port list's entries keep the port name as their text (the closed list,
// the stored value); the drop-down shows this role's line instead.
inline constexpr int kPortDescriptionRole = Qt::UserRole + 1;

class PortItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  static QString TextOf(const QModelIndex& index);  // the line the drop-down shows

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

using DescribePorts = std::function<std::vector<PortInfo>(const std::vector<std::string>&)>;

// The communication settings dialog: a view over ComSetModel.
class CComSetDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CComSetDlg(QWidget* parent, UiDispatcher& ui = GuiDispatcherRef(),
                      std::function<std::vector<std::string>()> listPorts = nullptr,
                      DescribePorts describePorts = nullptr);
  ~CComSetDlg() override;
  ComSetModel& model() { return model_; }
  QComboBox* list(ComList l) const { return lists_[l]; }
  QPushButton* autoLinkButton() const { return autoLink_; }
  QPushButton* linkButton() const { return link_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QLineEdit* statusLine() const { return status_; }
  QLabel* stationLabel() const { return stationLabel_; }
  static UiDispatcher& GuiDispatcherRef();

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Refresh();
  void Relabel();
  void DescribePortItems();
  DescribePorts describePorts_;
  ComSetModel model_;
  std::array<QComboBox*, kListCount> lists_{};
  QPushButton *autoLink_, *link_, *ok_, *cancel_;
  QLineEdit* status_;
  QLabel* stationLabel_;
  std::array<QLabel*, 6> comLabels_{};
  QGroupBox *comGroup_, *checkGroup_;
  bool opened_ = false;
};

}  // namespace tolvane
