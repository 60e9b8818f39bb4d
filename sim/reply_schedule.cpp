#include "sim/reply_schedule.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/eintr.h"

namespace sim {

void ReplySchedule::Add(const std::string& bytes, Clock::time_point earliest,
                        std::size_t pieceSize, std::chrono::milliseconds gap) {
  Clock::time_point due = std::max(earliest, lastDue_);
  const std::size_t step = pieceSize == 0 ? std::max<std::size_t>(bytes.size(), 1) : pieceSize;
  for (std::size_t pos = 0; pos < bytes.size(); pos += step) {
    if (pos > 0) due += gap;
    pieces_.push_back({due, bytes.substr(pos, step)});
  }
  lastDue_ = due;
}

void ReplySchedule::AddHangUp(Clock::time_point earliest) {
  lastDue_ = std::max(earliest, lastDue_);
  pieces_.push_back({lastDue_, {}, true});
  hangUpQueued_ = true;
}

std::optional<ReplySchedule::Clock::time_point> ReplySchedule::NextWake() const {
  if (pieces_.empty()) return std::nullopt;
  if (blockedSince_) return *blockedSince_ + kGiveUpAfter;
  return pieces_.front().due;
}

bool ReplySchedule::Flush(int fd, Clock::time_point now,
                          const std::function<std::size_t()>& unread) {
  while (!pieces_.empty() && pieces_.front().due <= now) {
    Piece& piece = pieces_.front();
    if (piece.hangUp) {
      if (!drainingSince_) drainingSince_ = now;
      if (unread() == 0 || now - *drainingSince_ >= kDrainWait) return true;
      piece.due = now + kDrainCheck;
      return false;
    }
    while (!piece.bytes.empty()) {
      ssize_t n = platform::RetryOnEintr(
          [&] { return ::write(fd, piece.bytes.data(), piece.bytes.size()); });
      if (n > 0) {
        piece.bytes.erase(0, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (!blockedSince_) blockedSince_ = now;
        if (now - *blockedSince_ < kGiveUpAfter) return false;
      }
      piece.bytes.clear();  // the line is gone or stuck: drop what is left of this piece
    }
    blockedSince_.reset();
    pieces_.pop_front();
  }
  return false;
}

void ReplySchedule::Clear() {
  pieces_.clear();
  blockedSince_.reset();
  drainingSince_.reset();
  hangUpQueued_ = false;
}

}  // namespace sim
