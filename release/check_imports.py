#!/usr/bin/python3
"""Checks that Windows executables run on a clean Windows 7 SP1 and later,
and that no DLL dropped beside them is loaded at their start.

Reads each PE file's import table, normal and delay-load, and fails on any
DLL that such a Windows does not carry, on a normal import of a DLL that is
not a Known DLL on every such Windows, and on a machine type other than the
expected architecture. Prints every file's imports.

  check_imports.py --machine amd64|i386 FILE.exe...
"""
import argparse
import sys

import pefile

# DLLs that every Windows from 7 SP1 on has in System32 (and SysWOW64),
# without redistributables or updates. Nothing from the Universal CRT
# (api-ms-win-crt-*, ucrtbase) or the Visual C++ runtimes: a Windows 7
# without its optional updates has neither.
WINDOWS7_DLLS = {
    "advapi32.dll", "bcrypt.dll", "cfgmgr32.dll", "comctl32.dll",
    "comdlg32.dll", "crypt32.dll", "dbghelp.dll", "gdi32.dll", "imm32.dll",
    "kernel32.dll", "msimg32.dll", "msvcrt.dll", "netapi32.dll",
    "ntdll.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll",
    "secur32.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "userenv.dll", "uxtheme.dll", "version.dll",
    "winhttp.dll", "wininet.dll", "winmm.dll", "ws2_32.dll",
}

# The DLLs a program may import normally: Known DLLs on every Windows from 7
# on, so Windows loads them from System32 alone, never from the program's
# folder. Every other DLL is loaded from System32 by the program itself (or
# delay-loaded once it has restricted the search), after WinMain has begun.
KNOWN_DLLS = {
    "advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
    "shell32.dll", "user32.dll",
}

MACHINES = {
    "amd64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"],
    "i386": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
}


def imported_dlls(pe, attr):
    """Names of the DLLs a PE file imports, normal or delay-load."""
    return [entry.dll.decode("ascii", "replace") for entry in getattr(pe, attr, [])]


def problems(path, machine):
    """What stops the file from running on a clean Windows 7 SP1."""
    found = []
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]])
    if pe.FILE_HEADER.Machine != MACHINES[machine]:
        found.append("machine type %s, expected %s" % (
            pefile.MACHINE_TYPE.get(pe.FILE_HEADER.Machine, hex(pe.FILE_HEADER.Machine)),
            pefile.MACHINE_TYPE.get(MACHINES[machine])))
    normal = imported_dlls(pe, "DIRECTORY_ENTRY_IMPORT")
    delayed = imported_dlls(pe, "DIRECTORY_ENTRY_DELAY_IMPORT")
    if not normal:
        found.append("no import table")
    for dll in normal + delayed:
        if dll.lower() not in WINDOWS7_DLLS:
            found.append("imports %s, which a clean Windows 7 SP1 does not have" % dll)
        elif dll in normal and dll.lower() not in KNOWN_DLLS:
            found.append("imports %s at start, where a DLL of that name beside the program is loaded instead"
                         % dll.lower())
    return normal + ["%s (delay-load)" % dll for dll in delayed], found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    failed = False
    for path in args.files:
        try:
            dlls, found = problems(path, args.machine)
        except (OSError, pefile.PEFormatError) as error:
            dlls, found = [], ["cannot be read as a PE file: %s" % error]
        print("%s imports: %s" % (path, ", ".join(dlls) or "nothing"))
        for problem in found:
            print("%s: %s" % (path, problem))
        failed |= bool(found)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
