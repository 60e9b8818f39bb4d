// The program's platform::Notifier: a QMessageBox with an OK button, parented to the main
// window once that is on screen. Boxes asked for from a link's reader thread are shown on
// the user-interface thread; the reader waits until the box is dismissed or its link
// closes, whichever comes first.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/notifier.h"

class QtNotifier final : public platform::Notifier {
 public:
  void SetParentWindow(QWidget* parent) { parentWindow = parent; }

  void Show(const platform::Message& message) override;
  void ShowFromReader(const platform::Message& message, std::stop_token stop) override;

 private:
  QPointer<QWidget> parentWindow;
};
