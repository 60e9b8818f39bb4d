#include "app/logo_wnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "app/pictures.h"

bool CLogoWnd::enabled = false;
CLogoWnd* CLogoWnd::current = nullptr;
bool CLogoWnd::held = false;
bool CLogoWnd::tickWhileHeld = false;

namespace {
constexpr int kLogoMilliseconds = 1000;
}

void CLogoWnd::EnableLogo(bool enable) { enabled = enable; }

CLogoWnd* CLogoWnd::Current() { return current; }

void CLogoWnd::ShowLogo(QWidget* owner) {
  if (!enabled || current) return;
  const qreal ratio = owner ? owner->devicePixelRatioF() : qApp->devicePixelRatio();
  QPixmap picture = LoadPicture(QStringLiteral("logo"), kLogoSize, ratio);
  if (picture.isNull()) return;  // no picture: start-up goes on without it
  current = new CLogoWnd(owner, std::move(picture));
  current->show();
  current->repaint();
}

void CLogoWnd::HideLogo() {
  CLogoWnd* logo = current;
  if (!logo) return;
  current = nullptr;
  tickWhileHeld = false;
  logo->timer.stop();
  logo->hide();
  // Called from the window's own timer event: deleting it here would pull the object
  // out from under that handler.
  logo->deleteLater();
  if (logo->owner && logo->owner->isVisible()) {
    if (!QApplication::activeWindow() || QApplication::activeWindow() == logo)
      logo->owner->activateWindow();
    logo->owner->repaint();
  }
}

void CLogoWnd::HoldLogo(bool hold) {
  held = hold;
  if (!held && tickWhileHeld) HideLogo();
}

CLogoWnd::CLogoWnd(QWidget* ownerWindow, QPixmap logoPicture)
    : QWidget(ownerWindow, Qt::SplashScreen | Qt::FramelessWindowHint),
      picture(std::move(logoPicture)),
      owner(ownerWindow) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  // The keyboard belongs to the main window as soon as that is shown.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setCursor(Qt::ArrowCursor);
  setFixedSize(kLogoSize);
  CentreOnOwnerOrScreen();
  // A coarse timer may fire up to 5 % early; the picture stays a full second.
  timer.start(kLogoMilliseconds, Qt::PreciseTimer, this);
}

CLogoWnd::~CLogoWnd() {
  if (current == this) current = nullptr;
}

void CLogoWnd::CentreOnOwnerOrScreen() {
  QRect area;
  if (owner && owner->isVisible() && !owner->isMinimized()) {
    area = owner->frameGeometry();
  } else {
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) area = screen->availableGeometry();
  }
  QRect frame(QPoint(0, 0), kLogoSize);
  frame.moveCenter(area.center());
  move(frame.topLeft());
}

void CLogoWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(QPoint(0, 0), picture);
}

void CLogoWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer.timerId()) return QWidget::timerEvent(event);
  timer.stop();
  if (held) {
    tickWhileHeld = true;
    return;
  }
  HideLogo();
}

void CLogoWnd::closeEvent(QCloseEvent* event) {
  // Only the timer removes the picture.
  event->ignore();
}
