// libtirnash as a caller sees it: loaded with dlopen by a small C program
// (tirnash_client.c), its effects read back from the registry hives and the simulated
// adapter's log.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry_hive.h"
#include "tests/detection/adapter_environment.h"
#include "tests/detection/run_program.h"

namespace {

using quorvel_test::AdapterEnvironment;
using quorvel_test::PortAndSpeed;
using quorvel_test::ProgramResult;
using quorvel_test::RunProgram;

constexpr const char* kTestKey = "SOFTWARE\\TirnashTest";
constexpr const char* kTestKeyFull = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TirnashTest";

ProgramResult RunClient(std::vector<std::string> steps) {
  steps.insert(steps.begin(), {TIRNASH_CLIENT, TIRNASH_LIBRARY});
  return RunProgram(steps);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

sim::Options AdapterOn(std::string port, std::set<std::uint32_t> speeds) {
  sim::Options options;
  options.adapterPort = std::move(port);
  options.speeds = std::move(speeds);
  return options;
}

bool AnyHiveWritten(const std::filesystem::path& registryDir) {
  if (!std::filesystem::exists(registryDir)) return false;
  for (const auto& entry : std::filesystem::directory_iterator(registryDir)) {
    if (entry.path().extension() == ".reg") return true;
  }
  return false;
}

std::optional<std::vector<std::uint8_t>> StoredBinary(const std::string& name) {
  const auto value = platform::RegistryStore::GetValue(kTestKeyFull, name);
  if (!value || value->type != platform::RegistryValue::Type::Binary) return std::nullopt;
  return value->data;
}

TEST(TirnashLibrary, ExportsExactlyTheFourFunctionsUnderItsSoname) {
  const ProgramResult symbols = RunProgram({"nm", "-D", "--defined-only", TIRNASH_LIBRARY_FILE});
  ASSERT_EQ(symbols.exitCode, 0) << symbols.err;
  std::set<std::string> names;
  for (const std::string& line : Lines(symbols.out)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.insert(name);
  }
  EXPECT_EQ(names, (std::set<std::string>{"CloseReg", "OpenReg", "Tirnashport", "WriteBinReg"}));

  const ProgramResult dynamic = RunProgram({"readelf", "-d", TIRNASH_LIBRARY_FILE});
  ASSERT_EQ(dynamic.exitCode, 0) << dynamic.err;
  EXPECT_NE(dynamic.out.find("Library soname: [libtirnash.so.1]"), std::string::npos);
  EXPECT_EQ(dynamic.out.find("Qt"), std::string::npos) << dynamic.out;
}

// One binary value per row: what WriteBinReg gets and what the hive must then hold.
struct WriteCase {
  const char* name;
  const char* text;
  const char* count;
  std::optional<std::vector<std::uint8_t>> stored;  // nothing: no value written
};

const WriteCase kWriteCases[] = {
    {"threeBytes", "0A 1B FF", "3", std::vector<std::uint8_t>{0x0a, 0x1b, 0xff}},
    {"empty", "", "0", std::vector<std::uint8_t>{}},
    {"threeDigitItem", "1FF 02", "2", std::vector<std::uint8_t>{0xff, 0x02}},
    {"notHex", "0A zz 0C", "3", std::vector<std::uint8_t>{0x0a, 0x00, 0x0c}},
    {"shortText", "0A", "3", std::vector<std::uint8_t>{0x0a, 0x00, 0x00}},
    {"largest", "7F", "500", [] {
       std::vector<std::uint8_t> bytes(500, 0);
       bytes[0] = 0x7f;
       return bytes;
     }()},
    {"tooMany", "01 02", "501", std::nullopt},
    {"huge", "01 02", "4294967295", std::nullopt},
};

TEST(TirnashLibrary, WriteBinRegStoresParsedBytesUnderANewVolatileKey) {
  AdapterEnvironment env(AdapterOn("", {}));
  ASSERT_TRUE(env.Started());
  std::vector<std::string> steps{"open", kTestKey};
  for (const WriteCase& c : kWriteCases) steps.insert(steps.end(), {"write", c.name, c.text, c.count});
  steps.insert(steps.end(), {"write-null-text", "nullText", "2", "write-null-name", "2", "close"});

  const ProgramResult result = RunClient(steps);

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");  // the library prints nothing
  std::vector<std::string> expected{"OpenReg=1"};
  expected.insert(expected.end(), std::size(kWriteCases) + 2, "WriteBinReg=1");
  expected.push_back("CloseReg=1");
  EXPECT_EQ(Lines(result.out), expected);

  EXPECT_EQ(platform::RegistryStore::FindKey(kTestKeyFull), platform::HiveKind::Volatile);
  for (const WriteCase& c : kWriteCases) EXPECT_EQ(StoredBinary(c.name), c.stored) << c.name;
  EXPECT_EQ(StoredBinary("nullText"), (std::vector<std::uint8_t>{0x00, 0x00}));
}

TEST(TirnashLibrary, ExistingPersistentKeyKeepsItsKind) {
  AdapterEnvironment env(AdapterOn("", {}));
  ASSERT_TRUE(env.Started());
  ASSERT_EQ(platform::RegistryStore::CreateKey(kTestKeyFull, platform::HiveKind::Persistent),
            platform::HiveKind::Persistent);

  const ProgramResult result = RunClient({"open", kTestKey, "write", "v", "42", "1", "close"});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(platform::RegistryStore::FindKey(kTestKeyFull), platform::HiveKind::Persistent);
  EXPECT_EQ(StoredBinary("v"), (std::vector<std::uint8_t>{0x42}));
}

TEST(TirnashLibrary, WithoutAKeyEveryCallReturnsOneAndWritesNothing) {
  AdapterEnvironment env(AdapterOn("", {}));
  ASSERT_TRUE(env.Started());

  const ProgramResult result =
      RunClient({"close", "write", "v", "01", "1", "open-null", "write", "v", "01", "1", "close"});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Lines(result.out), (std::vector<std::string>{"CloseReg=1", "WriteBinReg=1", "OpenReg=1",
                                                         "WriteBinReg=1", "CloseReg=1"}));
  EXPECT_FALSE(AnyHiveWritten(env.RegistryDir()));
}

// A store that cannot be written (its folder would have to be made inside a file): the
// caller still gets 1 from every call, and nothing is printed.
TEST(TirnashLibrary, RegistryFailuresStayInvisible) {
  testsupport::IsolatedFolders folders;
  const auto blocker = folders.Root() / "plain-file";
  std::ofstream(blocker) << "not a folder";
  testsupport::ScopedEnv registry("QUORVEL_REGISTRY_DIR", (blocker / "registry").string());

  const ProgramResult result =
      RunClient({"open", kTestKey, "write", "v", "01 02", "2", "close"});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Lines(result.out), (std::vector<std::string>{"OpenReg=1", "WriteBinReg=1", "CloseReg=1"}));
  EXPECT_EQ(result.err, "");
}

TEST(TirnashLibrary, UnloadingClosesTheCurrentKey) {
  AdapterEnvironment env(AdapterOn("", {}));
  ASSERT_TRUE(env.Started());

  const ProgramResult result =
      RunClient({"open", kTestKey, "write", "before", "01", "1", "reload", "write", "after", "02", "1"});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(StoredBinary("before"), (std::vector<std::uint8_t>{0x01}));
  EXPECT_EQ(StoredBinary("after"), std::nullopt);  // the reloaded library starts without a key
}

TEST(TirnashLibrary, TirnashportTakesACommandPromptAsTheAdapter) {
  sim::Options options = AdapterOn("COM1", {115200});
  options.promptOnly = true;
  AdapterEnvironment env(options);
  ASSERT_TRUE(env.Started());

  const ProgramResult result = RunClient({"port"});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Tirnashport=1\n");
}

TEST(TirnashLibrary, SlowTirnashportScansInOrderAndStoresNothing) {  // 6 x 1.5 s
  AdapterEnvironment env(AdapterOn("COM3", {230400}));
  ASSERT_TRUE(env.Started());

  const ProgramResult result = RunClient({"port"});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Tirnashport=3\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(env.Probes(), (std::vector<PortAndSpeed>{{"COM1", 115200},
                                                     {"COM2", 115200},
                                                     {"COM3", 115200},
                                                     {"COM4", 115200},
                                                     {"COM1", 230400},
                                                     {"COM2", 230400},
                                                     {"COM3", 230400}}));
  EXPECT_TRUE(env.LinesWith("AT$AODI").empty());
  EXPECT_FALSE(AnyHiveWritten(env.RegistryDir()));
}

TEST(TirnashLibrary, SlowTirnashportNeverScans57600) {  // 8 x 1.5 s
  AdapterEnvironment env(AdapterOn("COM1", {57600}));
  ASSERT_TRUE(env.Started());

  const ProgramResult result = RunClient({"port"});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Tirnashport=0\n");
  std::vector<PortAndSpeed> scan;
  for (std::uint32_t speed : {115200u, 230400u}) {
    for (const char* port : {"COM1", "COM2", "COM3", "COM4"}) scan.push_back({port, speed});
  }
  EXPECT_EQ(env.Probes(), scan);
  EXPECT_TRUE(env.LinesWith("AT$AODI").empty());
}

}  // namespace
