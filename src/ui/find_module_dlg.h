// The Find Module dialog: a view over FindModuleModel.
#pragma once
#include <QDialog>

#include "models/find_module_model.h"
#include "ui/com_set_dlg.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace tolvane {

class CFindModuleDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CFindModuleDlg(QWidget* parent, UiDispatcher& ui = CComSetDlg::GuiDispatcherRef(),
                          std::function<std::vector<std::string>()> listPorts = nullptr,
                          DescribePorts describePorts = nullptr);
  ~CFindModuleDlg() override;
  FindModuleModel& model() { return model_; }
  QComboBox* ports() const { return ports_; }
  QLineEdit* from() const { return from_; }
  QLineEdit* to() const { return to_; }
  QComboBox* lines() const { return lines_; }
  QCheckBox* findAll() const { return findAll_; }
  QPushButton* searchButton() const { return search_; }
  QPushButton* useButton() const { return use_; }
  QPushButton* closeButton() const { return close_; }
  QProgressBar* progress() const { return progress_; }
  QLabel* figures() const { return figures_; }
  QTreeWidget* results() const { return results_; }

  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Relabel();
  void Refresh();
  DescribePorts describePorts_;
  FindModuleModel model_;
  QLabel *portLabel_, *fromLabel_, *toLabel_, *linesLabel_, *resultsLabel_, *figures_, *status_;
  QComboBox *ports_, *lines_;
  QLineEdit *from_, *to_;
  QCheckBox* findAll_;
  QPushButton *search_, *use_, *close_;
  QProgressBar* progress_;
  QTreeWidget* results_;
};

}  // namespace tolvane
