#include "datacomm/core/data_comm_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

using Get = std::int32_t (*)(const DataCommSettings&);

constexpr WriteStep One(const char* format, Get value, std::chrono::milliseconds wait,
                        std::string_view message) {
  return {format, 1, value, nullptr, wait, message};
}
constexpr WriteStep Two(const char* format, Get open, Get close) {
  return {format, 2, open, close, kSettingReplyWait, kCannotWrite};
}
constexpr WriteStep kStore = {"ATW\r", 0, nullptr, nullptr, kShortReplyWait, kNoStoreAnswer};

constexpr Get kIdleDisconnect = [](const DataCommSettings& s) { return s.idleDisconnect; };
constexpr Get kCallBump = [](const DataCommSettings& s) { return s.callBump; };
constexpr Get kModemBilling = [](const DataCommSettings& s) { return s.billingInterval[kGroupModem]; };
constexpr Get kMlOpen = [](const DataCommSettings& s) { return s.openThreshold[kLinkMlppp]; };
constexpr Get kMlClose = [](const DataCommSettings& s) { return s.closeThreshold[kLinkMlppp]; };
constexpr Get kMlOpenTime = [](const DataCommSettings& s) { return s.openMonitorTime[kLinkMlppp]; };
constexpr Get kMlCloseTime = [](const DataCommSettings& s) { return s.closeMonitorTime[kLinkMlppp]; };
constexpr Get kTraffic = [](const DataCommSettings& s) { return s.trafficLinkControl; };

constexpr WriteStep kAodiSequence[] = {
    One("AT$DISC=%d\r", kIdleDisconnect, kSettingReplyWait, kCannotWrite),
    One("AT$Z=%d\r", kCallBump, kSettingReplyWait, kCannotWrite),
    One("AT$MLSCTM=%d\r", kModemBilling, kSettingReplyWait, kCannotWrite),
    Two("AT$MLTHP=%.3d%.3d\r", kMlOpen, kMlClose),
    One("AT$MLOND=%d\r", kMlOpenTime, kSettingReplyWait, kCannotWrite),
    One("AT$MLCLD=%d\r", kMlCloseTime, kSettingReplyWait, kCannotWrite),
    One("AT$MLTPF=%d\r", kTraffic, kSettingReplyWait, kCannotWrite),
    One("AT$SCTM=%d\r", [](const DataCommSettings& s) { return s.billingInterval[kGroupAodi]; },
        kSettingReplyWait, kCannotWrite),
    Two("AT$ATHP=%.3d%.3d\r", [](const DataCommSettings& s) { return s.openThreshold[kLinkFirstB]; },
        [](const DataCommSettings& s) { return s.closeThreshold[kLinkFirstB]; }),
    Two("AT$BTHP=%.3d%.3d\r", [](const DataCommSettings& s) { return s.openThreshold[kLinkSecondB]; },
        [](const DataCommSettings& s) { return s.closeThreshold[kLinkSecondB]; }),
    One("AT$AOND=%d\r", [](const DataCommSettings& s) { return s.openMonitorTime[kLinkFirstB]; },
        kSettingReplyWait, kCannotWrite),
    One("AT$BOND=%d\r", [](const DataCommSettings& s) { return s.openMonitorTime[kLinkSecondB]; },
        kSettingReplyWait, kCannotWrite),
    One("AT$ACLD=%d\r", [](const DataCommSettings& s) { return s.closeMonitorTime[kLinkFirstB]; },
        kSettingReplyWait, kCannotWrite),
    One("AT$BCLD=%d\r", [](const DataCommSettings& s) { return s.closeMonitorTime[kLinkSecondB]; },
        kSettingReplyWait, kCannotWrite),
    One("AT$HFML=%d\r", [](const DataCommSettings& s) { return s.secondChannelOff; },
        kSettingReplyWait, kCannotWrite),
    kStore,
};

// The first command has the short wait and its own numbered message.
constexpr WriteStep kMlpppSequence[] = {
    One("AT$Z=%d\r", kCallBump, kShortReplyWait, kNoFirstAnswer),
    One("AT$MLSCTM=%d\r", kModemBilling, kSettingReplyWait, kCannotWrite),
    Two("AT$MLTHP=%.3d%.3d\r", kMlOpen, kMlClose),
    One("AT$MLOND=%d\r", kMlOpenTime, kSettingReplyWait, kCannotWrite),
    One("AT$MLCLD=%d\r", kMlCloseTime, kSettingReplyWait, kCannotWrite),
    One("AT$MLTPF=%d\r", kTraffic, kSettingReplyWait, kCannotWrite),
    One("AT$DISC=%d\r", kIdleDisconnect, kSettingReplyWait, kCannotWrite),
    kStore,
};

// Room for the longest command with two full 32-bit numbers.
using CommandBuffer = std::array<char, 64>;

std::string Printed(const CommandBuffer& buffer, int length) {
  if (length < 0) return {};
  return std::string(buffer.data(), std::min(static_cast<std::size_t>(length), buffer.size() - 1));
}

}  // namespace

std::span<const WriteStep> WriteSequence(DataCommVariant variant) {
  if (variant == DataCommVariant::Aodi) return kAodiSequence;
  return kMlpppSequence;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
std::string FormatCommand(const WriteStep& step, const DataCommSettings& settings) {
  CommandBuffer buffer{};
  int length = 0;
  switch (step.valueCount) {
    case 0:
      length = std::snprintf(buffer.data(), buffer.size(), "%s", step.format);
      break;
    case 1:
      length = std::snprintf(buffer.data(), buffer.size(), step.format, step.first(settings));
      break;
    default:
      length = std::snprintf(buffer.data(), buffer.size(), step.format, step.first(settings),
                             step.second(settings));
      break;
  }
  return Printed(buffer, length);
}
#pragma GCC diagnostic pop

std::string ClockDateCommand(const std::tm& t) {
  CommandBuffer buffer{};
  const int length = std::snprintf(buffer.data(), buffer.size(), "AT$DATE=%.4d%.2d%.2d\r",
                                   t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  return Printed(buffer, length);
}

std::string ClockTimeCommand(const std::tm& t) {
  CommandBuffer buffer{};
  const int length = std::snprintf(buffer.data(), buffer.size(), "AT$TIME=%.2d%.2d%.2d\r",
                                   t.tm_hour, t.tm_min, t.tm_sec);
  return Printed(buffer, length);
}

std::string FormatClockText(const std::tm& t) {
  CommandBuffer buffer{};
  const int length = std::snprintf(buffer.data(), buffer.size(), "%.4d %.2d %.2d, %.2d:%.2d",
                                   t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
  return Printed(buffer, length);
}

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}
