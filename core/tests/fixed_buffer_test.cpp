// FixedBuffer in the form this executable is built with: in place (every
// shipped build) or one heap block per buffer (ZOR_HEAP_BUFFERS, the fuzz
// build). The structs that hold buffers must keep their contents through
// copies and moves in both forms, and keep the layout they had as plain
// arrays in the in-place form.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/fixed_buffer.h"
#include "device/scanner_table.h"
#include "worker/messages.h"

namespace {

ScannerRecord Record(std::uint32_t serial, char16_t letter) {
  ScannerRecord r;
  r.serialNumber = serial;
  r.drive[0] = letter;
  r.drive[1] = u':';
  r.devInfo.ClassGuid.Data4[7] = static_cast<std::uint8_t>(serial);
  return r;
}

std::u16string Drive(const ScannerRecord& r) { return std::u16string(r.drive); }

TEST(FixedBuffer, InitialisesLikeAnArrayMember) {
  const InstallRequest zeroed{};
  for (char c : zeroed.name) EXPECT_EQ(c, '\0');

  const InstallRequest named{"DIAG01", 1, 0};
  EXPECT_STREQ(named.name, "DIAG01");
  EXPECT_EQ(named.name[6], '\0');
  EXPECT_EQ(named.name[kInstallNameSize - 1], '\0');
  EXPECT_EQ(named.releaseSelector, 1);

  const DevInfoGuid guid = {1, 2, 3, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  EXPECT_EQ(guid.Data4[0], 0xBF);
  EXPECT_EQ(guid.Data4[7u], 0x18);

  const ScannerTable table;
  EXPECT_EQ(table.records.size(), kMaxScanners);
  for (const ScannerRecord& r : table.records) {
    EXPECT_EQ(Drive(r), u"");
    EXPECT_EQ(r.serialNumber, 0u);
  }
}

TEST(FixedBuffer, CopiesAreIndependentAndMovesKeepBothSides) {
  ScannerTable table;
  table.count = 2;
  table.records[0] = Record(7, u'E');
  table.records[std::size_t{1}] = Record(8, u'F');

  ScannerTable copy = table;
  copy.records[0].drive[0] = u'X';
  copy.records[1].devInfo.ClassGuid.Data4[7] = 99;
  EXPECT_EQ(Drive(table.records[0]), u"E:");
  EXPECT_EQ(table.records[1].devInfo.ClassGuid.Data4[7], 8);
  EXPECT_EQ(Drive(copy.records[0]), u"X:");

  // An array member "moves" by copying: the source keeps its elements and
  // stays usable, in both forms.
  ScannerTable moved = std::move(copy);
  EXPECT_EQ(Drive(moved.records[0]), u"X:");
  EXPECT_EQ(Drive(copy.records[0]), u"X:");
  copy.records[0].drive[0] = u'Y';
  EXPECT_EQ(Drive(moved.records[0]), u"X:");

  moved = table;
  EXPECT_EQ(Drive(moved.records[1]), u"F:");
  moved = std::move(copy);
  EXPECT_EQ(Drive(moved.records[0]), u"Y:");
  const ScannerTable& same = moved;
  moved = same;  // self-assignment keeps the contents
  EXPECT_EQ(Drive(moved.records[0]), u"Y:");
}

// Requests travel through the install queue by value.
TEST(FixedBuffer, RequestsSurviveAContainer) {
  std::deque<InstallRequest> queue;
  InstallRequest request{};
  std::strncpy(request.name, "qm7upd", request.name.size() - 1);
  queue.push_back(request);
  request.name[0] = 'X';
  queue.push_front(InstallRequest{"boot_manager", 1, 0});
  InstallRequest current{};
  current = queue.back();
  queue.pop_back();
  EXPECT_STREQ(current.name, "qm7upd");
  EXPECT_STREQ(queue.front().name, "boot_manager");

  std::vector<ScannerRecord> records;
  for (std::uint32_t i = 0; i < 40; ++i) records.push_back(Record(i, static_cast<char16_t>(u'C' + i % 20)));
  for (std::uint32_t i = 0; i < 40; ++i) {
    EXPECT_EQ(records[i].drive[0], static_cast<char16_t>(u'C' + i % 20)) << i;
    EXPECT_EQ(std::uint32_t{records[i].devInfo.ClassGuid.Data4[7]}, i) << i;
  }
}

TEST(FixedBuffer, AnyIntegerIndexesAndTheBufferPassesAsAPointer) {
  FixedBuffer<char, 8> b = {};
  const int i = 2;
  const unsigned u = 3;
  const std::uint8_t small = 4;
  b[0] = 'a';
  b[std::size_t{1}] = 'b';
  b[i] = 'c';
  b[u] = 'd';
  b[small] = 'e';
  EXPECT_EQ(std::strlen(b), 5u);
  EXPECT_STREQ(b.data(), "abcde");
  const char* end = b + 5;
  EXPECT_EQ(*end, '\0');
  EXPECT_EQ(b.end() - b.begin(), 8);
  static_assert(decltype(b)::size() == 8, "size is a constant");
}

#ifndef ZOR_HEAP_BUFFERS

// Shipped builds: the structs the Win32 side sees keep the layout they had
// with plain array members.
struct PlainInstallRequest {
  char name[kInstallNameSize];
  std::int32_t releaseSelector;
  std::uint32_t scannerSerial;
};
struct PlainGuid {
  std::uint32_t Data1;
  std::uint16_t Data2, Data3;
  std::uint8_t Data4[8];
};
struct PlainDevInfo {
  std::uint32_t cbSize;
  PlainGuid ClassGuid;
  std::uint32_t DevInst;
  std::uintptr_t Reserved;
};
struct PlainRecord {
  PlainDevInfo devInfo;
  std::uint32_t serialNumber;
  SystemTime productionDate;
  char16_t drive[kDriveSize];
};
struct PlainTable {
  std::uint32_t count;
  PlainRecord records[kMaxScanners];
  std::int32_t selected;
};

static_assert(sizeof(FixedBuffer<char, 50>) == 50 && alignof(FixedBuffer<char16_t, 3>) == alignof(char16_t),
              "in place, a buffer is exactly its elements");
static_assert(std::is_trivially_copyable<InstallRequest>::value && std::is_standard_layout<InstallRequest>::value,
              "a request may be copied as bytes");
static_assert(sizeof(InstallRequest) == sizeof(PlainInstallRequest) &&
                  offsetof(InstallRequest, releaseSelector) == offsetof(PlainInstallRequest, releaseSelector),
              "request layout");
static_assert(sizeof(DevInfoGuid) == sizeof(PlainGuid) && offsetof(DevInfoGuid, Data4) == offsetof(PlainGuid, Data4),
              "GUID mirror layout");
static_assert(sizeof(ScannerRecord) == sizeof(PlainRecord) &&
                  offsetof(ScannerRecord, drive) == offsetof(PlainRecord, drive),
              "record layout");
static_assert(sizeof(ScannerTable) == sizeof(PlainTable) &&
                  offsetof(ScannerTable, records) == offsetof(PlainTable, records) &&
                  offsetof(ScannerTable, selected) == offsetof(PlainTable, selected),
              "table layout");

TEST(FixedBuffer, InPlaceElementsLieInsideTheObject) {
  InstallRequest request{};
  EXPECT_EQ(static_cast<void*>(request.name.data()), static_cast<void*>(&request));
}

#else  // ZOR_HEAP_BUFFERS

bool Inside(const void* p, const void* object, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(object);
  const auto* q = static_cast<const unsigned char*>(p);
  return q >= bytes && q < bytes + size;
}

TEST(FixedBuffer, EveryBufferHasItsOwnBlock) {
  ScannerTable table;
  EXPECT_FALSE(Inside(table.records.data(), &table, sizeof table));
  EXPECT_FALSE(Inside(table.records[0].drive.data(), &table.records[0], sizeof(ScannerRecord)));
  EXPECT_NE(table.records[0].drive.data(), table.records[1].drive.data());

  ScannerTable copy = table;
  ScannerTable moved = std::move(copy);
  EXPECT_NE(copy.records.data(), table.records.data());
  EXPECT_NE(moved.records.data(), copy.records.data());
  EXPECT_NE(moved.records[0].drive.data(), copy.records[0].drive.data());
  copy = moved;
  EXPECT_NE(copy.records[0].drive.data(), moved.records[0].drive.data());
}

// GCC announces AddressSanitizer with a macro, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define ZOR_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOR_TEST_ASAN 1
#endif
#endif

#ifdef ZOR_TEST_ASAN
// The point of this form: a write one element past a member array lands in
// a red zone instead of in the member behind it.
void WritePast(char* buffer, std::size_t size) {
  volatile std::size_t at = size;  // kept from the optimiser's view
  buffer[at] = 'x';
}

TEST(FixedBufferDeathTest, OverflowOfAMemberArrayIsReported) {
  InstallRequest request{};
  EXPECT_DEATH(WritePast(request.name, request.name.size()), "heap-buffer-overflow");
  EXPECT_EQ(request.releaseSelector, 0);
}
#endif

#endif  // ZOR_HEAP_BUFFERS

}  // namespace
