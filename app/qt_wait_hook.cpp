#include "app/qt_wait_hook.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QCursor>
#include <QGuiApplication>
#include <QTimer>

namespace {

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

QtWaitHook::QtWaitHook() : dispatcher(QAbstractEventDispatcher::instance()) {}

bool QtWaitHook::Wait(platform::AutoResetEvent& event,
                      std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono;
  if (event.TryConsume()) return true;
  WaitCursor cursor;
  // Its only job is to end the dispatcher's sleep when the deadline comes.
  QTimer deadlineTimer;
  deadlineTimer.setSingleShot(true);
  deadlineTimer.setTimerType(Qt::PreciseTimer);
  for (;;) {
    if (event.TryConsume()) return true;
    const auto now = steady_clock::now();
    if (now >= deadline) return false;
    deadlineTimer.start(ceil<milliseconds>(deadline - now));
    // A Wake() that came since TryConsume() is not lost: the dispatcher remembers it
    // and returns at once.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::WaitForMoreEvents);
  }
}

void QtWaitHook::Wake() {
  // Any thread: wakeUp() is the dispatcher's thread-safe entry.
  if (dispatcher) dispatcher->wakeUp();
}
