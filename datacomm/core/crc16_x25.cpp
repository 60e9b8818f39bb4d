#include "datacomm/core/crc16_x25.h"

#include <array>

namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned byte = 0; byte < table.size(); ++byte) {
    unsigned crc = byte;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1U) ? (crc >> 1) ^ 0x8408U : crc >> 1;
    }
    table[byte] = static_cast<std::uint16_t>(crc);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::uint16_t Crc16X25(std::string_view bytes) {
  unsigned crc = 0xFFFFU;
  for (const char c : bytes) {
    crc = (crc >> 8) ^ kTable[(crc ^ static_cast<unsigned char>(c)) & 0xFFU];
  }
  return static_cast<std::uint16_t>(crc ^ 0xFFFFU);
}
