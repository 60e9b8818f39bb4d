#include "platform/auto_reset_event.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform/notifier.h"

using namespace std::chrono_literals;
using platform::AutoResetEvent;

namespace {

TEST(AutoResetEventTest, ASignalIsConsumedByOneWait) {
  AutoResetEvent event;
  event.Set();
  event.Set();  // not counted: one signal, one wake
  EXPECT_TRUE(event.Wait(0ms));
  EXPECT_FALSE(event.Wait(0ms));
}

TEST(AutoResetEventTest, ResetDiscardsAPendingSignal) {
  AutoResetEvent event;
  event.Set();
  event.Reset();
  EXPECT_FALSE(event.TryConsume());
}

TEST(AutoResetEventTest, WaitEndsWhenAnotherThreadSets) {
  AutoResetEvent event;
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    event.Set();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(event.Wait(5000ms));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4000ms);
  setter.join();
}

TEST(AutoResetEventTest, WaitKeepsItsBoundWithoutASignal) {
  AutoResetEvent event;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(event.Wait(100ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
}

class CountingHook final : public platform::WaitHook {
 public:
  bool Wait(AutoResetEvent& event, std::chrono::steady_clock::time_point deadline) override {
    ++waits;
    while (std::chrono::steady_clock::now() < deadline) {
      if (event.TryConsume()) return true;
      std::this_thread::sleep_for(1ms);
    }
    return event.TryConsume();
  }
  void Wake() override { ++wakes; }
  std::atomic<int> waits{0};
  std::atomic<int> wakes{0};
};

TEST(AutoResetEventTest, HookServesOnlyTheThreadThatInstalledIt) {
  CountingHook hook;
  platform::SetWaitHook(&hook);
  AutoResetEvent event;
  event.Set();
  EXPECT_TRUE(event.Wait(100ms));
  EXPECT_EQ(hook.waits.load(), 1);
  EXPECT_GE(hook.wakes.load(), 1);

  std::thread other([&] {
    event.Set();
    EXPECT_TRUE(event.Wait(100ms));
  });
  other.join();
  EXPECT_EQ(hook.waits.load(), 1);
  platform::SetWaitHook(nullptr);
}

class CountingNotifier final : public platform::Notifier {
 public:
  void Show(const platform::Message& message) override { last = message; }
  platform::Message last;
};

TEST(NotifierTest, WarnUsesTheProgramCaptionAndWarningIcon) {
  CountingNotifier notifier;
  platform::SetNotifier(&notifier);
  platform::Warn("Reading TA DATA Error!!!");
  platform::SetNotifier(nullptr);
  EXPECT_EQ(notifier.last.caption, "Quorvel Program");
  EXPECT_EQ(notifier.last.text, "Reading TA DATA Error!!!");
  EXPECT_EQ(notifier.last.icon, platform::MessageIcon::Warning);
  EXPECT_EQ(&platform::CurrentNotifier() == &notifier, false);
}

}  // namespace
