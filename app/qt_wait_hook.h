// The program's platform::WaitHook: while an exchange waits for the adapter on the
// user-interface thread, windows keep painting and timers keep running, but the user's
// input is held back (it is delivered after the wait) and the cursor shows a wait cursor.
// The wait sleeps in the event dispatcher: the event's Wake(), a window-system event or
// the deadline's timer ends each sleep; it never spins.
#pragma once

#include <QAbstractEventDispatcher>

#include "platform/auto_reset_event.h"

class QtWaitHook final : public platform::WaitHook {
 public:
  // Binds the hook to the calling thread's event dispatcher (the user-interface thread).
  QtWaitHook();

  bool Wait(platform::AutoResetEvent& event,
            std::chrono::steady_clock::time_point deadline) override;
  void Wake() override;

 private:
  // Set once; the dispatcher lives as long as the thread, and the hook is removed
  // before the application object goes away.
  QAbstractEventDispatcher* const dispatcher;
};
