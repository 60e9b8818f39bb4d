#include "platform/auto_reset_event.h"

#include <atomic>
#include <thread>
#include <utility>

namespace platform {
namespace {

struct HookState {
  std::mutex mutex;
  WaitHook* hook = nullptr;
  std::thread::id thread;
};

HookState& Hook() {
  static HookState state;
  return state;
}

}  // namespace

void SetWaitHook(WaitHook* hook) {
  auto& state = Hook();
  std::lock_guard lock(state.mutex);
  state.hook = hook;
  state.thread = std::this_thread::get_id();
}

void AutoResetEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  changed_.notify_one();
  // The hook's thread may be sleeping in its event loop rather than on our condition.
  auto& state = Hook();
  std::lock_guard lock(state.mutex);
  if (state.hook) state.hook->Wake();
}

void AutoResetEvent::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool AutoResetEvent::TryConsume() {
  std::lock_guard lock(mutex_);
  return std::exchange(signalled_, false);
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  WaitHook* hook = nullptr;
  {
    auto& state = Hook();
    std::lock_guard lock(state.mutex);
    if (state.hook && state.thread == std::this_thread::get_id()) hook = state.hook;
  }
  return hook ? hook->Wait(*this, deadline) : WaitPlain(deadline);
}

bool AutoResetEvent::WaitPlain(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_until(lock, deadline, [this] { return signalled_; })) return false;
  signalled_ = false;
  return true;
}

}  // namespace platform
