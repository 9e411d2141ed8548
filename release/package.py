#!/usr/bin/python3
"""The byte-exact pieces of a release, for scripts/release.

  package.py readme SOURCE OUT VERSION ARCH   the user guide: CRLF, UTF-8 with BOM
  package.py zip OUT EPOCH FILE...            a zip with fixed order, dates, attributes
  package.py company EXE                      VERSIONINFO's CompanyName, or nothing
  package.py sums DIR FILE...                 SHA256SUMS lines (sha256sum's format)
"""
import hashlib
import os
import sys
import time
import zipfile

ARCH_TEXT = {"win64": "для 64-разрядной Windows", "win32": "для 32-разрядной Windows"}
FILE_ATTRIBUTE_ARCHIVE = 0x20


def readme(source, out, version, arch):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("@VERSION@", version).replace("@ARCH@", arch).replace("@ARCH_TEXT@", ARCH_TEXT[arch])
    lines = text.splitlines()
    # Notepad of Windows 7 takes a file for UTF-8 only by its byte-order mark.
    with open(out, "wb") as f:
        f.write(b"\xef\xbb\xbf" + "\r\n".join(lines).encode("utf-8") + b"\r\n")


def make_zip(out, epoch, files):
    # Zip dates are local times with two-second steps from 1980 on; the
    # epoch is taken as UTC so that the same commit gives the same bytes anywhere.
    stamp = max(int(epoch), 315532800)
    date_time = time.gmtime(stamp)[:6]
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for path in files:
            info = zipfile.ZipInfo(os.path.basename(path), date_time)
            info.create_system = 0          # MS-DOS attributes, as a Windows zip has
            info.external_attr = FILE_ATTRIBUTE_ARCHIVE
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)


def company(exe):
    import pefile
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    for info in getattr(pe, "FileInfo", []) or []:
        for block in info:
            for table in getattr(block, "StringTable", []):
                value = table.entries.get(b"CompanyName")
                if value:
                    return value.decode("utf-8")
    return ""


def sums(directory, files):
    lines = []
    for name in files:
        with open(os.path.join(directory, name), "rb") as f:
            lines.append("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name))
    return "".join(lines)


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "readme" and len(argv) == 6:
        readme(*argv[2:])
    elif command == "zip" and len(argv) >= 5:
        make_zip(argv[2], argv[3], argv[4:])
    elif command == "company" and len(argv) == 3:
        print(company(argv[2]))
    elif command == "sums" and len(argv) >= 4:
        sys.stdout.write(sums(argv[2], argv[3:]))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
