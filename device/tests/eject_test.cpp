#include "device/eject.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

struct Answer {
  std::uint32_t code;
  std::uint32_t vetoType;
  bool writesVetoType = true;   // Windows fills it only when the request fails
};

class FakePort : public EjectPort {
 public:
  bool parentFound = true;
  std::deque<Answer> answers;
  std::u16string location;   // written when not empty, as the property read does
  std::uint32_t locationLimit = 0;

  std::vector<std::string> calls;
  std::vector<std::uint32_t> vetoTypesSeen;

  bool GetParent(std::uint32_t devInst, std::uint32_t& parent) override {
    calls.push_back("parent");
    parent = devInst + 1;
    return parentFound;
  }
  std::uint32_t RequestEject(std::uint32_t parent, std::uint32_t& vetoType) override {
    calls.push_back("eject " + std::to_string(parent));
    vetoTypesSeen.push_back(vetoType);
    if (answers.empty()) ADD_FAILURE() << "more attempts than expected";
    const Answer a = answers.empty() ? Answer{kCrSuccess, 0} : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (a.writesVetoType) vetoType = a.vetoType;
    return a.code;
  }
  void ReadLocation(std::uint32_t parent, char16_t* name, std::uint32_t bytes) override {
    calls.push_back("location " + std::to_string(parent));
    locationLimit = bytes;
    const std::size_t chars = bytes / sizeof(char16_t);
    for (std::size_t i = 0; i < location.size() && i < chars; ++i) name[i] = location[i];
    if (location.size() < chars && !location.empty()) name[location.size()] = 0;
  }
  void Pause(std::uint32_t ms) override { calls.push_back("pause " + std::to_string(ms)); }
};

ScannerRecord Scanner() {
  ScannerRecord record;
  record.devInfo.DevInst = 40;
  record.serialNumber = 1234;
  record.productionDate.wDay = 15;
  record.productionDate.wMonth = 3;
  record.productionDate.wYear = 2014;
  record.drive[0] = u'E';
  record.drive[1] = u':';
  return record;
}

const std::vector<std::string> kThreeRefusals = {"parent",   "eject 41", "pause 500", "eject 41", "pause 500",
                                                 "eject 41", "pause 500", "location 41"};

// The outcome but its message's text: the result, the attempts, the last
// answer and veto type, and whether a box is to be shown.
std::string Summary(const EjectOutcome& outcome) {
  return std::string(outcome.result == kEjectDone ? "done" : "failed") + " after " +
         std::to_string(outcome.attempts) + ", last " + std::to_string(outcome.lastCode) + "/" +
         std::to_string(outcome.lastVeto) + (outcome.message.empty() ? "" : ", box");
}

TEST(EjectScanner, EjectedAtFirstAttempt) {
  FakePort port;
  port.answers = {{kCrSuccess, 0}};
  EXPECT_EQ(Summary(EjectScannerWith(Scanner(), port)), "done after 1, last 0/0");
  EXPECT_EQ(port.calls, (std::vector<std::string>{"parent", "eject 41"}));
  EXPECT_EQ(port.vetoTypesSeen, std::vector<std::uint32_t>{0});
}

TEST(EjectScanner, NoParentNoAttempt) {
  FakePort port;
  port.parentFound = false;
  EXPECT_EQ(Summary(EjectScannerWith(Scanner(), port)), "failed after 0, last 0/0");
  EXPECT_EQ(port.calls, std::vector<std::string>{"parent"});
}

TEST(EjectScanner, ThreeVetoesThenMessage) {
  FakePort port;
  port.answers = {{kCrRemoveVetoed, 6}, {kCrRemoveVetoed, 6}, {kCrRemoveVetoed, 6}};
  const EjectOutcome outcome = EjectScannerWith(Scanner(), port);
  EXPECT_EQ(Summary(outcome), "failed after 3, last 23/6, box");
  EXPECT_EQ(port.calls, kThreeRefusals);
  EXPECT_EQ(port.locationLimit, 100u);
  EXPECT_EQ(outcome.message,
            u"Невозможно отключить тестер.\nСерийный номер: 1234\nДата производства: 15.03.2014\n"
            u"Подключенный диск E: используется другим приложением!");
  EXPECT_EQ(std::u16string(kEjectCaption), u"Ошибка отключения от порта USB");
}

TEST(EjectScanner, SuccessWithVetoTypeIsARefusal) {
  FakePort port;
  port.answers = {{kCrSuccess, 3}, {kCrSuccess, 0}};
  EXPECT_EQ(Summary(EjectScannerWith(Scanner(), port)), "done after 2, last 0/0");
  EXPECT_EQ(port.calls, (std::vector<std::string>{"parent", "eject 41", "pause 500", "eject 41"}));

  FakePort refused;
  refused.answers = {{kCrSuccess, 3}, {kCrRemoveVetoed, 6}, {kCrSuccess, 1}};
  EXPECT_EQ(Summary(EjectScannerWith(Scanner(), refused)), "failed after 3, last 0/1, box");
  EXPECT_EQ(refused.calls, kThreeRefusals);
}

TEST(EjectScanner, SuccessAfterARefusalIsNotTakenForOne) {
  FakePort port;
  port.answers = {{kCrRemoveVetoed, 6}, {kCrSuccess, 0, false}};
  EXPECT_EQ(Summary(EjectScannerWith(Scanner(), port)), "done after 2, last 0/0");
  EXPECT_EQ(port.calls, (std::vector<std::string>{"parent", "eject 41", "pause 500", "eject 41"}));
  EXPECT_EQ(port.vetoTypesSeen, (std::vector<std::uint32_t>{0, 0}));
}

TEST(EjectScanner, OtherCodeEndsAtOnceAsAFault) {
  FakePort port;
  port.answers = {{kCrRemoveVetoed, 6}, {0x33, 0}};
  EXPECT_EQ(Summary(EjectScannerWith(Scanner(), port)), "failed after 2, last 51/0");
  EXPECT_EQ(port.calls, (std::vector<std::string>{"parent", "eject 41", "pause 500", "eject 41"}));
}

TEST(EjectScanner, LocationTextNamesTheDevice) {
  FakePort port;
  port.answers = {{kCrRemoveVetoed, 6}, {kCrRemoveVetoed, 6}, {kCrRemoveVetoed, 6}};
  port.location = u"Port_#0002.Hub_#0004";
  EXPECT_EQ(EjectScannerWith(Scanner(), port).message.rfind(u"Невозможно отключить Port_#0002.Hub_#0004.\n", 0), 0u);
}

TEST(EjectScanner, LocationFillingTheByteLimitStaysTerminated) {
  FakePort port;
  port.answers = {{kCrRemoveVetoed, 6}, {kCrRemoveVetoed, 6}, {kCrRemoveVetoed, 6}};
  port.location = std::u16string(70, u'L');   // the read stops at 50 characters, unterminated
  EXPECT_EQ(EjectScannerWith(Scanner(), port).message.rfind(u"Невозможно отключить " + std::u16string(50, u'L') + u".\n", 0),
            0u);
}

TEST(EjectMessage, EmptyDriveAndSmallDate) {
  ScannerRecord record = Scanner();
  record.drive[0] = 0;
  record.productionDate = SystemTime{};
  record.productionDate.wDay = 5;
  record.productionDate.wMonth = 1;
  record.serialNumber = 0xFFFFFFFFu;
  EXPECT_EQ(FormatEjectMessage(u"тестер", record),
            u"Невозможно отключить тестер.\nСерийный номер: 4294967295\nДата производства: 05.01.00\n"
            u"Подключенный диск  используется другим приложением!");
}

TEST(EjectMessage, FaultText) {
  EXPECT_EQ(FormatEjectFault(0x1), "Eject fault: 0001\n");
  EXPECT_EQ(FormatEjectFault(0x2A), "Eject fault: 002A\n");
  EXPECT_EQ(FormatEjectFault(0x12345), "Eject fault: 12345\n");
  // Only an answer that is neither removal nor refusal is logged as a fault.
  EXPECT_TRUE(IsEjectFault(0x33));
  EXPECT_FALSE(IsEjectFault(kCrSuccess) || IsEjectFault(kCrRemoveVetoed));
}

}  // namespace
