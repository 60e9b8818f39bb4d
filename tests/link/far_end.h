// Test helpers for the link: the far end of a line as a pseudo-terminal master driven
// byte by byte, an owner that records what it is given, and the process's CPU time and
// open descriptors (a spinning reader or a leaked device shows up there).
#pragma once

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/comm_link.h"
#include "platform/pseudo_terminal.h"

namespace linktest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Polls `done` until it holds or `limit` passes.
template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds limit = 3000ms) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

// The adapter's side of a line, driven directly by the test.
class FarEnd {
 public:
  bool IsOpen() const { return pty_.IsOpen(); }
  const std::filesystem::path& SlavePath() const { return pty_.SlavePath(); }
  void HangUp() { pty_.HangUp(); }

  // Writes everything (the master is non-blocking).
  bool Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(pty_.MasterFd(), bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
      pollfd out{pty_.MasterFd(), POLLOUT, 0};
      if (::poll(&out, 1, 3000) <= 0) return false;
    }
    return true;
  }

  // One write that takes what fits and never waits.
  void TrySend(const std::string& bytes) {
    [[maybe_unused]] ssize_t n = ::write(pty_.MasterFd(), bytes.data(), bytes.size());
  }

  // Everything that arrives until the line has been quiet for `quiet`.
  std::string Receive(std::chrono::milliseconds quiet = 200ms) {
    std::string got;
    char buffer[4096];
    for (;;) {
      pollfd in{pty_.MasterFd(), POLLIN, 0};
      if (::poll(&in, 1, static_cast<int>(quiet.count())) <= 0) return got;
      ssize_t n = ::read(pty_.MasterFd(), buffer, sizeof buffer);
      if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        return got;
      }
      got.append(buffer, static_cast<std::size_t>(n));
    }
  }

  // Bytes up to and including the first LF, or what came within `limit`.
  std::string ReceiveLine(std::chrono::milliseconds limit = 3000ms) {
    std::string got;
    const auto deadline = Clock::now() + limit;
    while (got.find('\n') == std::string::npos && Clock::now() < deadline) {
      pollfd in{pty_.MasterFd(), POLLIN, 0};
      if (::poll(&in, 1, 20) <= 0) continue;
      char c;
      if (::read(pty_.MasterFd(), &c, 1) == 1) got.push_back(c);
    }
    return got;
  }

 private:
  platform::PseudoTerminal pty_;
};

// An owner of every kind; records console hand-overs in order.
class RecordingOwner : public CLinkOwner, public ConsoleSink {
 public:
  struct Kind {
    ReceiveBuffer readOut{};
    char canary[64] = {};  // must stay untouched by an oversized read-out
    std::string reply;
    platform::AutoResetEvent done;
  };

  RecordingOwner() { for (auto& kind : kinds) kind.readOut.fill('#'); }

  ReplySlot Slot(OwnerKind kind) override {
    Kind& k = kinds[static_cast<int>(kind)];
    return ReplySlot{&k.readOut, &k.reply, &k.done};
  }
  ConsoleSink* Console() override { return this; }

  void AdapterText(std::string_view text) override {
    std::lock_guard lock(mutex);
    console.push_back("T:" + std::string(text));
  }
  void DownloadRequested() override {
    std::lock_guard lock(mutex);
    console.push_back("D");
  }
  std::vector<std::string> ConsoleCalls() {
    std::lock_guard lock(mutex);
    return console;
  }
  std::size_t ConsoleCallCount() {
    std::lock_guard lock(mutex);
    return console.size();
  }

  Kind& Of(OwnerKind kind) { return kinds[static_cast<int>(kind)]; }

  Kind kinds[4];
  std::mutex mutex;
  std::vector<std::string> console;
};

// CPU time of the whole process: a reader that spins shows up here.
inline std::chrono::nanoseconds ProcessCpuTime() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

// Open descriptors of this process: a close that leaks one shows up here.
inline std::size_t OpenDescriptorCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

}  // namespace linktest
