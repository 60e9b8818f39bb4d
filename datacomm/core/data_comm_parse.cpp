#include "datacomm/core/data_comm_parse.h"

#include <span>

#include "datacomm/core/read_out.h"

namespace {

// A key fills either one field or, for a threshold key, both thresholds of a link page.
struct ParseKey {
  std::string_view key;
  std::int32_t& (*field)(DataCommSettings&);
  std::size_t thresholdPage;
};

constexpr std::size_t kNoPage = 99;

constexpr ParseKey Field(std::string_view key, std::int32_t& (*field)(DataCommSettings&)) {
  return {key, field, kNoPage};
}
constexpr ParseKey Thresholds(std::string_view key, std::size_t page) {
  return {key, nullptr, page};
}

constexpr ParseKey kAodiKeys[] = {
    Field("AT$Z", [](DataCommSettings& s) -> std::int32_t& { return s.callBump; }),
    Field("AT$MLSCTM", [](DataCommSettings& s) -> std::int32_t& { return s.billingInterval[kGroupModem]; }),
    Thresholds("AT$MLTHP", kLinkMlppp),
    Field("AT$MLOND", [](DataCommSettings& s) -> std::int32_t& { return s.openMonitorTime[kLinkMlppp]; }),
    Field("AT$MLCLD", [](DataCommSettings& s) -> std::int32_t& { return s.closeMonitorTime[kLinkMlppp]; }),
    Field("AT$MLTPF", [](DataCommSettings& s) -> std::int32_t& { return s.trafficLinkControl; }),
    Field("AT$DISC", [](DataCommSettings& s) -> std::int32_t& { return s.idleDisconnect; }),
    Field("AT$SCTM", [](DataCommSettings& s) -> std::int32_t& { return s.billingInterval[kGroupAodi]; }),
    Thresholds("AT$ATHP", kLinkFirstB),
    Thresholds("AT$BTHP", kLinkSecondB),
    Field("AT$AOND", [](DataCommSettings& s) -> std::int32_t& { return s.openMonitorTime[kLinkFirstB]; }),
    Field("AT$BOND", [](DataCommSettings& s) -> std::int32_t& { return s.openMonitorTime[kLinkSecondB]; }),
    Field("AT$ACLD", [](DataCommSettings& s) -> std::int32_t& { return s.closeMonitorTime[kLinkFirstB]; }),
    Field("AT$BCLD", [](DataCommSettings& s) -> std::int32_t& { return s.closeMonitorTime[kLinkSecondB]; }),
    Field("AT$HFML", [](DataCommSettings& s) -> std::int32_t& { return s.secondChannelOff; }),
};

constexpr ParseKey kMlpppKeys[] = {
    Field("AT$Z", [](DataCommSettings& s) -> std::int32_t& { return s.callBump; }),
    Thresholds("AT$MLTHP", kLinkMlppp),
    Field("AT$MLOND", [](DataCommSettings& s) -> std::int32_t& { return s.openMonitorTime[kLinkMlppp]; }),
    Field("AT$MLCLD", [](DataCommSettings& s) -> std::int32_t& { return s.closeMonitorTime[kLinkMlppp]; }),
    Field("AT$MLSCTM", [](DataCommSettings& s) -> std::int32_t& { return s.billingInterval[kGroupModem]; }),
    Field("AT$MLTPF", [](DataCommSettings& s) -> std::int32_t& { return s.trafficLinkControl; }),
    Field("AT$DISC", [](DataCommSettings& s) -> std::int32_t& { return s.idleDisconnect; }),
};

}  // namespace

void ParseTaData(std::string_view text, DataCommVariant variant, DataCommSettings& settings,
                 std::int32_t& idleDisconnectOn) {
  const std::span<const ParseKey> keys =
      variant == DataCommVariant::Aodi ? std::span<const ParseKey>(kAodiKeys)
                                       : std::span<const ParseKey>(kMlpppKeys);
  for (const ParseKey& key : keys) {
    std::string_view value;
    if (!FindKeyValue(text, key.key, value)) continue;
    const std::int32_t number = AtoiValue(value);
    if (key.field) {
      key.field(settings) = number;
    } else {
      // Two three-digit fields read as one number: 050030 is 50030.
      settings.openThreshold[key.thresholdPage] = number / 1000;
      settings.closeThreshold[key.thresholdPage] = number % 1000;
    }
  }
  idleDisconnectOn = IdleDisconnectOnFor(settings);
}
