#include "app/qt_notifier.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "app/message_box.h"

namespace {

void ShowNotice(QWidget* parent, const platform::Message& message) {
  const auto icon = message.icon == platform::MessageIcon::Warning ? QMessageBox::Warning
                                                                    : QMessageBox::NoIcon;
  ShowMessageBox(parent, QString::fromStdString(message.caption),
                 QString::fromStdString(message.text), icon, QMessageBox::Ok);
}

// Shared between the waiting reader and the box on the user-interface thread; the box
// may outlive the reader's wait when the link closes first.
struct Dismissal {
  std::mutex mutex;
  std::condition_variable_any changed;
  bool dismissed = false;
};

}  // namespace

void QtNotifier::Show(const platform::Message& message) { ShowNotice(parentWindow, message); }

void QtNotifier::ShowFromReader(const platform::Message& message, std::stop_token stop) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    Show(message);
    return;
  }
  auto dismissal = std::make_shared<Dismissal>();
  QMetaObject::invokeMethod(
      app,
      [dismissal, message, parent = parentWindow] {
        ShowNotice(parent, message);
        {
          std::lock_guard lock(dismissal->mutex);
          dismissal->dismissed = true;
        }
        dismissal->changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(dismissal->mutex);
  dismissal->changed.wait(lock, stop, [&] { return dismissal->dismissed; });
}
