// The command sequences that write the data-communication settings back, one table per
// variant, and the clock commands. Each settings command ends with CR and is answered
// with "OK" or "ERROR"; "ATW\r" makes the adapter store what it was given.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

#include "datacomm/core/data_comm_settings.h"
#include "link/exchange_messages.h"

struct WriteStep {
  const char* format;  // printf format with zero, one or two "%d"-style conversions
  int valueCount;      // 0, 1 or 2
  std::int32_t (*first)(const DataCommSettings&);
  std::int32_t (*second)(const DataCommSettings&);
  std::chrono::milliseconds wait;  // for the reply
  std::string_view timeoutMessage;
};

inline constexpr auto kSettingReplyWait = std::chrono::milliseconds(5000);
inline constexpr auto kShortReplyWait = std::chrono::milliseconds(1000);
inline constexpr auto kClockReplyWait = std::chrono::milliseconds(5000);

inline constexpr std::string_view kCannotWrite = "Can not write to TA!.";
inline constexpr std::string_view kNoFirstAnswer = "2.TA에 쓸수가 없습니다.";
inline constexpr std::string_view kNoStoreAnswer = "7.TA에 쓸수가 없습니다.";
inline constexpr std::string_view kClockPortUnusable = "Port is aleady open, or incorrect!";

// The variant's whole write sequence, in the order it is sent.
std::span<const WriteStep> WriteSequence(DataCommVariant variant);
// The bytes of one step for the given record (no terminating NUL).
std::string FormatCommand(const WriteStep& step, const DataCommSettings& settings);

// "AT$DATE=YYYYMMDD\r" and "AT$TIME=HHMMSS\r" for a broken-down local time.
std::string ClockDateCommand(const std::tm& localTime);
std::string ClockTimeCommand(const std::tm& localTime);

// The clock field's text, "YYYY MM DD, HH:MM".
std::string FormatClockText(const std::tm& localTime);
// The computer's local time now.
std::tm LocalTimeNow();
