// CLogoWnd: the start-up picture. A frameless 410 x 273 window, centred, that the main
// window shows as the first step of its creation. It goes at its first timer tick, one
// second after it appeared; keys and clicks do not remove it.
//
// The start-up search keeps the event loop running (the wait hook), so the tick can come
// while the search still runs; HoldLogo keeps the picture up until the search is over.
#pragma once

#include <QBasicTimer>
#include <QPixmap>
#include <QWidget>

class CLogoWnd : public QWidget {
  Q_OBJECT

 public:
  // Whether ShowLogo may show the picture; decided once by the application.
  static void EnableLogo(bool enable);
  // Shows the picture above `owner` unless it is disabled or already shown.
  static void ShowLogo(QWidget* owner);
  // Removes the picture now, and has the owner repaint.
  static void HideLogo();
  // While held, a tick that comes does not remove the picture; releasing the hold after
  // such a tick removes it at once.
  static void HoldLogo(bool hold);
  // The picture window on screen, if any.
  static CLogoWnd* Current();

  ~CLogoWnd() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  CLogoWnd(QWidget* owner, QPixmap picture);
  void CentreOnOwnerOrScreen();

  QPixmap picture;
  QBasicTimer timer;
  QWidget* owner;

  static bool enabled;
  static CLogoWnd* current;
  static bool held;
  static bool tickWhileHeld;
};
