#pragma once
#include <QDialog>

#include <array>
#include <functional>
#include <vector>

#include "core/comm_settings.h"
#include "models/main_model.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;

namespace tolvane {

class CButtonST;
class CDrawEdit;
class CTrafficMonitorDlg;
class IpAddressEdit;

struct MainDlgDeps {
  ProfileStore* profile = nullptr;
  std::function<void(int)> writeLanguage;            // config.ini
  std::function<void(const QString&)> openDocument;  // the desktop's viewer
  QString exeDir;
  int logicalDpiY = 0;  // 0: the screen's
  // The file-name prompts of Save/Load Parameters (a file dialog when unset):
  // caption, proposed file or folder, filter; an empty answer cancels.
  std::function<QString(const QString&, const QString&, const QString&)> askSavePath;
  std::function<QString(const QString&, const QString&, const QString&)> askOpenPath;
  QString parameterFolder;  // where the first prompt starts; empty: the documents folder
};

class COndrelDlg : public QDialog, public MainView {
  Q_OBJECT
 public:
  COndrelDlg(MainDlgDeps deps, QWidget* parent = nullptr);
  ~COndrelDlg() override;
  MainModel& model() { return model_; }

  void RelabelWindow();
  void ConnectionCommand();
  void FindModuleCommand();
  QAction* findModuleItem() const { return findModuleItem_; }
  void LanguageCommand();
  void HelpCommand();
  void AboutCommand();
  void RestoreFactoryCommand();
  void TrafficMonitorCommand();
  CTrafficMonitorDlg* trafficMonitor() const { return monitor_; }
  void SaveParametersCommand();
  void LoadParametersCommand();

  // MainView
  void Pull(MainModel& model) override;
  void Push(const MainModel& model) override;
  void FocusField(Field field) override;
  void FocusAway() override;

  QWidget* fieldWidget(Field f) const;
  QComboBox* modeList() const { return modeList_; }
  QComboBox* baudList() const { return baudList_; }
  CButtonST* commandButton(int group) const { return buttons_[group]; }
  QMenuBar* menuBar() const { return menuBar_; }
  QAction* saveParametersItem() const { return saveParamsItem_; }
  QAction* loadParametersItem() const { return loadParamsItem_; }
  QLabel* label(Field f) const { return labels_[f]; }
  QGroupBox* group(int i) const { return groups_[i]; }
  QLabel* baudLabel() const { return baudLabel_; }
  QLabel* modeLabel() const { return modeLabel_; }
  QSize buttonImageSize() const { return imageSize_; }
  QString helpPath() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnInitDialog();
  void FitLabels();
  MainDlgDeps deps_;
  MainModel model_;
  QMenuBar* menuBar_;
  // Built once; a language switch re-labels them.
  std::array<QMenu*, 3> menus_{};
  std::array<QAction*, 5> menuItems_{};
  QAction* findModuleItem_ = nullptr;
  QAction* monitorItem_;
  CTrafficMonitorDlg* monitor_ = nullptr;  // made on first use, then only hidden and shown
  QAction *saveParamsItem_, *loadParamsItem_;
  QString parameterFolder_;  // the folder of the last parameter file, for the next prompt
  std::array<QGroupBox*, 4> groups_{};
  std::array<QLabel*, kFieldCount> labels_{};
  std::array<CDrawEdit*, kFieldCount> edits_{};
  std::array<IpAddressEdit*, 3> addresses_{};
  QComboBox *modeList_, *baudList_;
  QLabel *modeLabel_, *baudLabel_;
  std::array<CButtonST*, 4> buttons_{};
  QWidget* focusSink_;
  QSize imageSize_;
  // A label and its field as laid out, before any label took room from its field.
  struct LabelRow {
    QLabel* label;
    QWidget* field;
    QRect labelRect, fieldRect;
  };
  std::vector<LabelRow> rows_;
};

}  // namespace tolvane
