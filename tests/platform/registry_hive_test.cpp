// Registry hive files: format, kinds, concurrent writers and damaged files.
#include "platform/registry_hive.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

using testsupport::ReadText;
using testsupport::WriteText;

namespace fs = std::filesystem;
using platform::HiveKind;
using platform::RegistryStore;
using platform::RegistryValue;

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX";

RegistryValue Dword(std::uint32_t n) {
  return {RegistryValue::Type::Dword,
          {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
           static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
}

RegistryValue Binary(std::vector<std::uint8_t> bytes) {
  return {RegistryValue::Type::Binary, std::move(bytes)};
}

class RegistryHiveTest : public testsupport::IsolatedTest {
 protected:
  fs::path Persistent() const { return folders.RegistryDir() / "persistent.reg"; }
  fs::path Volatile() const { return folders.RegistryDir() / "volatile.reg"; }
};

TEST(HivePathTest, EnvironmentDecidesTheFiles) {
  testsupport::ScopedEnv home("HOME", "/home/someone");
  {
    testsupport::ScopedEnv dir("QUORVEL_REGISTRY_DIR", "/srv/reg");
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(platform::HivePath(HiveKind::Persistent), "/srv/reg/persistent.reg");
    EXPECT_EQ(platform::HivePath(HiveKind::Volatile), "/srv/reg/volatile.reg");
  }
  testsupport::ScopedEnv dir("QUORVEL_REGISTRY_DIR", std::nullopt);
  {
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    testsupport::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/7");
    EXPECT_EQ(platform::HivePath(HiveKind::Persistent), "/cfg/quorvel/persistent.reg");
    EXPECT_EQ(platform::HivePath(HiveKind::Volatile), "/run/user/7/quorvel/volatile.reg");
  }
  testsupport::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  testsupport::ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
  EXPECT_EQ(platform::HivePath(HiveKind::Persistent), "/home/someone/.config/quorvel/persistent.reg");
  EXPECT_EQ(platform::HivePath(HiveKind::Volatile),
            fs::path("/tmp/quorvel-" + std::to_string(getuid())) / "volatile.reg");
}

TEST_F(RegistryHiveTest, WritesRegistryExportFormat) {
  ASSERT_EQ(RegistryStore::CreateKey(kKey, HiveKind::Volatile), HiveKind::Volatile);
  ASSERT_TRUE(RegistryStore::SetValue(kKey, "SOFTWARE\\MARONIX\\ComNum", Dword(2)));
  ASSERT_TRUE(RegistryStore::SetValue(kKey, "SOFTWARE\\MARONIX\\PortSpeed", Dword(230400)));
  ASSERT_TRUE(RegistryStore::SetValue(kKey, "say \"hi\"", Binary({0x0a, 0x1b, 0xff})));
  ASSERT_TRUE(RegistryStore::SetValue(kKey, "empty", Binary({})));
  EXPECT_EQ(ReadText(Volatile()),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\n"
            "\"SOFTWARE\\\\MARONIX\\\\ComNum\"=dword:00000002\n"
            "\"SOFTWARE\\\\MARONIX\\\\PortSpeed\"=dword:00038400\n"
            "\"say \\\"hi\\\"\"=hex:0a,1b,ff\n"
            "\"empty\"=hex:\n"
            "\n");
  EXPECT_FALSE(fs::exists(Persistent()));
  // The folder is private, and no temporary file is left behind.
  struct stat info {};
  ASSERT_EQ(stat(folders.RegistryDir().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folders.RegistryDir())) {
    names.insert(entry.path().filename());
  }
  EXPECT_EQ(names, (std::set<std::string>{"volatile.reg", "volatile.reg.lock"}));
}

TEST_F(RegistryHiveTest, EveryKeyBlockEndsWithABlankLine) {
  ASSERT_TRUE(RegistryStore::CreateKey("HKEY_LOCAL_MACHINE\\FIRST", HiveKind::Persistent));
  ASSERT_TRUE(RegistryStore::SetValue("HKEY_LOCAL_MACHINE\\FIRST", "a", Dword(1)));
  ASSERT_TRUE(RegistryStore::CreateKey("HKEY_LOCAL_MACHINE\\SECOND", HiveKind::Persistent));
  ASSERT_TRUE(RegistryStore::SetValue("HKEY_LOCAL_MACHINE\\SECOND", "b", Dword(2)));
  ASSERT_TRUE(RegistryStore::SetValue("HKEY_LOCAL_MACHINE\\FIRST", "c", Dword(3)));
  const std::string expected =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\FIRST]\n"
      "\"a\"=dword:00000001\n"
      "\"c\"=dword:00000003\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SECOND]\n"
      "\"b\"=dword:00000002\n"
      "\n";
  EXPECT_EQ(ReadText(Persistent()), expected);
  ASSERT_TRUE(RegistryStore::SetValue("HKEY_LOCAL_MACHINE\\SECOND", "b", Dword(2)));
  EXPECT_EQ(ReadText(Persistent()), expected) << "a rewrite adds no blank lines";
}

// Files written by hand may end after the last value, with or without its line end.
TEST_F(RegistryHiveTest, ReadsFilesWithOrWithoutTheFinalLineEnd) {
  const std::string body =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\n"
      "\"SOFTWARE\\\\MARONIX\\\\ComNum\"=dword:00000002";
  for (const char* ending : {"", "\n", "\n\n", "\r\n\r\n"}) {
    SCOPED_TRACE(testing::PrintToString(ending));
    fs::remove_all(folders.RegistryDir());
    WriteText(Persistent(), body + ending);
    auto value = RegistryStore::GetValue(kKey, "SOFTWARE\\MARONIX\\ComNum");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data, Dword(2).data);

    ASSERT_TRUE(RegistryStore::SetValue(kKey, "n", Dword(5)));
    EXPECT_EQ(ReadText(Persistent()), body + "\n\"n\"=dword:00000005\n\n");
    EXPECT_FALSE(fs::exists(fs::path(Persistent()) += ".corrupt"));
  }
}

TEST_F(RegistryHiveTest, ValuesRoundTrip) {
  ASSERT_TRUE(RegistryStore::CreateKey(kKey, HiveKind::Persistent));
  const std::pair<std::string, RegistryValue> cases[] = {
      {"zero", Dword(0)},
      {"all ones", Dword(0xFFFFFFFF)},
      {"back\\slash\\", Dword(0x12345678)},
      {"\"quoted\"", Binary({0, 1, 2, 0xfe})},
      {"empty", Binary({})},
      {"", Dword(7)},
      {"long", Binary(std::vector<std::uint8_t>(600, 0xab))},
  };
  for (const auto& [name, value] : cases) ASSERT_TRUE(RegistryStore::SetValue(kKey, name, value)) << name;
  for (const auto& [name, value] : cases) {
    auto read = RegistryStore::GetValue(kKey, name);
    ASSERT_TRUE(read) << name;
    EXPECT_EQ(read->type, value.type) << name;
    EXPECT_EQ(read->data, value.data) << name;
  }
  // A later write replaces the value instead of adding a second one.
  ASSERT_TRUE(RegistryStore::SetValue(kKey, "zero", Dword(9)));
  EXPECT_EQ(RegistryStore::GetValue(kKey, "zero")->data, Dword(9).data);
  EXPECT_EQ(RegistryStore::GetValue(kKey, "missing"), std::nullopt);
  EXPECT_EQ(RegistryStore::GetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\OTHER", "zero"), std::nullopt);
}

TEST_F(RegistryHiveTest, NamesCompareWithoutCase) {
  ASSERT_TRUE(RegistryStore::CreateKey(kKey, HiveKind::Volatile));
  ASSERT_TRUE(RegistryStore::SetValue(kKey, "ComNum", Dword(3)));
  EXPECT_EQ(RegistryStore::CreateKey("hkey_local_machine\\software\\maronix", HiveKind::Volatile),
            HiveKind::Volatile);
  ASSERT_TRUE(RegistryStore::GetValue("HKEY_LOCAL_MACHINE\\software\\Maronix", "COMNUM"));
  EXPECT_NE(ReadText(Volatile()).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]"), std::string::npos);
}

TEST_F(RegistryHiveTest, SetValueNeedsAnExistingKeyAndASaneName) {
  EXPECT_FALSE(RegistryStore::SetValue(kKey, "x", Dword(1)));
  EXPECT_EQ(RegistryStore::CreateKey("", HiveKind::Volatile), std::nullopt);
  EXPECT_EQ(RegistryStore::CreateKey("a\nb", HiveKind::Volatile), std::nullopt);
  ASSERT_TRUE(RegistryStore::CreateKey(kKey, HiveKind::Volatile));
  EXPECT_FALSE(RegistryStore::SetValue(kKey, "line\nbreak", Dword(1)));
}

TEST_F(RegistryHiveTest, VolatileKeysLandInTheVolatileHive) {
  EXPECT_EQ(RegistryStore::FindKey(kKey), std::nullopt);
  ASSERT_EQ(RegistryStore::CreateKey(kKey, HiveKind::Volatile), HiveKind::Volatile);
  EXPECT_EQ(RegistryStore::FindKey(kKey), HiveKind::Volatile);
  EXPECT_EQ(RegistryStore::CreateKey(kKey, HiveKind::Persistent), HiveKind::Volatile);
  EXPECT_FALSE(fs::exists(Persistent()));

  ASSERT_EQ(RegistryStore::CreateKey("HKEY_LOCAL_MACHINE\\KEPT", HiveKind::Persistent),
            HiveKind::Persistent);
  EXPECT_EQ(RegistryStore::CreateKey("HKEY_LOCAL_MACHINE\\KEPT", HiveKind::Volatile),
            HiveKind::Persistent);
  ASSERT_TRUE(RegistryStore::SetValue("HKEY_LOCAL_MACHINE\\KEPT", "n", Dword(5)));
  EXPECT_NE(ReadText(Persistent()).find("\"n\"=dword:00000005"), std::string::npos);
  EXPECT_EQ(ReadText(Volatile()).find("KEPT"), std::string::npos);
}

TEST_F(RegistryHiveTest, LinesNotUnderstoodAreKept) {
  const std::string original =
      "Windows Registry Editor Version 5.00\n"
      "; written by hand\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OTHER]\n"
      "@=\"default\"\n"
      "\"text\"=\"C:\\\\path\"\n"
      "\"multi\"=hex(7):41,00,00,00\n"
      "\"gone\"=-\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\n"
      "\"ComNum\"=dword:00000003\n"
      "\n";
  WriteText(Persistent(), original);
  ASSERT_TRUE(RegistryStore::SetValue(kKey, "SOFTWARE\\MARONIX\\ComNum", Dword(1)));
  ASSERT_TRUE(RegistryStore::CreateKey("HKEY_LOCAL_MACHINE\\NEW", HiveKind::Persistent));
  EXPECT_EQ(ReadText(Persistent()),
            "Windows Registry Editor Version 5.00\n"
            "; written by hand\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OTHER]\n"
            "@=\"default\"\n"
            "\"text\"=\"C:\\\\path\"\n"
            "\"multi\"=hex(7):41,00,00,00\n"
            "\"gone\"=-\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\n"
            "\"ComNum\"=dword:00000003\n"
            "\"SOFTWARE\\\\MARONIX\\\\ComNum\"=dword:00000001\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\NEW]\n"
            "\n");
}

TEST_F(RegistryHiveTest, ReadsWhatOtherEditorsWrite) {
  WriteText(Persistent(),
            "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\r\n"
            "\"upper\"=dword:0000ABCD\r\n"
            "\"wrapped\"=hex:01,02,\\\r\n"
            "  03,04\r\n"
            "\"text\"=\"abc\"\r\n"
            "\"typed\"=hex(4):05,00,00,00\r\n");
  EXPECT_EQ(RegistryStore::GetValue(kKey, "upper")->data, Dword(0xABCD).data);
  EXPECT_EQ(RegistryStore::GetValue(kKey, "wrapped")->data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(RegistryStore::GetValue(kKey, "text")->data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
  EXPECT_EQ(RegistryStore::GetValue(kKey, "typed")->data, Dword(5).data);
}

TEST_F(RegistryHiveTest, EmptyFileIsAnEmptyHive) {
  WriteText(Volatile(), "");
  EXPECT_EQ(RegistryStore::FindKey(kKey), std::nullopt);
  ASSERT_EQ(RegistryStore::CreateKey(kKey, HiveKind::Volatile), HiveKind::Volatile);
  EXPECT_FALSE(fs::exists(fs::path(Volatile()) += ".corrupt"));
}

TEST_F(RegistryHiveTest, DamagedHiveReadsEmptyAndIsKeptAside) {
  const std::string good =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\n"
      "\"SOFTWARE\\\\MARONIX\\\\ComNum\"=dword:00000002\n";
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"garbage", std::string("\x7f" "ELF\x02\x01\x01\0\0\0 binary junk \xff\xfe", 26)},
      {"truncated header", "Windows Registry Ed"},
      {"truncated key", good.substr(0, 50)},
      {"truncated name", good.substr(0, good.find("ComNum"))},
      {"truncated dword", good.substr(0, good.size() - 4)},
      {"bad hex", "Windows Registry Editor Version 5.00\n[K]\n\"b\"=hex:0g,11\n"},
      {"value outside a key", "Windows Registry Editor Version 5.00\n\"a\"=dword:00000001\n"},
      {"old header", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folders.RegistryDir());
    WriteText(Persistent(), c.text);

    EXPECT_EQ(RegistryStore::FindKey(kKey), std::nullopt);
    EXPECT_EQ(RegistryStore::GetValue(kKey, "SOFTWARE\\MARONIX\\ComNum"), std::nullopt);
    EXPECT_EQ(ReadText(Persistent()), c.text) << "reading must not touch the file";

    ASSERT_EQ(RegistryStore::CreateKey(kKey, HiveKind::Persistent), HiveKind::Persistent);
    EXPECT_EQ(ReadText(fs::path(Persistent()) += ".corrupt"), c.text);
    ASSERT_TRUE(RegistryStore::SetValue(kKey, "n", Dword(1)));
    EXPECT_EQ(RegistryStore::GetValue(kKey, "n")->data, Dword(1).data);
  }
}

TEST_F(RegistryHiveTest, EarlierDamagedCopyIsNotOverwritten) {
  WriteText(Volatile(), "first damage");
  ASSERT_TRUE(RegistryStore::CreateKey(kKey, HiveKind::Volatile));
  WriteText(Volatile(), "second damage");
  ASSERT_TRUE(RegistryStore::CreateKey(kKey, HiveKind::Volatile));
  EXPECT_EQ(ReadText(fs::path(Volatile()) += ".corrupt"), "first damage");
  EXPECT_EQ(ReadText(fs::path(Volatile()) += ".corrupt.1"), "second damage");
}

TEST_F(RegistryHiveTest, UnwritableStoreFailsQuietly) {
  WriteText(folders.Root() / "file", "x");
  testsupport::ScopedEnv dir("QUORVEL_REGISTRY_DIR", (folders.Root() / "file" / "registry").string());
  EXPECT_EQ(RegistryStore::CreateKey(kKey, HiveKind::Volatile), std::nullopt);
  EXPECT_FALSE(RegistryStore::SetValue(kKey, "n", Dword(1)));
  EXPECT_EQ(RegistryStore::GetValue(kKey, "n"), std::nullopt);
}

// Processes that share the store each read, change and write the whole file; without the
// lock one would overwrite what another just added.
TEST_F(RegistryHiveTest, ConcurrentProcessesLoseNothing) {
  constexpr int kProcesses = 4;
  constexpr int kValuesEach = 25;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool ok = RegistryStore::CreateKey(kKey, HiveKind::Volatile).has_value();
      for (int i = 0; i < kValuesEach && ok; ++i) {
        ok = RegistryStore::SetValue(kKey, "p" + std::to_string(p) + "v" + std::to_string(i),
                                     Dword(static_cast<std::uint32_t>(p * 1000 + i)));
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kValuesEach; ++i) {
      auto value = RegistryStore::GetValue(kKey, "p" + std::to_string(p) + "v" + std::to_string(i));
      ASSERT_TRUE(value) << p << "/" << i;
      EXPECT_EQ(value->data, Dword(static_cast<std::uint32_t>(p * 1000 + i)).data);
    }
  }
  const std::string text = ReadText(Volatile());
  EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]"),
            text.rfind("[HKEY_LOCAL_MACHINE\\SOFTWARE\\MARONIX]"));
}

}  // namespace
