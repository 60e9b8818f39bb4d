// The hive text on its own: one row per line form, garbage included.
#include "platform/hive_text.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::RegistryValue;
namespace hivetext = platform::hivetext;

constexpr const char* kTop = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\K]\n";

struct Row {
  const char* what;
  std::string text;    // a whole hive
  bool parses;
  const char* name;    // a value to look up in key K
  std::vector<std::uint8_t> bytes;  // its data; empty with `found` false: no data
  bool found;
};

TEST(HiveTextTest, ParsesEachLineForm) {
  using B = std::vector<std::uint8_t>;
  const Row rows[] = {
      {"dword", std::string(kTop) + "\"n\"=dword:0000000f\n", true, "n", B{15, 0, 0, 0}, true},
      {"dword in capitals", std::string(kTop) + "\"n\"=dword:DEADBEEF\n", true, "n", B{0xef, 0xbe, 0xad, 0xde}, true},
      {"hex", std::string(kTop) + "\"n\"=hex:0a,1b,ff\n", true, "n", B{0x0a, 0x1b, 0xff}, true},
      {"typed hex", std::string(kTop) + "\"n\"=hex(2):41,00\n", true, "n", B{0x41, 0}, true},
      {"wrapped hex", std::string(kTop) + "\"n\"=hex:01,\\\n  02\n", true, "n", B{1, 2}, true},
      {"string", std::string(kTop) + "\"n\"=\"ab\"\n", true, "n", B{'a', 'b', 0}, true},
      {"escaped name", std::string(kTop) + "\"a\\\\b \\\"c\\\"\"=dword:00000001\n", true, "a\\b \"c\"", B{1, 0, 0, 0}, true},
      {"name in other case", std::string(kTop) + "\"ComNum\"=dword:00000001\n", true, "COMNUM", B{1, 0, 0, 0}, true},
      {"deleted value", std::string(kTop) + "\"n\"=-\n", true, "n", B{}, false},
      {"default value and comment", std::string(kTop) + "@=\"x\"\n; note\n", true, "n", B{}, false},
      {"CRLF and BOM", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"n\"=dword:00000002\r\n",
       true, "n", B{2, 0, 0, 0}, true},
      {"empty text", "", true, "n", B{}, false},
      {"dword too short", std::string(kTop) + "\"n\"=dword:0000000\n", false, "n", B{}, false},
      {"dword too long", std::string(kTop) + "\"n\"=dword:000000001\n", false, "n", B{}, false},
      {"hex digit missing", std::string(kTop) + "\"n\"=hex:0a,1\n", false, "n", B{}, false},
      {"unknown type", std::string(kTop) + "\"n\"=qword:1\n", false, "n", B{}, false},
      {"name not closed", std::string(kTop) + "\"n=dword:00000001\n", false, "n", B{}, false},
      {"header not closed", "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K\n", false, "n", B{}, false},
      {"no header line", "[HKEY_LOCAL_MACHINE\\K]\n\"n\"=dword:00000001\n", false, "n", B{}, false},
      {"binary junk", std::string("\x00\xff\xfe\x01", 4), false, "n", B{}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    auto hive = hivetext::ParseHive(row.text);
    ASSERT_EQ(hive.has_value(), row.parses);
    if (!hive) continue;
    hivetext::Key* key = hivetext::FindKey(*hive, "hkey_local_machine\\k");
    const hivetext::Entry* entry = key ? hivetext::FindValue(*key, row.name) : nullptr;
    const bool found = entry != nullptr && entry->value.has_value();
    ASSERT_EQ(found, row.found);
    if (found) {
      EXPECT_EQ(entry->value->data, row.bytes);
    }
  }
}

TEST(HiveTextTest, WritesBackOnlyWhatChanged) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n; kept\n\n[HKEY_LOCAL_MACHINE\\K]\n"
      "\"n\"=hex:01,\\\n  02\n@=\"x\"\n\n[HKEY_LOCAL_MACHINE\\L]\n\"m\"=dword:00000001\n\n";
  auto hive = hivetext::ParseHive(text);
  ASSERT_TRUE(hive);
  EXPECT_EQ(hivetext::SerializeHive(*hive), text);

  hivetext::SetValue(*hivetext::FindKey(*hive, "HKEY_LOCAL_MACHINE\\K"), "new",
                     RegistryValue{RegistryValue::Type::Dword, {0x0f, 0, 0, 0}});
  hivetext::AddKey(*hive, "HKEY_LOCAL_MACHINE\\M");
  EXPECT_EQ(hivetext::SerializeHive(*hive),
            "Windows Registry Editor Version 5.00\n; kept\n\n[HKEY_LOCAL_MACHINE\\K]\n"
            "\"n\"=hex:01,\\\n  02\n@=\"x\"\n\"new\"=dword:0000000f\n\n[HKEY_LOCAL_MACHINE\\L]\n"
            "\"m\"=dword:00000001\n\n[HKEY_LOCAL_MACHINE\\M]\n\n");
}

}  // namespace
