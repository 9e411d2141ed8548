#include "device/win/scanner_device.h"

ScannerTable gScannerTable;
