#include "datacomm/core/read_out.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "datacomm/core/crc16_x25.h"

namespace {

constexpr std::string_view kSeparators = " \t\r\n";
constexpr std::string_view kEcho = "AT$OUTCUR";
constexpr std::string_view kEnd = "OK";

// Hands out the tokens of a text one by one.
class Tokens {
 public:
  explicit Tokens(std::string_view text) : rest_(text) {}

  bool Next(std::string_view& token) {
    const std::size_t begin = rest_.find_first_not_of(kSeparators);
    if (begin == std::string_view::npos) {
      rest_ = {};
      return false;
    }
    rest_.remove_prefix(begin);
    const std::size_t end = std::min(rest_.find_first_of(kSeparators), rest_.size());
    token = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return true;
  }

 private:
  std::string_view rest_;
};

bool ChecksumMatches(std::string_view token, std::uint16_t expected) {
  if (token.empty() || token.size() > kMaxChecksumTokenLength) return false;
  std::uint64_t number = 0;  // 11 digits always fit
  for (const char c : token) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return number == expected;
}

}  // namespace

bool VerifyTaData(std::string_view text) {
  Tokens tokens(text);
  std::string_view token;
  do {
    if (!tokens.Next(token)) return false;
  } while (token == kEcho);

  while (token != kEnd) {
    const std::uint16_t expected = Crc16X25(token);
    std::string_view checksum;
    if (!tokens.Next(checksum) || !ChecksumMatches(checksum, expected)) return false;
    if (!tokens.Next(token)) return false;
  }
  return true;
}

std::string_view ReceivedText(const char* buffer, std::size_t capacity) {
  const void* nul = std::memchr(buffer, '\0', capacity);
  const std::size_t length =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : capacity;
  return {buffer, length};
}

bool FindKeyValue(std::string_view text, std::string_view key, std::string_view& value) {
  std::size_t at = 0;
  while ((at = text.find(key, at)) != std::string_view::npos) {
    const std::size_t afterKey = at + key.size();
    if (afterKey < text.size() && text[afterKey] == '=') {
      const std::string_view rest = text.substr(afterKey + 1);
      value = rest.substr(0, std::min(rest.find_first_of("\r\n"), rest.size()));
      return true;
    }
    ++at;
  }
  return false;
}

int AtoiValue(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || (value[i] >= '\t' && value[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so that the lowest value fits exactly.
  constexpr std::int64_t kLowest = std::numeric_limits<int>::min();
  std::int64_t number = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    number = number * 10 - (value[i] - '0');
    if (number < kLowest) {
      number = kLowest - 1;  // saturated; keeps the sign decision below simple
      break;
    }
  }
  if (negative) return number < kLowest ? std::numeric_limits<int>::min() : static_cast<int>(number);
  if (number < -static_cast<std::int64_t>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(-number);
}
