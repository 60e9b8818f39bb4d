// WritePortSettings against the simulated adapter, byte-exact from its log.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/datacomm/box_left_open_notifier.h"
#include "phone_sim_fixture.h"
#include "platform/serial_port.h"

namespace {

using namespace std::chrono_literals;
using phonetest::PhoneSimTest;
using phonetest::Sample;

constexpr const char* kSamplePort2 =
    "AT#ICFB=0101234567\r\n"
    "AT#ICFNB=15\r\n"
    "AT#ZB=5551234\r\n"
    "AT#GB=0\r\n"
    "AT#HB=12\r\n"
    "AT#OB=0\r\n"
    "AT#PB=1\r\n"
    "AT#WB=0\r\n"
    "AT#P=1\r\n"
    "AT&ZB=1\r\n"
    "AT%AB0=021111\r\n"
    "AT%AB1=\r\n"
    "AT%AB2=\r\n"
    "AT%AB3=0512345678\r\n"
    "AT%AB4=\r\n"
    "AT%AB5=\r\n"
    "AT%AB6=\r\n"
    "AT%AB7=\r\n"
    "AT%AB8=\r\n"
    "AT%AB9=\r\n"
    "AT#SB=1\r\n"
    "AT%SB0=\r\n"
    "AT%SB1=\r\n"
    "AT%SB2=\r\n"
    "AT%SB3=\r\n"
    "AT%SB4=\r\n"
    "AT%SB5=\r\n"
    "AT%SB6=\r\n"
    "AT%SB7=\r\n"
    "AT%SB8=\r\n"
    "AT%SB9=0319999\r\n"
    "AT#YB=1\r\n"
    "AT#TB=1\r\n"
    "AT#CB=0\r\n"
    "AT#AB=2\r\n"
    "AT#TCB=1\r\n"
    "AT#SCB=0\r\n"
    "AT#SPB=0\r\n"
    "AT#EODB=2\r\n"
    "AT#IYB=0\r\n"
    "ATW\r";

constexpr const char* kInitialPort1 =
    "AT#ICFA=\r\n"
    "AT#ICFNA=0\r\n"
    "AT#ZA=\r\n"
    "AT#GA=1\r\n"
    "AT#HA=\r\n"
    "AT#OA=1\r\n"
    "AT#PA=0\r\n"
    "AT#WA=1\r\n"
    "AT#P=0\r\n"
    "AT&ZA=0\r\n"
    "AT%AA0=\r\n"
    "AT%AA1=\r\n"
    "AT%AA2=\r\n"
    "AT%AA3=\r\n"
    "AT%AA4=\r\n"
    "AT%AA5=\r\n"
    "AT%AA6=\r\n"
    "AT%AA7=\r\n"
    "AT%AA8=\r\n"
    "AT%AA9=\r\n"
    "AT#SA=0\r\n"
    "AT%SA0=\r\n"
    "AT%SA1=\r\n"
    "AT%SA2=\r\n"
    "AT%SA3=\r\n"
    "AT%SA4=\r\n"
    "AT%SA5=\r\n"
    "AT%SA6=\r\n"
    "AT%SA7=\r\n"
    "AT%SA8=\r\n"
    "AT%SA9=\r\n"
    "AT#YA=0\r\n"
    "AT#TA=0\r\n"
    "AT#CA=0\r\n"
    "AT#AA=0\r\n"
    "AT#TCA=0\r\n"
    "AT#SCA=0\r\n"
    "AT#SPA=1\r\n"
    "AT#EODA=0\r\n"
    "AT#IYA=0\r\n"
    "ATW\r";

TEST_F(PhoneSimTest, Port2SendsTheFortyOneLinesWithB) {
  Start();
  ASSERT_TRUE(page->WritePortSettings(2, Sample(), 1));
  EXPECT_EQ(Sent(), kSamplePort2);
  EXPECT_EQ(adapter->Commands().size(), 41u);
  EXPECT_EQ(adapter->Setting("AT%AB3"), "0512345678");
  EXPECT_EQ(adapter->Setting("AT#P"), "1");
  EXPECT_EQ(adapter->StoreCount(), 1);
  EXPECT_FALSE(page->Link().IsOpen());
  EXPECT_EQ(notifier.Count(), 0u);
}

TEST_F(PhoneSimTest, Port1WithInitialValuesSendsEmptyFormsWithA) {
  Start();
  PhonePortSettings record;
  record.forwardWaitText.clear();  // an empty wait text goes out as 0
  ASSERT_TRUE(page->WritePortSettings(1, record, 0));
  EXPECT_EQ(Sent(), kInitialPort1);
}

TEST_F(PhoneSimTest, BoxesOffSendNumbersEmptyAndCallWaitingZero) {
  Start();
  adapter->SetSetting("AT#ZA", "999");
  adapter->SetSetting("AT#HA", "88");
  PhonePortSettings record = Sample();
  record.multipleNumberOn = 0;  // the numbers are still stored in the record
  record.subNumberOn = 0;
  record.callWaitingOn = 0;     // whatever the mode holds
  ASSERT_TRUE(page->WritePortSettings(1, record, 0));
  const std::string sent = Sent();
  EXPECT_NE(sent.find("\r\nAT#ZA=\r\nAT#GA=0\r\nAT#HA=\r\n"), std::string::npos) << sent;
  EXPECT_NE(sent.find("\r\nAT#AA=0\r\n"), std::string::npos) << sent;
  EXPECT_NE(sent.find("\r\nAT%AA3=0512345678\r\n"), std::string::npos) << sent;
  EXPECT_EQ(adapter->Setting("AT#ZA"), "");
  EXPECT_EQ(adapter->Setting("AT#HA"), "");
  EXPECT_EQ(adapter->Setting("AT#AA"), "0");
}

TEST_F(PhoneSimTest, WaitsForEachAcknowledgementBeforeTheNextLine) {
  sim::Options options;
  options.replyDelay = 15ms;
  options.splitReplies = 3;  // "\r\nO" then "K\r\n"
  options.splitGap = 5ms;
  Start(options);
  ASSERT_TRUE(page->WritePortSettings(2, Sample(), 1));
  EXPECT_EQ(Sent(), kSamplePort2);
  const auto log = adapter->Log();
  ASSERT_EQ(log.size(), 41u);
  for (std::size_t i = 1; i < log.size(); ++i) {
    EXPECT_GE(log[i].at - log[i - 1].at, 15ms) << log[i].bytes;
  }
}

TEST_F(PhoneSimTest, ErrorReplyShowsTheErrorBoxAndTheWriteGoesOn) {
  sim::Options options;
  options.errorCommands = {"AT#YB"};
  Start(options);
  ASSERT_TRUE(page->WritePortSettings(2, Sample(), 1));
  EXPECT_EQ(Sent(), kSamplePort2);
  EXPECT_EQ(adapter->StoreCount(), 1);
  const auto messages = notifier.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Error");
  EXPECT_EQ(messages[0].text, "\r\nERROR\r\n");
  EXPECT_EQ(messages[0].icon, platform::MessageIcon::None);
}

// Pays the 1000 ms wait of one list entry.
TEST_F(PhoneSimTest, SlowTimeOutAtSpeedDial7StopsEverything) {
  sim::Options options;
  options.silentCommands = {"AT%AB7"};
  Start(options);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(page->WritePortSettings(2, Sample(), 1));
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_GE(elapsed, 1000ms);
  EXPECT_LT(elapsed, 3000ms);

  const std::string sent = Sent();
  EXPECT_TRUE(sent.ends_with("\r\nAT%AB6=\r\nAT%AB7=\r\n")) << sent;
  EXPECT_EQ(sent, std::string(kSamplePort2).substr(0, sent.size()));
  EXPECT_EQ(adapter->Commands().size(), 18u);
  EXPECT_EQ(sent.find("ATW"), std::string::npos);
  EXPECT_EQ(adapter->StoreCount(), 0);
  const auto messages = notifier.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Quorvel Program");
  EXPECT_EQ(messages[0].text, "11.TA에 쓸수가 없습니다.");
  EXPECT_EQ(messages[0].icon, platform::MessageIcon::Warning);
  EXPECT_FALSE(page->Link().IsOpen());

  // The next write opens the port anew and goes through whole.
  adapter->SetOptions({});
  adapter->ClearLog();
  notifier.Clear();
  ASSERT_TRUE(page->WritePortSettings(2, Sample(), 1));
  EXPECT_EQ(Sent(), kSamplePort2);
  EXPECT_EQ(notifier.Count(), 0u);
}

// An "Error" box still open when the wait gives up is closed with the link, and the
// link then signals the page's event after all. That late signal must not acknowledge
// the first line of the next write. Pays two 1000 ms waits.
TEST_F(PhoneSimTest, SlowLateErrorAcknowledgementDoesNotAnswerTheNextWrite) {
  sim::Options options;
  options.errorCommands = {"AT#ICFB"};
  Start(options);
  {
    testsupport::BoxLeftOpenNotifier userAway;
    EXPECT_FALSE(page->WritePortSettings(2, Sample(), 1));
    const auto messages = userAway.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[1].text, "2.TA에 쓸 수가 없습니다.");
  }
  adapter->SetOptions([] {
    sim::Options silent;
    silent.silentCommands = {"AT#ICFB"};
    return silent;
  }());
  adapter->ClearLog();
  notifier.Clear();
  EXPECT_FALSE(page->WritePortSettings(2, Sample(), 1));
  EXPECT_EQ(Sent(), "AT#ICFB=0101234567\r\n");
  ASSERT_EQ(notifier.Count(), 1u);
  EXPECT_EQ(notifier.Messages()[0].text, "2.TA에 쓸 수가 없습니다.");
}

TEST_F(PhoneSimTest, NoPortChosenSendsNothing) {
  Start();
  currentPort = 0;
  EXPECT_FALSE(page->WritePortSettings(1, Sample(), 0));
  EXPECT_EQ(Sent(), "");
  ASSERT_EQ(notifier.Count(), 1u);
  EXPECT_EQ(notifier.Messages()[0].text, "포트가 정해져 있지 않습니다.");
}

TEST_F(PhoneSimTest, BusyPortCannotBeOpened) {
  Start();
  platform::SerialPort holder;
  ASSERT_EQ(holder.Open(adapter->SlavePath("COM1"), 115200), platform::OpenResult::Opened);
  EXPECT_FALSE(page->WritePortSettings(1, Sample(), 0));
  holder.Close();
  EXPECT_EQ(Sent(), "");
  ASSERT_EQ(notifier.Count(), 1u);
  EXPECT_EQ(notifier.Messages()[0].text, "포트가 이미 열려 있거나 올바르지 않습니다.");
}

TEST_F(PhoneSimTest, LineSettingsRefusedIsStep1) {
  Start();
  const auto notATerminal = folders.Root() / "plain-file";
  std::ofstream(notATerminal) << "";
  std::filesystem::remove(folders.PortsDir() / "COM2");
  folders.LinkPort("COM2", notATerminal);
  currentPort = 2;
  EXPECT_FALSE(page->WritePortSettings(1, Sample(), 0));
  EXPECT_FALSE(page->Link().IsOpen());
  ASSERT_EQ(notifier.Count(), 1u);
  EXPECT_EQ(notifier.Messages()[0].text, "1.TA에 쓸 수가 없습니다.");
  std::ifstream file(notATerminal);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "");
}

TEST_F(PhoneSimTest, OverlongNumberIsRefusedBeforeAnythingIsSent) {
  Start();
  PhonePortSettings record = Sample();
  record.speedDial[2] = std::string(60, '5');
  EXPECT_FALSE(page->WritePortSettings(2, record, 0));
  EXPECT_EQ(Sent(), "");
  EXPECT_FALSE(page->Link().IsOpen());
  ASSERT_EQ(notifier.Count(), 1u);
  EXPECT_EQ(notifier.Messages()[0].text,
            "번호가 너무 길거나 올바르지 않아 TA에 쓸 수가 없습니다. (speedDial[2])");
}

}  // namespace
