#include "sim/crc16_x25.h"

#include <array>

namespace sim {

namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0x8408u : crc >> 1;
    table[i] = static_cast<std::uint16_t>(crc);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::uint16_t Crc16X25(std::string_view bytes) {
  unsigned crc = 0xFFFFu;
  for (unsigned char c : bytes) crc = (crc >> 8) ^ kTable[(crc ^ c) & 0xFFu];
  return static_cast<std::uint16_t>(crc ^ 0xFFFFu);
}

}  // namespace sim
