#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include "app/logo_wnd.h"
#include "app/message_box.h"
#include "app/pictures.h"
#include "app/quorvel_view.h"
#include "app/registry/port_settings.h"
#include "link/detection.h"
#include "platform/notifier.h"
#include "ui_main_frame.h"


CMainFrame::CMainFrame()
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::CMainFrame>()) {
  ui->setupUi(this);
  setWindowIcon(ProgramIcon());
  ConnectMenu();
}

CMainFrame::~CMainFrame() { registryKey.CloseKey(); }

bool CMainFrame::Create() {
  CLogoWnd::ShowLogo(this);
  // The search keeps the event loop turning (the wait hook), so the picture must be
  // told to stay until it is over.
  CLogoWnd::HoldLogo(true);
  LoadPortSettings(registryKey);
  currentPort = DetectAdapter(link);
  SavePortSettings(registryKey);
  CLogoWnd::HoldLogo(false);
  UpdateCheckMarks();
  if (currentPort == 0) {
    ShowMessageBox(this, QString::fromUtf8(platform::kProgramCaption),
                   QString::fromUtf8(kModemNotFoundText), QMessageBox::Warning, QMessageBox::Ok);
  }
  return true;
}

void CMainFrame::CreateView() {
  view = new CQuorvelView(this);
  setCentralWidget(view);
  FixGeometry();
}

void CMainFrame::ConnectMenu() {
  const std::pair<QAction*, void (CQuorvelView::*)()> viewCommands[] = {
      {ui->phone1Action, &CQuorvelView::OnPhone1},
      {ui->phone2Action, &CQuorvelView::OnPhone2},
      {ui->dataCommAction, &CQuorvelView::OnDataComm},
      {ui->monitorAction, &CQuorvelView::OnMonitor},
  };
  for (const auto& [action, handler] : viewCommands) {
    connect(action, &QAction::triggered, this, [this, handler = handler] {
      if (view) (view->*handler)();
    });
  }

  portActions = {{1, ui->portAction1}, {2, ui->portAction2}, {3, ui->portAction3},
                 {4, ui->portAction4}};
  for (const auto& [port, action] : portActions)
    connect(action, &QAction::triggered, this, [this, port = port] { OnPort(port); });
  speedActions = {{57600, ui->speedAction57600}, {115200, ui->speedAction115200},
                  {230400, ui->speedAction230400}};
  for (const auto& [speed, action] : speedActions)
    connect(action, &QAction::triggered, this, [this, speed = speed] { OnSpeed(speed); });

  connect(ui->resetAction, &QAction::triggered, this, &CMainFrame::OnResetModem);
  connect(ui->exitAction, &QAction::triggered, this, &QWidget::close);
  connect(ui->aboutAction, &QAction::triggered, this, &CMainFrame::aboutRequested);

  // A check mark always shows the values of the moment, whoever changed them.
  for (QMenu* menu : {ui->setupMenu, ui->portMenu, ui->speedMenu})
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCheckMarks);
}

void CMainFrame::UpdateCheckMarks() {
  for (const auto& [port, action] : portActions) action->setChecked(port == currentPort);
  for (const auto& [speed, action] : speedActions) action->setChecked(speed == currentSpeed);
}

void CMainFrame::OnPort(int port) {
  // Takes effect at the next exchange; nothing is probed now.
  currentPort = port;
  SavePortSettings(registryKey);
  UpdateCheckMarks();
}

void CMainFrame::OnSpeed(int speed) {
  currentSpeed = speed;
  SavePortSettings(registryKey);
  UpdateCheckMarks();
}

void CMainFrame::OnResetModem() {
  const auto answer =
      ShowMessageBox(this, QString::fromUtf8(kResetCaption), QString::fromUtf8(kResetQuestion),
                     QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No);
  // Without a port there is nothing to open, so nothing is sent.
  if (answer == QMessageBox::Yes && currentPort != 0) link.SendReset();
}

void CMainFrame::FixGeometry() {
  if (!view) return;
  frameExtra = frameGeometry().size() - geometry().size();
  // dx: what the window system adds left and right of the client area.
  const int dx = frameExtra.width();
  view->setFixedSize(kClientBaseWidth + dx / 2, kClientHeight);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  Centre();
}

void CMainFrame::Centre() {
  const QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!display) return;
  const QRect area = display->geometry();
  const QSize outer = frameGeometry().size();
  move(area.x() + (area.width() - outer.width()) / 2,
       area.y() + (area.height() - outer.height()) / 2);
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The frame's border is known once the window is on screen.
  FixGeometry();
}

bool CMainFrame::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  // A window manager puts its frame (caption, borders) around the window some time after
  // it is shown; once it is known, the size and the place are worked out again.
  switch (event->type()) {
    case QEvent::Paint:
    case QEvent::Move:
    case QEvent::WindowActivate:
      if (view && isVisible() && frameGeometry().size() - geometry().size() != frameExtra)
        QTimer::singleShot(0, this, &CMainFrame::FixGeometry);
      break;
    default:
      break;
  }
  return handled;
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Centre();
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange &&
      (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    // A window manager may still maximise it; it snaps back.
    QTimer::singleShot(0, this, [this] {
      setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    });
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  event->accept();
  QCoreApplication::exit(1);
}
