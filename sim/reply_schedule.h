// ReplySchedule: what the adapter still has to send on its port, each piece with the
// time it is due, and the hang-up that may follow. Lets one service thread keep reply
// delays and split gaps without sleeping: it polls until NextWake() and calls Flush().
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace sim {

class ReplySchedule {
 public:
  using Clock = std::chrono::steady_clock;

  // Queues `bytes` no earlier than `earliest` and after everything already queued,
  // in pieces of `pieceSize` bytes (0: one piece) `gap` apart.
  void Add(const std::string& bytes, Clock::time_point earliest, std::size_t pieceSize,
           std::chrono::milliseconds gap);
  // Queues a hang-up after everything already queued.
  void AddHangUp(Clock::time_point earliest);

  bool HangUpQueued() const { return hangUpQueued_; }
  // True while a due piece waits for room in the line's buffer (poll for POLLOUT).
  bool WaitingForRoom() const { return blockedSince_.has_value(); }
  std::optional<Clock::time_point> NextWake() const;

  // Writes the due pieces to `fd` without blocking. Returns true when the queued
  // hang-up is due and the far end has read everything (`unread` tells how much it has
  // not) or has had kDrainWait to do so; the caller hangs up and Clear()s.
  bool Flush(int fd, Clock::time_point now, const std::function<std::size_t()>& unread);
  void Clear();

 private:
  struct Piece {
    Clock::time_point due;
    std::string bytes;
    bool hangUp = false;
  };
  // A reader that never drains the line must not hold replies forever.
  static constexpr std::chrono::seconds kGiveUpAfter{2};
  // A hang-up discards what the far end has not read yet, which a real line would
  // have delivered: the hang-up waits for it, checking this often, at most this long.
  static constexpr std::chrono::milliseconds kDrainCheck{5};
  static constexpr std::chrono::seconds kDrainWait{1};

  std::deque<Piece> pieces_;
  Clock::time_point lastDue_{};
  std::optional<Clock::time_point> blockedSince_;
  std::optional<Clock::time_point> drainingSince_;
  bool hangUpQueued_ = false;
};

}  // namespace sim
