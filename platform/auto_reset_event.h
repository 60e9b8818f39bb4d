// AutoResetEvent: the signal by which a reader thread tells a waiting thread that a
// reply is complete. Set() wakes one Wait(); a successful Wait() consumes the signal.
//
// A program with an event loop can install a WaitHook so that waits keep the window
// painting; without one (library, command line, tests) Wait() blocks plainly.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class AutoResetEvent;

class WaitHook {
 public:
  virtual ~WaitHook() = default;
  // Waits until event.TryConsume() succeeds or `deadline` passes; true when consumed.
  virtual bool Wait(AutoResetEvent& event, std::chrono::steady_clock::time_point deadline) = 0;
  // Called from any thread after an event was set, to wake a pending Wait().
  virtual void Wake() = 0;
};

// Installs the process-wide hook (nullptr removes it). Only waits on the thread that
// installed it go through the hook; other threads wait plainly.
void SetWaitHook(WaitHook* hook);

class AutoResetEvent {
 public:
  void Set();
  void Reset();
  // True when signalled within `timeout` (the signal is consumed), false on time-out.
  bool Wait(std::chrono::milliseconds timeout);
  // Consumes the signal if it is set, without waiting.
  bool TryConsume();

 private:
  bool WaitPlain(std::chrono::steady_clock::time_point deadline);

  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

}  // namespace platform
