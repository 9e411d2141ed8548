// The module catalogue: everything the catalogue server publishes, annotated
// with what the selected scanner already holds. Portable: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Field capacities of the catalogue model, terminator included. Values that
// do not fit are never stored (the page parser skips such lines).
constexpr std::size_t kModuleNameSize = 50;   // at most 49 bytes of name
constexpr std::size_t kArchiveNameSize = 260; // at most 259 bytes of archive name

enum VersionForm : std::uint32_t {
  Unparsed = 0,
  FourPart = 0x40000000u,
  ThreePart = 0x80000003u,
};

struct ModuleVersion {
  std::uint32_t form = Unparsed;
  std::uint32_t ver1 = 0; // also the series of a module-list record
  std::uint32_t ver2 = 0;
  std::uint32_t ver3 = 0; // FourPart: third << 8 | (fourth & 0xFF)
};

inline bool operator==(const ModuleVersion& a, const ModuleVersion& b) {
  return a.form == b.form && a.ver1 == b.ver1 && a.ver2 == b.ver2 && a.ver3 == b.ver3;
}

struct ReleaseDate {
  std::uint8_t day = 0;
  std::uint8_t month = 0;
  std::uint16_t year = 0;
};

inline bool operator==(const ReleaseDate& a, const ReleaseDate& b) {
  return a.day == b.day && a.month == b.month && a.year == b.year;
}

struct ModuleRelease {
  ModuleVersion version;
  ReleaseDate date;
  bool onScanner = false;
  // Archive file name without directory and ".zip"; empty stands for
  // "no new release" wherever a release is handed out.
  std::string archiveName;
};

struct ModuleRecord {
  std::uint32_t series = 0;
  std::string name;                     // byte string as on the page, < 50 bytes
  std::vector<ModuleRelease> releases;  // newest first, never empty
};

// One of the catalogue's two lists. The index only speeds up AddRelease's
// lookup; `records` is the list itself, in order of first appearance.
struct ModuleList {
  std::vector<ModuleRecord> records;
  std::unordered_map<std::string, std::size_t> index;
};

struct ModuleCatalogue {
  ModuleList modules;        // application modules (.z70)
  ModuleList systemModules;  // system components (.sys, "boot_manager", "qm7upd")
  std::size_t modulesCursor = 0;
  std::size_t systemCursor = 0;
};

// Stores one published release in `list` (the catalogue's `modules` or
// `systemModules`). A module-list record is identified by (series, name), a
// system record by name alone; names compare byte for byte. The release goes
// in front of the first release that is not newer by (ver2, ver3), so equal
// releases keep the later one first. Returns false, storing nothing, only for
// a name or archive name that does not fit its field.
bool AddRelease(ModuleCatalogue& catalogue, ModuleList& list, std::string_view name,
                const ModuleVersion& version, const ReleaseDate& date,
                std::string_view archiveName);

// Stores many releases in a row, as a whole page brings them, in the order
// AddRelease would give for the same calls. AddRelease moves every release
// behind the insertion point, which makes a page that names one module's
// releases oldest first quadratic; a batch appends each release to its
// record instead and orders every record it touched once, in Finish. Until
// then the touched records' releases are not newest first: nothing may read
// them, nor call AddRelease on the same catalogue. The destructor finishes a
// batch that was not finished.
class ReleaseBatch {
 public:
  explicit ReleaseBatch(ModuleCatalogue& catalogue) : catalogue_(catalogue) {}
  ~ReleaseBatch() { Finish(); }
  ReleaseBatch(const ReleaseBatch&) = delete;
  ReleaseBatch& operator=(const ReleaseBatch&) = delete;

  // AddRelease's contract, apart from the order.
  bool Add(ModuleList& list, std::string_view name, const ModuleVersion& version,
           const ReleaseDate& date, std::string_view archiveName);
  void Finish();

 private:
  ModuleCatalogue& catalogue_;
  // Per record of each list, by index: how many releases it held before the
  // batch first touched it, or kUntouched.
  std::vector<std::size_t> moduleStarts_;
  std::vector<std::size_t> systemStarts_;
};

// Reads "a.b.c" or "a.b.c.d" (empty pieces between dots are skipped).
// Returns true when at least three numbers were found; otherwise `version` is
// Unparsed with the numbers that were read.
bool ParseVersion(std::string_view text, ModuleVersion& version);

// Reports the record at `cursor` and moves the cursor on: its name and a copy
// of its new release, or a release with an empty archiveName when the
// scanner already holds the newest one. False at the end of the list.
bool NextModule(const ModuleList& list, std::size_t& cursor, std::string& name,
                ModuleRelease& release);

// Looks a module up by exact name, first in `modules` (front-most record
// wins), then in `systemModules`; fills `release` as NextModule does.
bool FindNewRelease(const ModuleCatalogue& catalogue, std::string_view name,
                    ModuleRelease& release);
