#include "datacomm/core/data_comm_settings.h"

#include <algorithm>

DataCommVariant VariantFor(std::int32_t aodiCapableFlag) {
  return aodiCapableFlag == 1 ? DataCommVariant::Aodi : DataCommVariant::Mlppp;
}

std::int32_t IdleDisconnectOnFor(const DataCommSettings& settings) {
  return settings.idleDisconnect != 0 ? 1 : 0;
}

void SetIdleDisconnectBox(DataCommSettings& settings, std::int32_t& idleDisconnectOn, bool on) {
  idleDisconnectOn = on ? 1 : 0;
  if (on && settings.idleDisconnect == 0) settings.idleDisconnect = 1;
}

namespace {

constexpr DataCommField kFields[] = {
    {"callBump", 0, 1, true, [](DataCommSettings& s) -> std::int32_t& { return s.callBump; }},
    {"secondChannelOff", 0, 1, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.secondChannelOff; }},
    {"idleDisconnect", 0, 3, true,
     [](DataCommSettings& s) -> std::int32_t& { return s.idleDisconnect; }},
    {"trafficLinkControl", 0, 1, true,
     [](DataCommSettings& s) -> std::int32_t& { return s.trafficLinkControl; }},
    {"billingInterval[0]", 0, 32000, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.billingInterval[0]; }},
    {"billingInterval[1]", 0, 32000, true,
     [](DataCommSettings& s) -> std::int32_t& { return s.billingInterval[1]; }},
    {"openMonitorTime[0]", 0, 60, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.openMonitorTime[0]; }},
    {"openMonitorTime[1]", 0, 60, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.openMonitorTime[1]; }},
    {"openMonitorTime[2]", 0, 60, true,
     [](DataCommSettings& s) -> std::int32_t& { return s.openMonitorTime[2]; }},
    {"closeMonitorTime[0]", 0, 60, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.closeMonitorTime[0]; }},
    {"closeMonitorTime[1]", 0, 60, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.closeMonitorTime[1]; }},
    {"closeMonitorTime[2]", 0, 60, true,
     [](DataCommSettings& s) -> std::int32_t& { return s.closeMonitorTime[2]; }},
    {"openThreshold[0]", 0, 100, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.openThreshold[0]; }},
    {"openThreshold[1]", 0, 100, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.openThreshold[1]; }},
    {"openThreshold[2]", 0, 100, true,
     [](DataCommSettings& s) -> std::int32_t& { return s.openThreshold[2]; }},
    {"closeThreshold[0]", 0, 100, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.closeThreshold[0]; }},
    {"closeThreshold[1]", 0, 100, false,
     [](DataCommSettings& s) -> std::int32_t& { return s.closeThreshold[1]; }},
    {"closeThreshold[2]", 0, 100, true,
     [](DataCommSettings& s) -> std::int32_t& { return s.closeThreshold[2]; }},
};

}  // namespace

std::span<const DataCommField> DataCommFields() { return kFields; }

const DataCommField* FindDataCommField(std::string_view name) {
  const auto it = std::ranges::find(kFields, name, &DataCommField::name);
  return it == std::end(kFields) ? nullptr : &*it;
}

bool HeldBy(const DataCommField& field, DataCommVariant variant) {
  return variant == DataCommVariant::Aodi || field.inMlppp;
}
