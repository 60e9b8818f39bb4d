#include "app/about_box.h"

#include "app/pictures.h"
#include "ui_about_box.h"

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CAboutBox>()) {
  ui->setupUi(this);
  const QIcon icon = ProgramIcon();
  setWindowIcon(icon);
  ui->programIcon->setPixmap(icon.pixmap(QSize(48, 48), devicePixelRatioF()));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

CAboutBox::~CAboutBox() = default;
