#include "app/button_panel.h"

#include <QCoreApplication>

#include "app/pictures.h"
#include "ui_button_panel.h"

CButtonPanel::CButtonPanel(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::CButtonPanel>()) {
  ui->setupUi(this);
  const struct {
    QPushButton* button;
    const char* face;
  } faces[] = {
      {ui->phone1Button, "button_phone1"},
      {ui->phone2Button, "button_phone2"},
      {ui->dataCommButton, "button_datacomm"},
      {ui->quitButton, "button_quit"},
  };
  for (const auto& [button, face] : faces) {
    button->setIcon(PictureIcon(QString::fromLatin1(face)));
    button->setCursor(Qt::PointingHandCursor);
  }
  ui->pictureStrip->setPixmap(
      LoadPicture(QStringLiteral("strip"), kPictureStripSize, devicePixelRatioF()));
  setFixedSize(400, 102);

  connect(ui->phone1Button, &QPushButton::clicked, this, &CButtonPanel::phone1Requested);
  connect(ui->phone2Button, &QPushButton::clicked, this, &CButtonPanel::phone2Requested);
  connect(ui->dataCommButton, &QPushButton::clicked, this, &CButtonPanel::dataCommRequested);
  connect(ui->quitButton, &QPushButton::clicked, this, [] { QCoreApplication::exit(0); });
}

CButtonPanel::~CButtonPanel() = default;

QPushButton* CButtonPanel::Phone1Button() const { return ui->phone1Button; }
QPushButton* CButtonPanel::Phone2Button() const { return ui->phone2Button; }
QPushButton* CButtonPanel::DataCommButton() const { return ui->dataCommButton; }
QPushButton* CButtonPanel::QuitButton() const { return ui->quitButton; }
