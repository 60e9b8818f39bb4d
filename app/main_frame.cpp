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

namespace {

struct ViewCommand {
  const char* text;
  const char* objectName;
  QKeySequence shortcut;
  void (CQuorvelView::*handler)();
};

// The text carries its accelerator after the tab, as the menu shows it.
const ViewCommand kViewCommands[] = {
    {"Phone &1...\tCtrl+1", "phone1Action", QKeySequence(Qt::CTRL | Qt::Key_1), &CQuorvelView::OnPhone1},
    {"Phone &2...\tCtrl+2", "phone2Action", QKeySequence(Qt::CTRL | Qt::Key_2), &CQuorvelView::OnPhone2},
    {"&Data Comm...\tCtrl+D", "dataCommAction", QKeySequence(Qt::CTRL | Qt::Key_D), &CQuorvelView::OnDataComm},
    {"&Monitor", "monitorAction", QKeySequence(), &CQuorvelView::OnMonitor},
};

const std::pair<int, const char*> kPorts[] = {{1, "COM1"}, {2, "COM2"}, {3, "COM3"}, {4, "COM4"}};
const std::pair<int, const char*> kSpeeds[] = {{57600, "56K"}, {115200, "112K"}, {230400, "230K"}};

}  // namespace

CMainFrame::CMainFrame()
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint) {
  setWindowTitle(QString::fromUtf8(kMainCaption));
  setWindowIcon(ProgramIcon());
  BuildMenu();
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

void CMainFrame::BuildMenu() {
  QMenu* setup = menuBar()->addMenu(QStringLiteral("&Setup"));
  setup->setObjectName(QStringLiteral("setupMenu"));
  for (const ViewCommand& command : kViewCommands) {
    QAction* action = setup->addAction(QString::fromLatin1(command.text));
    action->setObjectName(QString::fromLatin1(command.objectName));
    if (!command.shortcut.isEmpty()) action->setShortcut(command.shortcut);
    const auto handler = command.handler;
    connect(action, &QAction::triggered, this, [this, handler] {
      if (view) (view->*handler)();
    });
  }
  setup->addSeparator();

  QMenu* portSetting = setup->addMenu(QStringLiteral("Port Setting"));
  QMenu* portMenu = portSetting->addMenu(QStringLiteral("COM &Port"));
  for (const auto& [port, text] : kPorts) {
    QAction* action = portMenu->addAction(QString::fromLatin1(text));
    action->setObjectName(QStringLiteral("portAction%1").arg(port));
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, port = port] { OnPort(port); });
    portActions.emplace_back(port, action);
  }
  QMenu* speedMenu = portSetting->addMenu(QStringLiteral("Port Speed"));
  for (const auto& [speed, text] : kSpeeds) {
    QAction* action = speedMenu->addAction(QString::fromLatin1(text));
    action->setObjectName(QStringLiteral("speedAction%1").arg(speed));
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, speed = speed] { OnSpeed(speed); });
    speedActions.emplace_back(speed, action);
  }
  setup->addSeparator();

  QAction* reset = setup->addAction(QStringLiteral("&Reset Modem data"));
  reset->setObjectName(QStringLiteral("resetAction"));
  connect(reset, &QAction::triggered, this, &CMainFrame::OnResetModem);
  setup->addSeparator();

  QAction* exit = setup->addAction(QStringLiteral("E&xit"));
  exit->setObjectName(QStringLiteral("exitAction"));
  connect(exit, &QAction::triggered, this, &QWidget::close);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("helpMenu"));
  QAction* about = help->addAction(QStringLiteral("&About Quorvel..."));
  about->setObjectName(QStringLiteral("aboutAction"));
  connect(about, &QAction::triggered, this, &CMainFrame::aboutRequested);

  // A check mark always shows the values of the moment, whoever changed them.
  for (QMenu* menu : {setup, portMenu, speedMenu})
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
