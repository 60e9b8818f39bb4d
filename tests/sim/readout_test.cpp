// The adapter's settings model on its own: checksum, value checks, read-out text.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/adapter_commands.h"
#include "sim/crc16_x25.h"
#include "sim/settings_table.h"
#include "sim/sim_adapter.h"

namespace {

// Bit by bit, to check the table-driven one against.
unsigned BitwiseX25(const std::string& text) {
  unsigned crc = 0xFFFF;
  for (unsigned char c : text) {
    crc ^= c;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
  }
  return crc ^ 0xFFFF;
}

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::istringstream in(text);
  for (std::string t; in >> t;) tokens.push_back(t);
  return tokens;
}

TEST(SimCrc, CheckValueAndAgreesWithBitwise) {
  EXPECT_EQ(sim::Crc16X25("123456789"), 0x906E);
  EXPECT_EQ(sim::Crc16X25(""), 0x0000);
  for (const std::string& line : std::vector<std::string>{"AT$HFML=0", "AT$ATHP=050030", "AT#ICFA=", "AT%AB3=0512345678",
                           std::string("\xff\x00\x80", 3)}) {
    EXPECT_EQ(sim::Crc16X25(line), BitwiseX25(line)) << line;
  }
}

struct ValueCase {
  const char* key;
  const char* value;
  bool accepted;
  const char* stored;  // as the adapter keeps it, when accepted
};

TEST(SimSettings, ChecksValuesByKey) {
  const ValueCase cases[] = {
      {"AT$ATHP", "050030", true, "050030"}, {"AT$MLTHP", "100000", true, "100000"},
      {"AT$BTHP", "50030", false, ""},       {"AT$BTHP", "101000", false, ""},
      {"AT$ATHP", "05003x", false, ""},      {"AT$DISC", "3", true, "3"},
      {"AT$DISC", "4", false, ""},           {"AT$DISC", "", false, ""},
      {"AT$DISC", "-1", false, ""},          {"AT$DISC", " 1", false, ""},
      {"AT$SCTM", "32000", true, "32000"},   {"AT$SCTM", "32001", false, ""},
      {"AT$MLSCTM", "0180", true, "180"},    {"AT$AOND", "60", true, "60"},
      {"AT$BCLD", "61", false, ""},          {"AT$Z", "1", true, "1"},
      {"AT$HFML", "2", false, ""},           {"AT$MLTPF", "one", false, ""},
      {"AT#P", "1", true, "1"},              {"AT#P", "2", false, ""},
      {"AT#ICFA", "", true, ""},             {"AT#ICFB", "0212345678", true, "0212345678"},
      {"AT#ICFA", "02-123", false, ""},      {"AT#ZA", "1234567890123456789", true, "1234567890123456789"},
      {"AT#ZA", "12345678901234567890", false, ""}, {"AT#ICFNA", "30", true, "30"},
      {"AT#ICFNB", "31", false, ""},         {"AT#AA", "2", true, "2"},
      {"AT#AB", "3", false, ""},             {"AT#EODA", "2", true, "2"},
      {"AT%AB9", "0512345678", true, "0512345678"}, {"AT%SA0", "", true, ""},
      {"AT%SA0", "Empty", false, ""},
  };
  for (const auto& c : cases) {
    const sim::KnownSetting* setting = sim::FindSetting(c.key);
    ASSERT_NE(setting, nullptr) << c.key;
    auto checked = sim::CheckValue(*setting, c.value);
    EXPECT_EQ(checked.has_value(), c.accepted) << c.key << "=" << c.value;
    if (checked && c.accepted) {
      EXPECT_EQ(*checked, c.stored) << c.key << "=" << c.value;
    }
  }
  for (const char* unknown : {"AT$FOO", "AT#ICFC", "AT%AA10", "AT%AC0", "AT#PC"}) {
    EXPECT_EQ(sim::FindSetting(unknown), nullptr) << unknown;
  }
}

TEST(SimSettings, FactoryValues) {
  sim::SettingsStore store;
  const std::pair<const char*, const char*> expected[] = {
      {"AT$ATHP", "050050"}, {"AT$BTHP", "050050"}, {"AT$MLTHP", "050050"}, {"AT$DISC", "0"},
      {"AT$SCTM", "0"},      {"AT$HFML", "0"},      {"AT#P", "0"},        {"AT#GA", "1"},
      {"AT#OB", "1"},        {"AT#WA", "1"},        {"AT#SPB", "1"},      {"AT#PA", "0"},
      {"AT#ICFA", ""},       {"AT#ZB", ""},         {"AT%AA0", ""},       {"AT%SB9", ""},
      {"AT#EODA", "0"},      {"AT#AB", "0"},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(store.Get(key), value) << key;
  // Data communication, the law and two ports of 39 keys each.
  EXPECT_EQ(store.All().size(), 15u + 1u + 2u * 39u);
}

// Every setting line is followed by its checksum; the law precedes the per-port
// priority keys that begin with the same text; the whole fits a 4000-byte buffer even
// with every number at its longest.
TEST(SimSettings, ReadOutFormatAndSize) {
  sim::AdapterCommands commands;
  for (const auto& setting : sim::KnownSettings()) {
    if (setting.kind == sim::ValueKind::Digits) commands.Settings().Put(setting.key, std::string(sim::kMaxDigits, '9'));
    if (setting.max == 32000) commands.Settings().Put(setting.key, "32000");
  }
  sim::Options options;
  const std::string text = *commands.Handle("AT$OUTCUR", options);
  EXPECT_LT(text.size(), 3500u);
  EXPECT_EQ(text.rfind("AT$OUTCUR\r\n", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 4), "OK\r\n");
  EXPECT_LT(text.find("\nAT#P="), text.find("\nAT#PA="));
  EXPECT_LT(text.find("\nAT#P="), text.find("\nAT#PB="));

  auto tokens = Tokens(text);
  ASSERT_GE(tokens.size(), 3u);
  EXPECT_EQ(tokens.front(), "AT$OUTCUR");
  EXPECT_EQ(tokens.back(), "OK");
  std::size_t pairs = 0;
  for (std::size_t i = 1; i + 1 < tokens.size(); i += 2, ++pairs) {
    EXPECT_LE(tokens[i].size(), 31u) << tokens[i];
    EXPECT_EQ(std::to_string(BitwiseX25(tokens[i])), tokens[i + 1]) << tokens[i];
  }
  EXPECT_EQ(pairs, sim::KnownSettings().size());

  options.echoReadOut = false;
  options.wrongChecksum = true;
  tokens = Tokens(*commands.Handle("at$outcur", options));
  EXPECT_EQ(tokens.front(), "AT$Z=0");
  EXPECT_EQ(tokens[1], std::to_string((BitwiseX25("AT$Z=0") + 1) & 0xFFFF));
}

TEST(SimCommands, KeyIsTextBeforeEqualsUpperCased) {
  EXPECT_EQ(sim::CommandKey("AT$ATHP=050050"), "AT$ATHP");
  EXPECT_EQ(sim::CommandKey("atw"), "ATW");
  EXPECT_EQ(sim::CommandKey("AT%AB7="), "AT%AB7");
}

}  // namespace
