// CAboutBox: "About Quorvel", the program icon, the version line and OK (resources/about_box.ui).
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutBox;
}

class CAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutBox(QWidget* parent = nullptr);
  ~CAboutBox() override;

 private:
  std::unique_ptr<Ui::CAboutBox> ui;
};
