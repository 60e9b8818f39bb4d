// CRegistryKey and the port settings, on hive files in a temporary folder.
#include "app/registry/port_settings.h"

#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/registry/registry_key.h"
#include "platform/registry_hive.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::ReadText;
using testsupport::WriteText;

namespace fs = std::filesystem;

constexpr const char* kHiveHeader =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\n";

class PortSettingsTest : public testsupport::IsolatedTest {
 protected:
  // Globals as at program start.
  void SetUp() override {
    currentPort = 0;
    currentSpeed = kDefaultSpeed;
  }
  void TearDown() override { SetUp(); }

  fs::path Persistent() const { return folders.RegistryDir() / "persistent.reg"; }
  fs::path Volatile() const { return folders.RegistryDir() / "volatile.reg"; }

  CRegistryKey key;
};

TEST_F(PortSettingsTest, NoKeyLeavesProgramStartValues) {
  LoadPortSettings(key);
  EXPECT_EQ(currentPort, 0);
  EXPECT_EQ(currentSpeed, 115200);
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.KeyPath(), "SOFTWARE\\MARONIX");
  // Opening created the key, as a volatile one.
  EXPECT_EQ(platform::RegistryStore::FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX"),
            platform::HiveKind::Volatile);
}

TEST_F(PortSettingsTest, SavedValuesLoadAgain) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {2, 230400}, {0, 115200}, {4, 57600}, {7, 12345}, {-1, 2147483647}, {255, -2147483647 - 1},
  };
  for (const auto& [port, speed] : cases) {
    currentPort = port;
    currentSpeed = speed;
    SavePortSettings(key);
    currentPort = 99;
    currentSpeed = 99;
    LoadPortSettings(key);
    EXPECT_EQ(currentPort, port);
    EXPECT_EQ(currentSpeed, speed);
  }
}

TEST_F(PortSettingsTest, StoresTheFullPathValueNames) {
  currentPort = 2;
  currentSpeed = 230400;
  SavePortSettings(key);
  EXPECT_EQ(ReadText(Volatile()), std::string(kHiveHeader) +
                                       "\"SOFTWARE\\\\MARONIX\\\\ComNum\"=dword:00000002\n"
                                       "\"SOFTWARE\\\\MARONIX\\\\PortSpeed\"=dword:00038400\n"
                                       "\n");
  EXPECT_FALSE(fs::exists(Persistent()));
}

TEST_F(PortSettingsTest, PlainValueNamesAreNotRead) {
  WriteText(Volatile(), std::string(kHiveHeader) +
                            "\"ComNum\"=dword:00000003\n"
                            "\"PortSpeed\"=dword:0000e100\n");
  LoadPortSettings(key);
  EXPECT_EQ(currentPort, 0);
  EXPECT_EQ(currentSpeed, 115200);
}

TEST_F(PortSettingsTest, OnlyFourByteValuesAreTaken) {
  const struct {
    const char* data;
    std::int32_t expected;  // the global starts at 3
  } cases[] = {
      {"dword:00000002", 2},
      {"hex:04,00,00,00", 4},           // another type, 4 bytes: taken as the number
      {"hex(4):01,01,00,00", 257},
      {"\"abc\"", 0x00636261},          // "abc" and its NUL are 4 bytes too
      {"hex:01,02", 3},                 // too short
      {"hex:01,02,03,04,05", 3},        // too long
      {"hex:", 3},
      {"\"a longer text\"", 3},
      {"-", 3},
  };
  for (const auto& c : cases) {
    WriteText(Volatile(), std::string(kHiveHeader) + "\"SOFTWARE\\\\MARONIX\\\\ComNum\"=" + c.data + "\n");
    currentPort = 3;
    LoadPortSettings(key);
    EXPECT_EQ(currentPort, c.expected) << c.data;
    EXPECT_EQ(currentSpeed, 115200) << c.data;
  }
}

TEST_F(PortSettingsTest, ExistingPersistentKeyKeepsItsKind) {
  WriteText(Persistent(), kHiveHeader);
  currentPort = 1;
  currentSpeed = 57600;
  SavePortSettings(key);
  EXPECT_NE(ReadText(Persistent()).find("\"SOFTWARE\\\\MARONIX\\\\ComNum\"=dword:00000001"),
            std::string::npos);
  EXPECT_EQ(ReadText(Volatile()).find("MARONIX"), std::string::npos);
}

TEST_F(PortSettingsTest, UnusableStoreIsSilent) {
  WriteText(folders.Root() / "file", "x");
  testsupport::ScopedEnv dir("QUORVEL_REGISTRY_DIR", (folders.Root() / "file" / "sub").string());
  currentPort = 3;
  SavePortSettings(key);
  currentPort = 4;
  currentSpeed = 57600;
  LoadPortSettings(key);
  EXPECT_EQ(currentPort, 4);
  EXPECT_EQ(currentSpeed, 57600);

  key.OpenKey(RegistryRoot::LocalMachine, "SOFTWARE\\MARONIX");
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.WriteDword("n", 1), kRegistryFailed);
}

TEST_F(PortSettingsTest, ClosedKeyReadsAndWritesNothing) {
  std::int32_t variable = 42;
  EXPECT_EQ(key.ReadDword(kComNumValue, variable), kRegistryFailed);
  EXPECT_EQ(variable, 42);
  EXPECT_EQ(key.WriteDword(kComNumValue, 1), kRegistryFailed);
  EXPECT_EQ(key.WriteBinary("b", {1}), kRegistryFailed);
  key.CloseKey();
  key.CloseKey();
  EXPECT_FALSE(fs::exists(Volatile()));
}

TEST_F(PortSettingsTest, BinaryValuesAndOtherKeys) {
  key.OpenKey(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor\\Setup");
  ASSERT_TRUE(key.IsOpen());
  EXPECT_EQ(key.WriteBinary("Id", {0x0a, 0x1b, 0xff}), kRegistryOk);
  EXPECT_EQ(key.WriteBinary("Empty", {}), kRegistryOk);
  std::int32_t variable = 5;
  EXPECT_EQ(key.ReadDword("Id", variable), kRegistryFailed);  // 3 bytes
  EXPECT_EQ(variable, 5);
  key.CloseKey();
  const std::string text = ReadText(Volatile());
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Setup]\n\"Id\"=hex:0a,1b,ff\n\"Empty\"=hex:\n"),
            std::string::npos);
}

}  // namespace
