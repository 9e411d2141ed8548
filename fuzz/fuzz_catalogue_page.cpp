// The module list page parser over arbitrary bytes. Beyond "no crash", every
// catalogue it builds must be one the rest of the program can trust: fields
// within their capacities, each record's releases newest first, each release
// in the list its archive name chooses, and no release without a base URL.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "catalogue/catalogue_page.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr std::string_view kHost = "catalogue.test";
constexpr std::string_view kBaseUrlPrefix = "http://catalogue.test/";
constexpr std::string_view kUntouched = "untouched";

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool NewerOrEqual(const ModuleVersion& a, const ModuleVersion& b) {
  return a.ver2 > b.ver2 || (a.ver2 == b.ver2 && a.ver3 >= b.ver3);
}

std::size_t CheckList(const ModuleList& list, bool system) {
  FUZZ_CHECK(list.index.size() == list.records.size());
  std::set<std::string> keys;
  std::size_t releases = 0;
  for (const ModuleRecord& record : list.records) {
    FUZZ_CHECK(!record.releases.empty());
    FUZZ_CHECK(record.name.size() < kModuleNameSize);
    // The name is a space-delimited token cut at its first dot.
    FUZZ_CHECK(!Contains(record.name, ".") && !Contains(record.name, " "));
    const std::string key = system ? record.name : std::to_string(record.series) + "/" + record.name;
    FUZZ_CHECK(keys.insert(key).second);

    for (std::size_t i = 0; i < record.releases.size(); ++i) {
      const ModuleRelease& release = record.releases[i];
      FUZZ_CHECK(release.version.form == Unparsed || release.version.form == ThreePart ||
                 release.version.form == FourPart);
      if (!system) FUZZ_CHECK(release.version.ver1 == record.series);
      FUZZ_CHECK(!release.onScanner);
      FUZZ_CHECK(release.archiveName.size() < kArchiveNameSize);
      // No "<br>" check: a line without "/" takes the base URL's tail in
      // front of it, and a directory ending in "<b" meets a line starting
      // with "r>".
      FUZZ_CHECK(!Contains(release.archiveName, "/"));
      FUZZ_CHECK(!Contains(release.archiveName, ".zip"));
      const std::string folded = Folded(release.archiveName);
      FUZZ_CHECK(system == (Contains(folded, "qm7upd") || Contains(folded, "boot_manager")));
      if (i > 0) FUZZ_CHECK(NewerOrEqual(record.releases[i - 1].version, release.version));
      ++releases;
    }
  }
  return releases;
}

struct Outcome {
  ModuleCatalogue catalogue;
  std::string baseUrl{kUntouched};
  unsigned count = 0;
};

void Parse(std::string_view page, Outcome& out) {
  out.count = ParseCataloguePage(page, kHost, out.catalogue, out.baseUrl);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  Outcome out;
  Parse(page, out);

  const std::size_t releases =
      CheckList(out.catalogue.modules, false) + CheckList(out.catalogue.systemModules, true);
  FUZZ_CHECK(releases == out.count);

  if (out.baseUrl != kUntouched) {
    FUZZ_CHECK(out.baseUrl.compare(0, kBaseUrlPrefix.size(), kBaseUrlPrefix) == 0);
    FUZZ_CHECK(out.baseUrl.size() < kPageLineSize);
    FUZZ_CHECK(!Contains(out.baseUrl, "<br>"));
  } else {
    FUZZ_CHECK(out.count == 0);
  }

  // The page ends at its first NUL: whatever follows it changes nothing.
  const std::size_t nul = page.find('\0');
  if (nul != std::string_view::npos) {
    Outcome cut;
    Parse(page.substr(0, nul), cut);
    FUZZ_CHECK(cut.count == out.count);
    FUZZ_CHECK(cut.baseUrl == out.baseUrl);
    FUZZ_CHECK(cut.catalogue.modules.records.size() == out.catalogue.modules.records.size());
    FUZZ_CHECK(cut.catalogue.systemModules.records.size() ==
               out.catalogue.systemModules.records.size());
  }
  return 0;
}
