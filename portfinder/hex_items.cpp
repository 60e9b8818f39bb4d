#include "portfinder/hex_items.h"

#include <cstring>
#include <optional>

namespace tirnash {
namespace {

constexpr std::size_t kItemStride = 3;

// The C locale's white space, whatever locale the calling program has set.
bool IsSpace(char c) { return c != '\0' && std::strchr(" \t\n\v\f\r", c) != nullptr; }

std::optional<std::uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

// Reads one item the way "%x" does (without a sign) and keeps its low 8 bits; digits
// may run on into the next item's characters. Stops at the NUL at the latest.
std::uint8_t ReadItem(const char* p) {
  while (IsSpace(*p)) ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2])) p += 2;
  std::uint8_t value = 0;
  for (auto digit = HexDigit(*p); digit; digit = HexDigit(*++p)) {
    value = static_cast<std::uint8_t>((value << 4) | *digit);
  }
  return value;
}

}  // namespace

std::vector<std::uint8_t> ParseHexItems(const char* text, std::size_t count) {
  const std::size_t length = text == nullptr ? 0 : std::strlen(text);
  std::vector<std::uint8_t> bytes(count, 0);
  for (std::size_t i = 0; i < count && i * kItemStride < length; ++i) {
    bytes[i] = ReadItem(text + i * kItemStride);
  }
  return bytes;
}

}  // namespace tirnash
