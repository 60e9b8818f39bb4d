// A notifier for a user who leaves the adapter's "Error" box open: a box shown from a
// link's reader stays up until the link closes (its stop token); other messages are
// recorded and return at once. Installs itself for its lifetime and then puts back the
// notifier that was there before.
#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <vector>

#include "platform/notifier.h"

namespace testsupport {

class BoxLeftOpenNotifier final : public platform::Notifier {
 public:
  BoxLeftOpenNotifier() : previous_(platform::CurrentNotifier()) { platform::SetNotifier(this); }
  ~BoxLeftOpenNotifier() override { platform::SetNotifier(&previous_); }
  BoxLeftOpenNotifier(const BoxLeftOpenNotifier&) = delete;
  BoxLeftOpenNotifier& operator=(const BoxLeftOpenNotifier&) = delete;

  void Show(const platform::Message& message) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
  }
  void ShowFromReader(const platform::Message& message, std::stop_token stop) override {
    Show(message);
    // Waits on a mutex of its own: the warning that follows the give-up comes through
    // Show() while this box is still up.
    std::unique_lock lock(waitMutex_);
    closed_.wait(lock, stop, [] { return false; });
  }
  std::vector<platform::Message> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  platform::Notifier& previous_;
  mutable std::mutex mutex_;  // guards messages_
  std::mutex waitMutex_;
  std::condition_variable_any closed_;
  std::vector<platform::Message> messages_;
};

}  // namespace testsupport
