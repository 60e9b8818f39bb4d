// Output of the command line: "name=value" lines, or one JSON object.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli.h"

namespace {

// A JSON number only when it reads back as the same integer: "0512345678" (a dialling
// number) and "007" stay strings.
bool IsJsonInteger(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  if (text.empty() || (text.size() > 1 && text.front() == '0')) return false;
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Escapes the characters JSON forbids; other bytes (UTF-8 Korean text) pass unchanged.
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

}  // namespace

void PrintFields(std::ostream& out, const Fields& fields, const CliOptions& options) {
  if (!options.json) {
    for (const auto& [name, value] : fields) out << name << '=' << value << '\n';
    return;
  }
  out << '{';
  const char* separator = "";
  for (const auto& [name, value] : fields) {
    out << separator << JsonString(name) << ':'
        << (IsJsonInteger(value) ? value : JsonString(value));
    separator = ",";
  }
  out << "}\n";
}

bool SplitAssignment(const std::string& text, std::string& field, std::string& value) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  field = text.substr(0, equals);
  value = text.substr(equals + 1);
  return true;
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "quorvel-cli: %s\n", text.c_str());
  return kExitUsage;
}

std::optional<std::int32_t> ParseWholeNumber(std::string_view text) {
  std::int32_t number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return number;
}
