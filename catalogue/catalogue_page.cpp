#include "catalogue/catalogue_page.h"

#include "catalogue/text_scan.h"

namespace {

constexpr std::string_view kBreak = "<br>";
constexpr std::string_view kDirMarker = "modlist_dir";
constexpr std::string_view kStartMarker = "modlist_start";
constexpr std::string_view kStopMarker = "modlist_stop";  // matched on the folded text
constexpr std::string_view kUpDir = "../";
constexpr std::string_view kScheme = "http://";

enum class LineOutcome { Stored, Skipped, Stop };

// Scratch space reused for every line, so a long page allocates only for
// the records and releases it creates.
struct LineScratch {
  std::string combined;
  std::string folded;
  std::string foldedArchive;
};

std::string_view TrimSpaces(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

LineOutcome ParseModuleLine(std::string_view raw, const std::string& baseUrl,
                            ModuleCatalogue& catalogue, ReleaseBatch& batch, LineScratch& scratch) {
  if (raw.size() >= kPageLineSize || baseUrl.size() + raw.size() >= kPageLineSize) {
    return LineOutcome::Skipped;
  }
  scratch.combined.assign(baseUrl);
  scratch.combined.append(raw);
  const std::string_view combined = TrimSpaces(scratch.combined);
  FoldAsciiInto(combined, scratch.folded);
  if (Contains(scratch.folded, kStopMarker)) return LineOutcome::Stop;
  if (!Contains(scratch.folded, ".zip")) return LineOutcome::Skipped;

  // year-month-day version name rest
  TokenScanner tokens(raw);
  std::string_view year, month, day, versionToken, nameToken;
  if (!tokens.Next('-', year) || !tokens.Next('-', month) || !tokens.Next(' ', day) ||
      !tokens.Next(' ', versionToken) || !tokens.Next(' ', nameToken)) {
    return LineOutcome::Skipped;
  }
  ReleaseDate date;
  date.year = static_cast<std::uint16_t>(ReadUnsigned(year));
  date.month = static_cast<std::uint8_t>(ReadUnsigned(month));
  date.day = static_cast<std::uint8_t>(ReadUnsigned(day));

  const std::size_t v = versionToken.find("v_");
  if (v == std::string_view::npos) return LineOutcome::Skipped;
  const std::string_view versionText = versionToken.substr(v + 2);
  if (versionText.size() >= kVersionTextSize) return LineOutcome::Skipped;
  ModuleVersion version;
  ParseVersion(versionText, version);  // an unparsed version is still a release

  const std::string_view name = nameToken.substr(0, nameToken.find('.'));
  if (name.size() >= kModuleNameSize) return LineOutcome::Skipped;

  // The combined text starts with "http://", so a '/' is always there.
  std::string_view archive = combined.substr(combined.rfind('/') + 1);
  archive = archive.substr(0, archive.find(".zip"));
  FoldAsciiInto(archive, scratch.foldedArchive);
  const bool system = Contains(scratch.foldedArchive, "qm7upd") ||
                      Contains(scratch.foldedArchive, "boot_manager");

  ModuleList& list = system ? catalogue.systemModules : catalogue.modules;
  return batch.Add(list, name, version, date, archive) ? LineOutcome::Stored : LineOutcome::Skipped;
}

}  // namespace

unsigned ParseCataloguePage(std::string_view page, std::string_view host,
                            ModuleCatalogue& catalogue, std::string& packageBaseUrl) {
  if (page.size() >= kPageBufferSize) return 0;
  page = page.substr(0, page.find('\0'));

  const std::size_t dirMarker = page.find(kDirMarker);
  if (dirMarker == std::string_view::npos) return 0;
  const std::size_t dirBreak = page.find(kBreak, dirMarker + kDirMarker.size());
  if (dirBreak == std::string_view::npos) return 0;

  // A line runs from behind one "<br>" to the next; with no next one the
  // line is empty.
  const std::size_t dirStart = dirBreak + kBreak.size();
  const std::size_t dirEnd = page.find(kBreak, dirStart);
  const std::string_view dirLine =
      dirEnd == std::string_view::npos ? std::string_view() : page.substr(dirStart, dirEnd - dirStart);
  if (dirLine.size() >= kPageLineSize) return 0;
  std::string_view dirText = dirLine;
  if (const std::size_t up = dirLine.find(kUpDir); up != std::string_view::npos) {
    dirText = dirLine.substr(up + kUpDir.size());
  }
  if (kScheme.size() + host.size() + 1 + dirText.size() >= kPageLineSize) return 0;
  packageBaseUrl.assign(kScheme);
  packageBaseUrl.append(host);
  packageBaseUrl.push_back('/');
  packageBaseUrl.append(dirText);
  if (dirEnd == std::string_view::npos) return 0;

  const std::size_t startMarker = page.find(kStartMarker, dirEnd + kBreak.size());
  if (startMarker == std::string_view::npos) return 0;
  const std::size_t startBreak = page.find(kBreak, startMarker + kStartMarker.size());
  if (startBreak == std::string_view::npos) return 0;

  LineScratch scratch;
  scratch.combined.reserve(kPageLineSize);
  scratch.folded.reserve(kPageLineSize);
  scratch.foldedArchive.reserve(kPageLineSize);
  // Releases are ordered once the whole list is read, not line by line.
  ReleaseBatch batch(catalogue);
  unsigned count = 0;
  std::size_t lineStart = startBreak + kBreak.size();
  for (;;) {
    const std::size_t lineEnd = page.find(kBreak, lineStart);
    const std::string_view raw = lineEnd == std::string_view::npos
                                     ? std::string_view()
                                     : page.substr(lineStart, lineEnd - lineStart);
    const LineOutcome outcome = ParseModuleLine(raw, packageBaseUrl, catalogue, batch, scratch);
    if (outcome == LineOutcome::Stop) break;
    if (outcome == LineOutcome::Stored) ++count;
    if (lineEnd == std::string_view::npos) break;
    lineStart = lineEnd + kBreak.size();
  }
  batch.Finish();
  return count;
}
