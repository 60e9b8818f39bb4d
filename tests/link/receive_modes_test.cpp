// The receive modes with exact control of the chunks: the test is the far end of a
// pseudo-terminal line and decides what arrives in which read.
#include <gtest/gtest.h>

#include <cstring>

#include "app/registry/port_settings.h"
#include "far_end.h"
#include "tests/support/test_support.h"
#include "link/comm_link.h"

namespace {

using namespace linktest;

struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
    return tested.param.name;
  }
};

class ReceiveModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line.IsOpen());
    ports.LinkPort("COM1", line.SlavePath());
    currentPort = 1;
    currentSpeed = 115200;
    aodiCapable = 0;
    monitorLineLength = 0;
    std::memset(monitorLine, 0, sizeof monitorLine);
    link.SetOwner(&owner);
  }
  void TearDown() override { link.Close(); }

  void OpenLink(std::int32_t mode) {
    link.SetReceiveMode(mode);
    link.Configure(1, 115200, 8, 0, 0);
    link.CreateEvents();
    ASSERT_EQ(link.Open(), 1);
  }

  // Sends each chunk as a read of its own: before the next one goes out, the reader has
  // taken the last (seen in pendingReply where the mode collects, else by pausing).
  void SendChunks(const std::vector<std::string>& chunks, bool collects) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      ASSERT_TRUE(line.Send(chunks[i]));
      total += chunks[i].size();
      if (i + 1 == chunks.size()) break;
      if (collects) {
        ASSERT_TRUE(WaitUntil([&] { return link.PendingReply().size() == total; }));
      } else {
        std::this_thread::sleep_for(100ms);
      }
    }
  }

  // Far end that answers the next command line with `chunks`.
  std::jthread Answer(std::vector<std::string> chunks, std::string& command) {
    return std::jthread([this, chunks, &command] {
      command = line.ReceiveLine();
      SendChunks(chunks, true);
    });
  }

  testsupport::IsolatedFolders ports;
  FarEnd line;
  RecordingOwner owner;
  CCommLink link;
};

// Modes 1, 2 and 3: delivery into the owner's reply string and completion event.
struct OwnerReplyCase {
  const char* name;
  std::int32_t mode;
  std::int32_t aodi;
  std::vector<std::string> chunks;
  OwnerKind kind;
  std::string reply;
  bool errorBox;
};

class OwnerReplyModes : public ReceiveModeTest,
                        public ::testing::WithParamInterface<OwnerReplyCase> {};

TEST_P(OwnerReplyModes, DeliversCompleteReplyToTheRightOwner) {
  const OwnerReplyCase& c = GetParam();
  testsupport::RecordingNotifier notifier;
  aodiCapable = c.aodi;
  OpenLink(c.mode);
  SendChunks(c.chunks, c.mode != kModeDot);

  ASSERT_TRUE(owner.Of(c.kind).done.Wait(2000ms));
  EXPECT_EQ(owner.Of(c.kind).reply, c.reply);
  EXPECT_EQ(link.PendingReply(), "");
  for (OwnerKind other : {OwnerKind::PhonePage, OwnerKind::DataCommAodi,
                          OwnerKind::DataCommMlppp, OwnerKind::Monitor}) {
    if (other == c.kind) continue;
    EXPECT_EQ(owner.Of(other).reply, "");
    EXPECT_FALSE(owner.Of(other).done.TryConsume());
  }
  const auto shown = notifier.Messages();
  if (c.errorBox) {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_EQ(shown[0].text, c.reply);
    EXPECT_EQ(shown[0].icon, platform::MessageIcon::None);
  } else {
    EXPECT_TRUE(shown.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, OwnerReplyModes,
    ::testing::Values(
        OwnerReplyCase{"OkSplitOverTwoReads", 1, 0, {"\r\nO", "K\r\n"},
                       OwnerKind::PhonePage, "\r\nOK\r\n", false},
        OwnerReplyCase{"ErrorCompletesWithTheBox", 1, 0, {"\r\nERROR\r\n"},
                       OwnerKind::PhonePage, "\r\nERROR\r\n", true},
        OwnerReplyCase{"ErrorAndOkCountAsOk", 1, 0, {"\r\nERROR\r\nOK\r\n"},
                       OwnerKind::PhonePage, "\r\nERROR\r\nOK\r\n", false},
        OwnerReplyCase{"ErrorSplitOverTwoReads", 2, 1, {"AT$HFML=9\r\r\nERR", "OR\r\n"},
                       OwnerKind::DataCommAodi, "AT$HFML=9\r\r\nERROR\r\n", true},
        OwnerReplyCase{"Mode2AodiDialog", 2, 1, {"\r\nOK\r\n"},
                       OwnerKind::DataCommAodi, "\r\nOK\r\n", false},
        OwnerReplyCase{"Mode2MlpppDialog", 2, 0, {"\r\nOK\r\n"},
                       OwnerKind::DataCommMlppp, "\r\nOK\r\n", false},
        OwnerReplyCase{"Mode3ChunkWithDotDelivered", 3, 0, {"12."},
                       OwnerKind::Monitor, "12.", false},
        OwnerReplyCase{"Mode3ChunkWithoutDotDropped", 3, 0, {"12", "."},
                       OwnerKind::Monitor, ".", false}),
    CaseName());

TEST_F(ReceiveModeTest, IncompleteReplyKeepsCollecting) {
  testsupport::RecordingNotifier notifier;
  OpenLink(kModePhoneWrite);
  SendChunks({"AT#ICFA=1\r", "\r\n"}, true);
  EXPECT_FALSE(owner.Of(OwnerKind::PhonePage).done.Wait(100ms));
  EXPECT_EQ(link.PendingReply(), "AT#ICFA=1\r\r\n");
}

// The reply is handed over only once the user has closed the box, so the owner's next
// command never goes out while the box still shows the last one's error.
TEST_F(ReceiveModeTest, ErrorReplyIsDeliveredAfterTheBoxIsClosed) {
  testsupport::RecordingNotifier notifier(/*autoDismiss=*/300ms);
  OpenLink(kModePhoneWrite);
  const auto start = Clock::now();
  ASSERT_TRUE(line.Send("\r\nERROR\r\n"));
  ASSERT_TRUE(notifier.WaitForCount(1, 3000ms));
  auto& page = owner.Of(OwnerKind::PhonePage);
  EXPECT_FALSE(page.done.Wait(100ms)) << "delivered while the box is up";
  ASSERT_TRUE(page.done.Wait(2000ms));
  EXPECT_GE(Clock::now() - start, 300ms);
  EXPECT_EQ(page.reply, "\r\nERROR\r\n");
}

TEST_F(ReceiveModeTest, ErrorBoxHeldByTheUserNeverBlocksAClose) {
  testsupport::RecordingNotifier notifier(/*autoDismiss=*/60s);  // a user who is away
  OpenLink(kModePhoneWrite);
  ASSERT_TRUE(line.Send("\r\nERROR\r\n"));
  ASSERT_TRUE(notifier.WaitForCount(1, 3000ms));
  const auto start = Clock::now();
  link.Close();
  EXPECT_LT(Clock::now() - start, 500ms);
}

TEST_F(ReceiveModeTest, LinkWithoutOwnerDeliversNothing) {
  link.SetOwner(nullptr);
  OpenLink(kModePhoneWrite);
  SendChunks({"OK\r\n"}, true);
  ASSERT_TRUE(WaitUntil([&] { return link.PendingReply().empty(); }));
  link.SetReceiveMode(kModeConsole);
  SendChunks({"Download\r\n"}, false);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(owner.Of(OwnerKind::PhonePage).reply, "");
  EXPECT_EQ(owner.ConsoleCallCount(), 0u);
}

// Mode 4: text streams to the console; the download announcement's LF is handed over
// on its own.
struct ConsoleCase {
  const char* name;
  std::vector<std::string> chunks;
  std::vector<std::string> calls;
  std::int32_t lineLength;
};

class ConsoleMode : public ReceiveModeTest, public ::testing::WithParamInterface<ConsoleCase> {};

TEST_P(ConsoleMode, HandsTextOverPerChunkAndSpotsTheDownloadLine) {
  const ConsoleCase& c = GetParam();
  OpenLink(kModeConsole);
  for (const auto& chunk : c.chunks) {
    const std::size_t before = owner.ConsoleCallCount();
    ASSERT_TRUE(line.Send(chunk));
    ASSERT_TRUE(WaitUntil([&] { return owner.ConsoleCallCount() > before; }));
  }
  ASSERT_TRUE(WaitUntil([&] { return owner.ConsoleCallCount() >= c.calls.size(); }));
  std::this_thread::sleep_for(30ms);
  link.Close();
  EXPECT_EQ(owner.ConsoleCalls(), c.calls);
  EXPECT_EQ(monitorLineLength, c.lineLength);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConsoleMode,
    ::testing::Values(
        ConsoleCase{"DownloadDropsTheRestOfTheChunk", {"Download\r\nrest of chunk"},
                    {"T:Download\r", "D"}, 0},
        ConsoleCase{"CDownload", {"C_Download\r\nrest"}, {"T:C_Download\r", "D"}, 0},
        ConsoleCase{"TextBeforeTheAnnouncement", {"boot\r\nDownload\r\nxyz"},
                    {"T:boot\r\nDownload\r", "D"}, 0},
        ConsoleCase{"FourteenCharacterLineIsText", {"Download123456\r\nnext"},
                    {"T:Download123456\r\nnext"}, 4},
        ConsoleCase{"ElevenCharactersStillTrigger", {"Download12\r\n"},
                    {"T:Download12\r", "D"}, 0},
        ConsoleCase{"TwelveCharactersDoNot", {"Download123\r\n"}, {"T:Download123\r\n"}, 0},
        ConsoleCase{"TriggerLfAloneInItsChunk", {"Download\r", "\nafter"},
                    {"T:Download\r", "D"}, 0},
        ConsoleCase{"AnnouncementSplitOverReads", {"Dow", "nload\r\n"},
                    {"T:Dow", "T:nload\r", "D"}, 0},
        ConsoleCase{"NextLineStartsFromZeroAfterATrigger", {"Download\r\n", "Download\r\n"},
                    {"T:Download\r", "D", "T:Download\r", "D"}, 0},
        ConsoleCase{"LongLineResetByItsLf", {"ABCDEFGHIJKLMNOPQRST", "\nDownload\r\n"},
                    {"T:ABCDEFGHIJKLMNOPQRST", "T:\nDownload\r", "D"}, 0},
        ConsoleCase{"LeftoverOfALongerLineCompletesNoPrefix",
                    {"C_Download12345\r\n", "C_Downloa\n"},
                    {"T:C_Download12345\r\n", "T:C_Downloa\n"}, 0}),
    CaseName());

// The collector belongs to the reader; it is looked at here only with the link closed.
TEST_F(ReceiveModeTest, ConsoleCollectsTheFirstFourteenCharactersOfALongLine) {
  OpenLink(kModeConsole);
  ASSERT_TRUE(line.Send("ABCDEFGHIJKLMNOPQRST"));
  ASSERT_TRUE(WaitUntil([&] { return owner.ConsoleCallCount() == 1; }));
  link.Close();
  EXPECT_EQ(monitorLineLength, 20);
  EXPECT_EQ(std::string(monitorLine, kMonitorLineSize), "ABCDEFGHIJKLMN");
  OpenLink(kModeConsole);
  ASSERT_TRUE(line.Send("\n"));
  ASSERT_TRUE(WaitUntil([&] { return owner.ConsoleCallCount() == 2; }));
  link.Close();
  EXPECT_EQ(monitorLineLength, 0);
}

// Mode 5 through the probe.
struct ProbeCase {
  const char* name;
  std::vector<std::string> chunks;
  bool found;
};

class ProbeMode : public ReceiveModeTest, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeMode, RecognisesTheAnswerInAnyCase) {
  const ProbeCase& c = GetParam();
  OpenLink(kModeProbe);
  std::string command;
  {
    auto farEnd = Answer(c.chunks, command);
    EXPECT_EQ(link.Probe(c.found ? 2000ms : 300ms), c.found);
  }
  EXPECT_EQ(command, "\rAT*MRNIX\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ProbeMode,
    ::testing::Values(ProbeCase{"UpperCase", {"\r\nMRNIX ISDN TA\r\n", "OK\r\n"}, true},
                      ProbeCase{"LowerCase", {"at*mrnix\r\nmrnix\r\n", "ok\r\n"}, true},
                      ProbeCase{"MixedCaseSplit", {"\r\nMrNi", "x\r\nO", "k\r\n"}, true},
                      ProbeCase{"PromptAlone", {"COMMAND>"}, true},
                      ProbeCase{"PromptLowerCase", {"\r\ncommand>"}, true},
                      ProbeCase{"NameWithoutOk", {"\r\nMRNIX\r\n"}, false},
                      ProbeCase{"OkWithoutName", {"\r\nOK\r\n"}, false}),
    CaseName());

TEST_F(ReceiveModeTest, ProbeDiscardsAnAnswerThatCameBeforeIt) {
  OpenLink(kModeProbe);
  ASSERT_TRUE(line.Send("COMMAND>"));
  std::this_thread::sleep_for(100ms);  // recognised and signalled, nobody waiting
  EXPECT_FALSE(link.Probe(200ms));
  EXPECT_EQ(line.Receive(), "\rAT*MRNIX\r\n");
}

// Modes 6 and 7 through the read-out.
struct ReadOutCase {
  const char* name;
  std::int32_t mode;
  std::int32_t aodi;
  OwnerKind kind;
};

class ReadOutMode : public ReceiveModeTest, public ::testing::WithParamInterface<ReadOutCase> {};

TEST_P(ReadOutMode, FillsTheReceiveBufferOfTheRightOwner) {
  const ReadOutCase& c = GetParam();
  aodiCapable = c.aodi;
  const std::string reply = "AT$OUTCUR\r\nAT$ATHP=1\r\n34567\r\nO";
  std::string command;
  int result = 0;
  {
    auto farEnd = Answer({reply, "K\r\n"}, command);
    result = link.ReadOut(c.mode);
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(command, "\rAT$OUTCUR\r\n");
  EXPECT_FALSE(link.IsOpen());
  EXPECT_STREQ(owner.Of(c.kind).readOut.data(), (reply + "K\r\n").c_str());
  for (OwnerKind other : {OwnerKind::PhonePage, OwnerKind::DataCommAodi,
                          OwnerKind::DataCommMlppp, OwnerKind::Monitor}) {
    if (other != c.kind) {
      EXPECT_EQ(owner.Of(other).readOut[0], '#');
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Owners, ReadOutMode,
    ::testing::Values(ReadOutCase{"PhonePage", 6, 1, OwnerKind::PhonePage},
                      ReadOutCase{"AodiDialog", 7, 1, OwnerKind::DataCommAodi},
                      ReadOutCase{"MlpppDialog", 7, 0, OwnerKind::DataCommMlppp}),
    CaseName());

TEST_F(ReceiveModeTest, OversizedReadOutIsCutAtTheBuffer) {
  const std::string reply = std::string(5000, 'x') + "\r\nOK\r\n";
  std::string command;
  int result = 0;
  {
    auto farEnd = Answer({reply}, command);
    result = link.ReadOut(kModePhoneReadOut);
  }
  EXPECT_EQ(result, 1);
  const auto& kind = owner.Of(OwnerKind::PhonePage);
  EXPECT_EQ(std::strlen(kind.readOut.data()), kReceiveBufferSize - 1);
  EXPECT_EQ(std::string(kind.readOut.data()), reply.substr(0, kReceiveBufferSize - 1));
  for (char c : kind.canary) EXPECT_EQ(c, '\0');
}

// A read-out that completed after its wait had given up leaves the event signalled; the
// next read-out must wait for its own reply, not return at once with the old buffer.
TEST_F(ReceiveModeTest, ReadOutIgnoresASignalLeftByALateReply) {
  OpenLink(kModePhoneReadOut);
  SendChunks({"old\r\n", "OK\r\n"}, true);
  ASSERT_TRUE(WaitUntil([&] { return link.PendingReply().empty(); }));  // delivered
  link.Close();
  auto& page = owner.Of(OwnerKind::PhonePage);
  ASSERT_STREQ(page.readOut.data(), "old\r\nOK\r\n");

  std::string command;
  int result = 0;
  {
    auto farEnd = Answer({"new\r\nOK\r\n"}, command);
    result = link.ReadOut(kModePhoneReadOut);
  }
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(page.readOut.data(), "new\r\nOK\r\n");
}

// Mode 8 through the AODI query.
struct AodiCase {
  const char* name;
  std::int32_t before;
  std::vector<std::string> chunks;
  std::int32_t after;
};

class AodiMode : public ReceiveModeTest, public ::testing::WithParamInterface<AodiCase> {};

TEST_P(AodiMode, SetsTheFlagFromTheAnswer) {
  const AodiCase& c = GetParam();
  OpenLink(kModeProbe);
  aodiCapable = c.before;
  std::string command;
  {
    auto farEnd = Answer(c.chunks, command);
    const auto start = Clock::now();
    link.QueryAodi();
    EXPECT_LT(Clock::now() - start, 1000ms) << "answered, so no time-out";
  }
  EXPECT_EQ(command, "AT$AODI\r\n");
  EXPECT_EQ(aodiCapable.load(), c.after);
  EXPECT_EQ(link.PendingReply(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AodiMode,
    ::testing::Values(AodiCase{"Ok", 0, {"AT$AODI\r\r\nOK\r\n"}, 1},
                      AodiCase{"Error", 1, {"AT$AODI\r\r\nERROR\r\n"}, 0},
                      AodiCase{"ErrorSplit", 1, {"\r\nER", "ROR\r\n"}, 0},
                      AodiCase{"ErrorAndOkCountAsOk", 0, {"\r\nERROR\r\nOK\r\n"}, 1}),
    CaseName());

}  // namespace
