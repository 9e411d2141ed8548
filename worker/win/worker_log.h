// The worker's lines in the program's log (log/win/log.h): what a refresh
// found and which release an install job takes.
#pragma once

#include "catalogue/catalogue.h"
#include "device/scanner_table.h"

// "refresh: code 0 (done); scanners: 1234 on E:; catalogue: 12 modules".
void LogRefreshEnd(int refreshCode, const ScannerTable& table, const ModuleCatalogue* catalogue);

// "install: DIAG_A, release 1.0.0.1 of 12.05.2014, archive DIAG_A.zip".
void LogInstallRelease(const ModuleCatalogue& catalogue, const char* name, const ModuleRelease& release);

// The job's one result line: "install: DIAG_A installed (code 0); refresh
// code 0 (done)", or "install: PRG_B failed: the package could not be
// downloaded or saved (code 1): <the job's last failure>; shown «...»".
void LogInstallEnd(const char* name, int installCode, int refreshCode, const std::string& cause);
