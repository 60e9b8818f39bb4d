// CButtonPanel: the four picture buttons (Phone 1, Phone 2, Data Comm, quit), 100 x 32
// each side by side, and the 400 x 70 picture strip below them; the form is
// resources/button_panel.ui. The first three ask the view for their window; the quit
// button ends the program with exit code 0 at once.
#pragma once

#include <QWidget>
#include <memory>

class QPushButton;

namespace Ui {
class CButtonPanel;
}

class CButtonPanel : public QWidget {
  Q_OBJECT

 public:
  explicit CButtonPanel(QWidget* parent = nullptr);
  ~CButtonPanel() override;

  QPushButton* Phone1Button() const;
  QPushButton* Phone2Button() const;
  QPushButton* DataCommButton() const;
  QPushButton* QuitButton() const;

 signals:
  void phone1Requested();
  void phone2Requested();
  void dataCommRequested();

 private:
  std::unique_ptr<Ui::CButtonPanel> ui;
};
