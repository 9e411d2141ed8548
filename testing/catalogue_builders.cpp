#include "testing/catalogue_builders.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue_page.h"

void PrintTo(const ModuleVersion& version, std::ostream* out) {
  *out << "{form 0x" << std::hex << version.form << std::dec << ", " << version.ver1 << ", " << version.ver2
       << ", " << version.ver3 << "}";
}

void PrintTo(const ReleaseDate& date, std::ostream* out) {
  *out << unsigned{date.day} << "." << unsigned{date.month} << "." << date.year;
}

namespace zortest {
namespace {

std::uint32_t Crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  constexpr std::uint32_t kDosTime = 10u << 11;                              // 10:00:00
  constexpr std::uint32_t kDosDate = ((2014u - 1980u) << 9) | (5u << 5) | 12u;  // 12 May 2014
  std::string out, central;
  for (const auto& [name, data] : entries) {
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    const std::uint32_t crc = Crc32(data);
    const auto size = static_cast<std::uint32_t>(data.size());
    Put32(out, 0x04034b50);
    Put16(out, 20); Put16(out, 0); Put16(out, 0); Put16(out, kDosTime); Put16(out, kDosDate);
    Put32(out, crc); Put32(out, size); Put32(out, size);
    Put16(out, static_cast<std::uint32_t>(name.size())); Put16(out, 0);
    out += name;
    out += data;
    Put32(central, 0x02014b50);
    Put16(central, 20); Put16(central, 20); Put16(central, 0); Put16(central, 0);
    Put16(central, kDosTime); Put16(central, kDosDate);
    Put32(central, crc); Put32(central, size); Put32(central, size);
    Put16(central, static_cast<std::uint32_t>(name.size()));
    Put16(central, 0); Put16(central, 0); Put16(central, 0); Put16(central, 0);
    Put32(central, 0); Put32(central, offset);
    central += name;
  }
  const auto centralOffset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put16(out, 0); Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(entries.size())); Put16(out, static_cast<std::uint32_t>(entries.size()));
  Put32(out, static_cast<std::uint32_t>(central.size())); Put32(out, centralOffset);
  Put16(out, 0);
  return out;
}



std::string ScannerLine(const char* serialPart, char drive, bool veto) {
  std::string line = std::string("USBSTOR\\DISK&VEN_ZOR&PROD_SCANNER_ZOR&REV_1.00\\") + serialPart + "&0";
  if (drive != 0) line += std::string(" ") + drive + ":";
  if (veto) line += " veto";
  return line;
}

std::string ModuleLine(const std::string& date, const std::string& version, const std::string& fileName,
                       const std::string& archive) {
  return date + " v_" + version + " " + fileName + " files/modules/" + archive + ".zip";
}

std::string CataloguePage(const std::vector<std::string>& moduleLines, const std::string& directory) {
  std::string page = "<html><body>modlist_dir<br>" + directory + "<br>modlist_start<br>";
  for (const std::string& line : moduleLines) page += line + "<br>";
  return page + "modlist_stop<br></body></html>";
}

ParsedPage ParsePage(const std::string& page, const std::string& host) {
  ParsedPage parsed;
  parsed.count = ParseCataloguePage(page, host, parsed.catalogue, parsed.baseUrl);
  return parsed;
}

void ExpectNothingStored(const ParsedPage& page) {
  EXPECT_EQ(page.count, 0u);
  EXPECT_TRUE(page.catalogue.modules.records.empty());
  EXPECT_TRUE(page.catalogue.systemModules.records.empty());
}

ModuleVersion Version(std::uint32_t v1, std::uint32_t v2, std::uint32_t v3) {
  return ModuleVersion{ThreePart, v1, v2, v3};
}

ModuleVersion Version(std::uint32_t v1, std::uint32_t v2, std::uint32_t third, std::uint32_t fourth) {
  return ModuleVersion{FourPart, v1, v2, third << 8 | (fourth & 0xFFu)};
}

ReleaseDate Date(unsigned day, unsigned month, unsigned year) {
  return ReleaseDate{static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(month),
                     static_cast<std::uint16_t>(year)};
}

ModuleRelease Release(std::string archive, const ModuleVersion& version) {
  ModuleRelease release;
  release.archiveName = std::move(archive);
  release.version = version;
  return release;
}

void AddRecord(ModuleList& list, std::string name, std::vector<ModuleRelease> releases) {
  ModuleRecord record;
  record.name = std::move(name);
  record.releases = std::move(releases);
  list.records.push_back(std::move(record));
}

std::vector<std::string> ArchivesOf(const ModuleRecord& record) {
  std::vector<std::string> archives;
  for (const ModuleRelease& release : record.releases) archives.push_back(release.archiveName);
  return archives;
}

std::vector<std::string> Marked(const ModuleList& list) {
  std::vector<std::string> marked;
  for (const ModuleRecord& record : list.records)
    for (const ModuleRelease& release : record.releases)
      if (release.onScanner) marked.push_back(record.name + "/" + release.archiveName);
  return marked;
}

void ExpectSameRecords(const std::vector<ModuleRecord>& got, const std::vector<ModuleRecord>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].name, want[i].name) << i;
    EXPECT_EQ(got[i].series, want[i].series) << i;
    ASSERT_EQ(got[i].releases.size(), want[i].releases.size()) << i;
    for (std::size_t j = 0; j < got[i].releases.size(); ++j) {
      const ModuleRelease& a = got[i].releases[j];
      const ModuleRelease& b = want[i].releases[j];
      EXPECT_EQ(a.archiveName, b.archiveName) << i << "/" << j;
      EXPECT_EQ(a.version, b.version) << i << "/" << j;
      EXPECT_EQ(a.date, b.date) << i << "/" << j;
      EXPECT_EQ(a.onScanner, b.onScanner) << i << "/" << j;
    }
  }
}

std::string SystemFile(std::uint32_t v1, std::uint32_t v2, std::uint32_t v3, std::size_t size) {
  std::string bytes(size, 'S');
  const std::uint32_t words[3] = {v1, v2, v3};
  for (std::size_t w = 0; w < 3; ++w)
    for (std::size_t b = 0; b < 4; ++b)
      if (16 + 4 * w + b < size) bytes[16 + 4 * w + b] = static_cast<char>(words[w] >> (8 * b));
  return bytes;
}

}  // namespace zortest
