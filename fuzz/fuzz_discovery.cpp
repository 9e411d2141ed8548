// Scanner discovery over whatever the system might report, decoded from a
// small line format so that seeds stay readable text:
//
//   i <number|-> <instance id>    a disk interface; the number is its device
//                                 number, "-" when it cannot be opened; the id
//                                 is the rest of the line, byte per code unit
//   f                             an interface whose detail cannot be read
//   e                             the end of the enumeration
//   r <root> <type> <number|->    a drive root ("~" for an empty one)
//   x                             the drive list cannot be read
//
// Other lines are ignored. The table afterwards is compared with the
// discovery rules worked through by hand below, and everything discovery
// must leave alone (stale records, the selected index) is checked for
// stray writes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/discovery.h"
#include "fuzz/fuzz_check.h"

namespace {

std::optional<std::uint32_t> Number(std::string_view word) {
  if (word == "-" || word.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;
  }
  return static_cast<std::uint32_t>(value);
}

std::u16string Widen(std::string_view bytes) {
  std::u16string out;
  for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

// Cuts the next space-delimited word off `rest`.
std::string_view Word(std::string_view& rest) {
  const std::size_t space = rest.find(' ');
  const std::string_view word = rest.substr(0, space);
  rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
  return word;
}

DiscoverySnapshot Decode(std::string_view input) {
  DiscoverySnapshot snapshot;
  std::uint32_t lineNumber = 0;
  while (!input.empty()) {
    const std::size_t newline = input.find('\n');
    std::string_view line = input.substr(0, newline);
    input = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    ++lineNumber;
    if (line.empty()) continue;
    const char kind = line[0];
    std::string_view rest = line.size() > 2 ? line.substr(2) : std::string_view();
    if (kind == 'i') {
      SnapshotInterface disk;
      disk.deviceNumber = Number(Word(rest));
      disk.instanceId = Widen(rest);
      disk.devInfo.cbSize = 32;
      disk.devInfo.ClassGuid.Data1 = 0x4D36E967u;
      disk.devInfo.ClassGuid.Data4[7] = static_cast<std::uint8_t>(lineNumber);
      disk.devInfo.DevInst = 0x1000u + lineNumber;
      disk.devInfo.Reserved = lineNumber;
      snapshot.interfaces.push_back(disk);
    } else if (kind == 'f' || kind == 'e') {
      SnapshotInterface disk;
      disk.status = kind == 'f' ? InterfaceRead::Failed : InterfaceRead::End;
      snapshot.interfaces.push_back(disk);
    } else if (kind == 'r') {
      SnapshotRoot root;
      const std::string_view text = Word(rest);
      root.root = text == "~" ? std::u16string() : Widen(text);
      root.type = Number(Word(rest)).value_or(0);
      root.deviceNumber = Number(Word(rest));
      snapshot.roots.push_back(root);
    } else if (kind == 'x') {
      snapshot.driveListReadable = false;
    }
  }
  return snapshot;
}

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

// The system answers by the first root with that text or letter.
const SnapshotRoot* RootByText(const DiscoverySnapshot& s, const std::u16string& text) {
  for (const SnapshotRoot& r : s.roots)
    if (r.root == text) return &r;
  return nullptr;
}

const SnapshotRoot* RootByLetter(const DiscoverySnapshot& s, char16_t letter) {
  for (const SnapshotRoot& r : s.roots)
    if (!r.root.empty() && r.root[0] == letter) return &r;
  return nullptr;
}

struct Expected {
  std::size_t interfaceIndex;
  std::u16string drive;
};

std::vector<Expected> Expect(const DiscoverySnapshot& s) {
  std::vector<Expected> found;
  for (std::size_t i = 0; i < s.interfaces.size() && found.size() < kMaxScanners; ++i) {
    const SnapshotInterface& disk = s.interfaces[i];
    if (disk.status != InterfaceRead::Read) break;
    if (!Contains(disk.instanceId, u"USBSTOR") || !Contains(disk.instanceId, u"SCANNER_ZOR")) continue;
    if (!disk.deviceNumber || !s.driveListReadable) continue;
    std::u16string drive;
    for (const SnapshotRoot& root : s.roots) {
      if (root.root.empty() || root.root[0] < u'C') continue;
      if (RootByText(s, root.root)->type != kDriveRemovable) continue;
      const SnapshotRoot* volume = RootByLetter(s, root.root[0]);
      if (volume->deviceNumber && *volume->deviceNumber == *disk.deviceNumber) {
        drive = root.root.substr(0, 2);
        drive = drive.substr(0, drive.find(u'\0'));
        break;
      }
    }
    found.push_back({i, drive});
  }
  return found;
}

bool SameBytes(const void* a, const void* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

// Field by field: in the fuzz build every array member is a separate heap
// block, so a record's own bytes hold pointers, not the elements.
bool SameGuid(const DevInfoGuid& a, const DevInfoGuid& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::equal(a.Data4.begin(), a.Data4.end(), b.Data4.begin());
}

bool SameRecord(const ScannerRecord& a, const ScannerRecord& b) {
  return a.devInfo.cbSize == b.devInfo.cbSize && SameGuid(a.devInfo.ClassGuid, b.devInfo.ClassGuid) &&
         a.devInfo.DevInst == b.devInfo.DevInst && a.devInfo.Reserved == b.devInfo.Reserved &&
         a.serialNumber == b.serialNumber &&
         SameBytes(&a.productionDate, &b.productionDate, sizeof a.productionDate) &&
         std::equal(a.drive.begin(), a.drive.end(), b.drive.begin());
}

// A pattern in every field that discovery never writes, so a stray write to
// what it must leave alone shows.
void FillStale(ScannerTable& table) {
  table.count = 0x5A5A5A5Au;
  table.selected = 0x5A5A5A5A;
  for (ScannerRecord& record : table.records) {
    record.devInfo.cbSize = 0x5A5A5A5Au;
    record.devInfo.ClassGuid.Data1 = 0x5A5A5A5Au;
    record.devInfo.ClassGuid.Data2 = 0x5A5A;
    record.devInfo.ClassGuid.Data3 = 0x5A5A;
    std::fill(record.devInfo.ClassGuid.Data4.begin(), record.devInfo.ClassGuid.Data4.end(), 0x5A);
    record.devInfo.DevInst = 0x5A5A5A5Au;
    record.devInfo.Reserved = static_cast<std::uintptr_t>(0x5A5A5A5A5A5A5A5Aull);
    record.serialNumber = 0x5A5A5A5Au;
    std::memset(&record.productionDate, 0x5A, sizeof record.productionDate);
    std::fill(record.drive.begin(), record.drive.end(), 0x5A5A);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const DiscoverySnapshot snapshot =
      Decode(std::string_view(reinterpret_cast<const char*>(data), size));

  // On the heap and exactly its size, so a write past the table is seen
  // (and in this build past any of its array members, each its own block).
  auto table = std::make_unique<ScannerTable>();
  FillStale(*table);
  auto stale = std::make_unique<ScannerTable>();
  FillStale(*stale);
  FillScannerTable(snapshot, *table);

  const std::vector<Expected> expected = Expect(snapshot);
  FUZZ_CHECK(table->count == expected.size());
  FUZZ_CHECK(table->count <= kMaxScanners);
  FUZZ_CHECK(table->selected == stale->selected);
  for (std::size_t i = table->count; i < kMaxScanners; ++i)
    FUZZ_CHECK(SameRecord(table->records[i], stale->records[i]));

  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ScannerRecord& record = table->records[i];
    const SnapshotInterface& disk = snapshot.interfaces[expected[i].interfaceIndex];
    FUZZ_CHECK(record.devInfo.DevInst == disk.devInfo.DevInst);
    FUZZ_CHECK(record.devInfo.Reserved == disk.devInfo.Reserved);
    FUZZ_CHECK(record.devInfo.cbSize == disk.devInfo.cbSize);
    FUZZ_CHECK(SameGuid(record.devInfo.ClassGuid, disk.devInfo.ClassGuid));

    FUZZ_CHECK(record.drive[kDriveSize - 1] == 0);
    FUZZ_CHECK(std::u16string(record.drive) == expected[i].drive);
    if (record.drive[0] != 0) {
      FUZZ_CHECK(record.drive[0] >= u'C');
      for (std::size_t c = expected[i].drive.size(); c < kDriveSize; ++c) FUZZ_CHECK(record.drive[c] == 0);
    }

    // The serial part is what follows the second backslash.
    SystemTime date;
    std::uint32_t serial = 0;
    std::size_t backslash = disk.instanceId.find(u'\\');
    if (backslash != std::u16string::npos) backslash = disk.instanceId.find(u'\\', backslash + 1);
    if (backslash != std::u16string::npos)
      ParseUsbSerial(std::u16string_view(disk.instanceId).substr(backslash + 1), date, serial);
    FUZZ_CHECK(record.serialNumber == serial);
    FUZZ_CHECK(SameBytes(&record.productionDate, &date, sizeof date));
  }
  return 0;
}
