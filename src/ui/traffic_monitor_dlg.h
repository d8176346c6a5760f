// The traffic monitor: a window beside the main window that lists what went
// over the line. It reads the recorder on the window's thread, when it is
// shown and then every kRefreshMs while it is visible; closed, it only hides,
// so that one instance keeps its list, its pause and its clear.
#pragma once
#include <QAbstractListModel>
#include <QDialog>
#include <QTimer>

#include <functional>

#include "models/traffic_monitor_model.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace tolvane {

// The monitor model's lines for a view; every change announced before it happens.
class TrafficLinesModel : public QAbstractListModel {
 public:
  TrafficLinesModel(TrafficMonitorModel& lines, QObject* parent);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Returns how many lines were added.
  size_t Refresh();
  void Clear();
  void Relabel();

 private:
  TrafficMonitorModel& lines_;
};

class CTrafficMonitorDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRefreshMs = 200;

  explicit CTrafficMonitorDlg(QWidget* parent, TrafficRecorder& recorder = Traffic());
  ~CTrafficMonitorDlg() override;

  void RelabelWindow();
  void Refresh();  // takes what the recorder has new, unless paused
  void PlaceBeside(const QWidget* window);

  void PauseClick();
  void ClearClick();
  void CopyClick();  // the selected lines, or all
  void SaveClick();
  // Writes the whole list to path through a temporary file and a rename.
  bool SaveTo(const QString& path);

  // Asks for the file to save to; empty = cancelled. Tests put in their own.
  std::function<QString()> chooseFile;

  TrafficMonitorModel& model() { return model_; }
  QTreeView* list() const { return list_; }
  QLabel* note() const { return note_; }
  QPushButton* pauseButton() const { return pause_; }
  QPushButton* clearButton() const { return clear_; }
  QPushButton* copyButton() const { return copy_; }
  QPushButton* saveButton() const { return save_; }
  bool refreshing() const { return timer_.isActive(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString ChooseFileWithDialog();
  void UpdateNote();
  void WidenFor(size_t firstRow);

  TrafficMonitorModel model_;
  TrafficLinesModel* rows_;
  QTreeView* list_;
  QLabel* note_;
  QPushButton *pause_, *clear_, *copy_, *save_;
  QTimer timer_;
  int contentWidth_ = 0;
  bool following_ = true;  // the view was at the last line when the user last moved it
};

}  // namespace tolvane
