#pragma once
#include <QDialog>

#include "models/lang_set_model.h"

class QComboBox;
class QPushButton;

namespace tolvane {

class CLangSetDlg : public QDialog {
  Q_OBJECT
 public:
  CLangSetDlg(QWidget* parent, std::function<void(int)> writeLanguage);
  LangSetModel& model() { return model_; }
  QComboBox* list() const { return list_; }
  QPushButton* okButton() const { return ok_; }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  LangSetModel model_;
  QComboBox* list_;
  QPushButton* ok_;
};

}  // namespace tolvane
