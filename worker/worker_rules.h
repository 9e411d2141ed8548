// The worker's decisions that need no window or file: the scanner panel's
// button texts and which button is marked, the scroll that keeps the module
// list's first visible row, and the bounded joins every path and URL of the
// install job is made with. Portable: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "device/scanner_table.h"
#include "worker/messages.h"

// The serial number a rebuild remembers when no button was marked.
constexpr std::uint32_t kNoMarkedSerial = kNoScannerSerial;

// Capacity of a scanner button's text in characters, terminator included.
constexpr std::size_t kButtonTextSize = 50;

// Row height of the module list view: the unit of its vertical scrolling.
constexpr int kModuleRowHeight = 32;

// Capacity of every path and URL the install job forms, terminator included.
constexpr std::size_t kJobPathSize = 260;

// "ЗОР-70\n%u\n%u.%02u.%u": serial number, then day, month and year of the
// production date. Always shorter than kButtonTextSize.
std::u16string FormatScannerButtonText(std::uint32_t serialNumber, const SystemTime& productionDate);

// The index of the scanner whose button is marked after a rebuild: the first
// one carrying the remembered serial number, or the first scanner when none
// does (or none was remembered). Only one button is ever marked, even when
// two scanners report the same serial number. The table must not be empty.
std::uint32_t MarkedScannerIndex(const ScannerTable& table, std::uint32_t rememberedSerial);

// The selected index a refresh request (WM_CT_REFRESH's wParam) leaves
// before its refresh runs. Only a scanner button asks for an index, and the
// window has marked that button already; every other request (a device
// change) sends kKeepSelection and keeps the index, so that it names the
// marked scanner even when the refresh stops before its panel rebuild. Only
// the low 32 bits carry the index: a 64-bit -1 keeps the selection too.
//
// A button's index names a place in the panel, which a rebuild that gave up
// may have left out of step with the table: the scanner is the one of
// `markedSerial`, the serial number the marked button carries, wherever it
// stands in the table. -1 (no scanner) when that scanner has left the
// table; the index alone only when the marked button could not be read
// (kNoMarkedSerial).
std::int32_t SelectionForRefresh(const ScannerTable& table, std::uint64_t requested, std::uint32_t markedSerial);

// The record of the scanner with that serial number, null when none has it.
const ScannerRecord* ScannerWithSerial(const ScannerTable& table, std::uint32_t serial);

// The serial number of the selected scanner, kNoMarkedSerial when the
// selected index names none of the table's records.
std::uint32_t SelectedSerial(const ScannerTable& table);

// The selected index once a discovery has rewritten the table: the scanner
// selected before it (`selectedSerial`, taken from the table before),
// wherever it now stands, or the first scanner when it is gone or none was
// selected, as a panel rebuild marks them. A discovery may put a scanner
// that arrived ahead of the selected one, and the panel rebuild that would
// move the index may give up: the index must never be left naming another
// scanner than the one the user chose.
std::int32_t SelectionAfterDiscovery(const ScannerTable& discovered, std::uint32_t selectedSerial);

// The selected scanner's record, or null when the selected index does not
// name one of the table's current records (for instance a refresh that
// stopped before its panel rebuild, after the window asked for an index).
const ScannerRecord* SelectedScanner(const ScannerTable& table);

// Vertical LVM_SCROLL amount, in pixels, that brings the list back to the
// first visible row it showed before it was refilled.
int ScrollBackPixels(int oldTopIndex, int newTopIndex);

// Writes the pieces one after another into `out` with a terminator. False,
// leaving `out` an empty string, when they would not fit into `capacity`
// bytes: a cut path would name another file, a cut URL another package.
bool JoinBounded(char* out, std::size_t capacity, std::initializer_list<std::string_view> pieces);

// True when an archive name from the catalogue page names a file inside the
// module cache and nothing else: it is appended to the cache folder and to
// the package base URL, so a separator or a drive colon in it (which the
// page may well carry) would place the download anywhere on the computer.
bool IsPlainArchiveName(std::string_view archiveName);

// The message the window shows for an install job's result code (worker
// messages), or null for success and unknown codes. The worker names it in
// the job's result line.
const char16_t* InstallFailureText(int resultCode);
