#pragma once
#include <QDialog>

namespace tolvane {

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent);
};

}  // namespace tolvane
