// Catalogue pages, scanner lines, catalogue models and system files as the
// tests of every folder build them; portable, so native suites use them too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"

// gtest prints whole values in a failed comparison through these.
void PrintTo(const ModuleVersion& version, std::ostream* out);
void PrintTo(const ReleaseDate& date, std::ostream* out);

namespace zortest {

// A line of the simulated scanners file; `drive` 0 gives a disk without a drive.
std::string ScannerLine(const char* serialPart, char drive, bool veto = false);

// A module line of the catalogue page, with its archive under files/modules/.
std::string ModuleLine(const std::string& date, const std::string& version, const std::string& fileName,
                       const std::string& archive);
// The catalogue page around the lines, as the server sends it: inside HTML,
// every line ended by "<br>", the packages under `directory`.
std::string CataloguePage(const std::vector<std::string>& moduleLines,
                          const std::string& directory = "../files/modules/");

// What ParseCataloguePage gives for a page; baseUrl stays "unchanged" unless set.
struct ParsedPage {
  ModuleCatalogue catalogue;
  std::string baseUrl = "unchanged";
  unsigned count = 0;
};
constexpr char kPageHost[] = "catalogue.test";
ParsedPage ParsePage(const std::string& page, const std::string& host = kPageHost);
// Expects no release counted or stored, whatever became of the base URL.
void ExpectNothingStored(const ParsedPage& page);

// Versions as the page writes them: "a.b.c" and "a.b.c.d".
ModuleVersion Version(std::uint32_t v1, std::uint32_t v2, std::uint32_t v3);
ModuleVersion Version(std::uint32_t v1, std::uint32_t v2, std::uint32_t third, std::uint32_t fourth);
ReleaseDate Date(unsigned day, unsigned month, unsigned year);

ModuleRelease Release(std::string archive, const ModuleVersion& version = Version(0, 0, 0));
void AddRecord(ModuleList& list, std::string name, std::vector<ModuleRelease> releases);
// A record's archive names, newest release first.
std::vector<std::string> ArchivesOf(const ModuleRecord& record);
// The releases marked as on the scanner, as "name/archive".
std::vector<std::string> Marked(const ModuleList& list);
// Expects the same records in the same order, every release whole.
void ExpectSameRecords(const std::vector<ModuleRecord>& got, const std::vector<ModuleRecord>& want);

// A system component's file: its version words at bytes 16, 20 and 24 (as
// far as `size` reaches).
std::string SystemFile(std::uint32_t v1, std::uint32_t v2, std::uint32_t v3, std::size_t size = 64);

// A zip archive with stored (uncompressed) entries, dated 12 May 2014.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace zortest
