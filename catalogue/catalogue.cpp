#include "catalogue/catalogue.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "catalogue/text_scan.h"

namespace {

bool IsSystemList(const ModuleCatalogue& catalogue, const ModuleList& list) {
  assert(&list == &catalogue.modules || &list == &catalogue.systemModules);
  return &list == &catalogue.systemModules;
}

// Module-list records are told apart by series and name, system records by
// name only. The series goes first as four fixed bytes, so the key stays
// unambiguous whatever bytes the name holds.
void MakeRecordKey(bool system, std::uint32_t series, std::string_view name, std::string& key) {
  key.clear();
  if (!system) {
    for (int shift = 0; shift < 32; shift += 8) {
      key.push_back(static_cast<char>((series >> shift) & 0xFFu));
    }
  }
  key.append(name);
}

// The index is only ever filled by AddRelease. A list built some other way
// (records appended by hand) gets its index rebuilt; walking forwards and
// overwriting leaves the last of equal records in it, which is the record a
// search from the back of the list would hit first.
void SyncIndex(ModuleList& list, bool system) {
  if (list.index.size() == list.records.size()) return;
  list.index.clear();
  std::string key;
  for (std::size_t i = 0; i < list.records.size(); ++i) {
    const ModuleRecord& r = list.records[i];
    MakeRecordKey(system, r.series, r.name, key);
    list.index[key] = i;
  }
}

// Newer means higher (ver2, ver3), unsigned; ver1, form and date play no part.
bool NotNewerThan(const ModuleRelease& r, const ModuleVersion& v) {
  return r.version.ver2 < v.ver2 || (r.version.ver2 == v.ver2 && r.version.ver3 <= v.ver3);
}

// Newer by (ver2, ver3): the strict order the release lists are sorted by.
bool Newer(const ModuleRelease& a, const ModuleRelease& b) { return !NotNewerThan(a, b.version); }

constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);
constexpr std::size_t kUntouched = static_cast<std::size_t>(-1);

// The part AddRelease and ReleaseBatch share: the field checks and the
// record lookup, creating the record on its first release. Returns the
// record's index, or kNoRecord when a value does not fit its field.
std::size_t FindOrAddRecord(ModuleCatalogue& catalogue, ModuleList& list, std::string_view name,
                            const ModuleVersion& version, std::string_view archiveName) {
  if (name.size() >= kModuleNameSize || archiveName.size() >= kArchiveNameSize) return kNoRecord;
  const bool system = IsSystemList(catalogue, list);
  SyncIndex(list, system);

  // One key buffer per thread: a page of thousands of lines then looks its
  // records up without allocating.
  thread_local std::string key;
  MakeRecordKey(system, version.ver1, name, key);
  auto found = list.index.find(key);
  if (found != list.index.end()) return found->second;
  const std::size_t at = list.records.size();
  ModuleRecord record;
  record.series = version.ver1;
  record.name.assign(name);
  list.records.push_back(std::move(record));
  list.index.emplace(key, at);
  return at;
}

ModuleRelease MakeRelease(const ModuleVersion& version, const ReleaseDate& date,
                          std::string_view archiveName) {
  ModuleRelease release;
  release.version = version;
  release.date = date;
  release.onScanner = false;
  release.archiveName.assign(archiveName);
  return release;
}

// Puts the releases appended from `start` on where AddRelease would have put
// them one by one. AddRelease places a release in front of every release
// that is not newer, so equal releases end up latest-added first: reversed,
// the appended ones are in that order among themselves, and all of them were
// added after the releases before `start`, which are newest first already.
// A stable sort by version then gives AddRelease's order exactly.
void OrderAppendedReleases(std::vector<ModuleRelease>& releases, std::size_t start) {
  assert(start <= releases.size());
  const auto appended = releases.begin() + static_cast<std::ptrdiff_t>(start);
  std::reverse(appended, releases.end());
  std::rotate(releases.begin(), appended, releases.end());
  std::stable_sort(releases.begin(), releases.end(), Newer);
}

void OrderTouchedRecords(ModuleList& list, std::vector<std::size_t>& starts) {
  assert(starts.size() <= list.records.size());
  for (std::size_t i = 0; i < starts.size(); ++i) {
    if (starts[i] != kUntouched) OrderAppendedReleases(list.records[i].releases, starts[i]);
  }
  starts.clear();
}

ModuleRelease NewReleaseOf(const ModuleRecord& record) {
  assert(!record.releases.empty());
  if (record.releases.empty() || record.releases.front().onScanner) return ModuleRelease{};
  return record.releases.front();
}

bool FindInList(const ModuleList& list, std::string_view name, ModuleRelease& release) {
  std::size_t cursor = 0;
  std::string reported;
  ModuleRelease candidate;
  while (NextModule(list, cursor, reported, candidate)) {
    if (reported == name) {
      release = std::move(candidate);
      return true;
    }
  }
  return false;
}

}  // namespace

bool AddRelease(ModuleCatalogue& catalogue, ModuleList& list, std::string_view name,
                const ModuleVersion& version, const ReleaseDate& date,
                std::string_view archiveName) {
  const std::size_t at = FindOrAddRecord(catalogue, list, name, version, archiveName);
  if (at == kNoRecord) return false;
  // Releases are kept newest first, so "not newer than the new one" holds
  // for a tail of the list and a binary search finds where that tail starts.
  std::vector<ModuleRelease>& releases = list.records[at].releases;
  auto pos = std::partition_point(releases.begin(), releases.end(),
                                  [&](const ModuleRelease& r) { return !NotNewerThan(r, version); });
  releases.insert(pos, MakeRelease(version, date, archiveName));
  return true;
}

bool ReleaseBatch::Add(ModuleList& list, std::string_view name, const ModuleVersion& version,
                       const ReleaseDate& date, std::string_view archiveName) {
  const std::size_t at = FindOrAddRecord(catalogue_, list, name, version, archiveName);
  if (at == kNoRecord) return false;
  std::vector<std::size_t>& starts = IsSystemList(catalogue_, list) ? systemStarts_ : moduleStarts_;
  if (starts.size() <= at) starts.resize(list.records.size(), kUntouched);
  std::vector<ModuleRelease>& releases = list.records[at].releases;
  if (starts[at] == kUntouched) starts[at] = releases.size();
  releases.push_back(MakeRelease(version, date, archiveName));
  return true;
}

void ReleaseBatch::Finish() {
  OrderTouchedRecords(catalogue_.modules, moduleStarts_);
  OrderTouchedRecords(catalogue_.systemModules, systemStarts_);
}

bool ParseVersion(std::string_view text, ModuleVersion& version) {
  version = ModuleVersion{};
  std::uint32_t numbers[4] = {0, 0, 0, 0};
  int found = 0;
  TokenScanner pieces(text);
  std::string_view piece;
  while (found < 4 && pieces.Next('.', piece)) {
    numbers[found++] = ReadUnsigned(piece);
  }
  version.ver1 = numbers[0];
  version.ver2 = numbers[1];
  version.ver3 = numbers[2];
  if (found < 3) {
    version.form = Unparsed;
    return false;
  }
  if (found == 4) {
    version.form = FourPart;
    version.ver3 = (numbers[2] << 8) | (numbers[3] & 0xFFu);
  } else {
    version.form = ThreePart;
  }
  return true;
}

bool NextModule(const ModuleList& list, std::size_t& cursor, std::string& name,
                ModuleRelease& release) {
  if (cursor >= list.records.size()) return false;
  const ModuleRecord& record = list.records[cursor];
  name = record.name;
  release = NewReleaseOf(record);
  ++cursor;
  return true;
}

bool FindNewRelease(const ModuleCatalogue& catalogue, std::string_view name,
                    ModuleRelease& release) {
  return FindInList(catalogue.modules, name, release) ||
         FindInList(catalogue.systemModules, name, release);
}
