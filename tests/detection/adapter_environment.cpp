#include "tests/detection/adapter_environment.h"

#include "app/registry/port_settings.h"
#include "platform/registry_hive.h"

namespace quorvel_test {

std::ostream& operator<<(std::ostream& out, const PortAndSpeed& value) {
  return out << value.port << '@' << value.speed;
}

AdapterEnvironment::AdapterEnvironment(const sim::Options& options)
    : adapter_(options, folders_.PortsDir()) {
  started_ = adapter_.Start();
}

AdapterEnvironment::~AdapterEnvironment() { adapter_.Stop(); }

std::vector<LineSeen> AdapterEnvironment::LinesWith(std::string_view text) const {
  std::vector<LineSeen> lines;
  for (const sim::Received& received : adapter_.Log()) {
    if (received.bytes.find(text) != std::string::npos) {
      lines.push_back({received.port, received.speed.value_or(0), received.at});
    }
  }
  return lines;
}

std::vector<PortAndSpeed> AdapterEnvironment::Probes() const {
  return WhereOnly(LinesWith("AT*MRNIX"));
}

std::vector<PortAndSpeed> WhereOnly(const std::vector<LineSeen>& lines) {
  std::vector<PortAndSpeed> where;
  for (const LineSeen& line : lines) where.push_back({line.port, line.speed});
  return where;
}

std::optional<std::int32_t> StoredDword(const std::string& key, const std::string& name) {
  const auto value = platform::RegistryStore::GetValue(key, name);
  if (!value || value->data.size() != 4) return std::nullopt;
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | value->data[static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(number);
}

void RememberPortSettings(std::int32_t port, std::int32_t speed) {
  platform::RegistryStore::CreateKey(kProgramKey, platform::HiveKind::Volatile);
  const auto dword = [](std::int32_t number) {
    const auto bits = static_cast<std::uint32_t>(number);
    return platform::RegistryValue{
        platform::RegistryValue::Type::Dword,
        {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
         static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
  };
  platform::RegistryStore::SetValue(kProgramKey, kComNumValue, dword(port));
  platform::RegistryStore::SetValue(kProgramKey, kPortSpeedValue, dword(speed));
}

}  // namespace quorvel_test
