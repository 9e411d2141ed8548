#!/usr/bin/env python3
"""Builds the demo's sample world: a catalogue site and a scanner disk.

    make_demo_data.py OUTPUT_DIR

writes
  OUTPUT_DIR/site/index.php                 the module list page (the page the
                                            program asks for as
                                            /index.php?mod=dirtst)
  OUTPUT_DIR/site/files/modules/*.zip       one package per published release
  OUTPUT_DIR/scanner/Program Files/...      what the sample scanner holds before
                                            the demo installs anything
  OUTPUT_DIR/expected-after-install.txt     the module files the scanner must
                                            hold once every new release is in,
                                            one name a line, sorted

A dozen modules: application modules of several series (so the rows show
different emblems), two programmer modules, and the two system components
(boot_manager, qm7upd). Seven have a release the scanner lacks; five are up
to date. Everything is deterministic: the same input gives the same bytes.
"""
import os
import random
import shutil
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testing"))
from zip_writer import DEFLATED, write_zip  # noqa: E402

# (module name, date, version, archive name, already on the scanner?)
# The version's first number is the module's series: the row's emblem.
APPLICATION_MODULES = [
    ("ENGINE_DIAG", "2015-02-10", "1.4.2.7", "ENGINE_DIAG_1427", False),
    ("ENGINE_DIAG", "2014-11-03", "1.3.1.1", "ENGINE_DIAG_1311", True),   # older release on the scanner
    ("ABS_ESP", "2014-12-18", "3.2.0.5", "ABS_ESP_3205", True),
    ("AIRBAG_SRS", "2015-01-22", "5.1.1.0", "AIRBAG_SRS_5110", False),
    ("PRG_IMMO", "2015-02-02", "8.2.0.1", "PRG_IMMO_8201", False),
    ("DASHBOARD", "2014-10-07", "12.1.4.0", "DASHBOARD_12140", True),
    ("GEARBOX_AT", "2015-01-30", "17.3.0.2", "GEARBOX_AT_17302", False),
    ("CLIMATE", "2014-09-15", "21.1.0.9", "CLIMATE_21109", True),
    ("PRG_EEPROM", "2015-02-05", "28.1.2.0", "PRG_EEPROM_28120", False),
    ("BODY_CTRL", "2015-01-12", "33.2.2.2", "BODY_CTRL_33222", False),
    ("INJECTOR", "2014-08-28", "40.1.0.0", "INJECTOR_40100", True),
]

# System components: (name, date, version, archive name, version the scanner
# holds or None). The scanner's header is compared by version, not name only.
SYSTEM_MODULES = [
    ("boot", "2015-02-12", "2.0.7", "boot_manager", (2, 0, 5)),      # older on the scanner: new
    ("qm7upd", "2014-12-01", "3.1.0", "qm7upd", (3, 1, 0)),          # same version: up to date
]

PACKAGE_DIR = "files/modules/"
ZIP_TIME = (2015, 2, 12, 10, 30, 0)


def module_bytes(archive, size):
    """A module file: a short header naming it, then filler of its own."""
    rng = random.Random(archive)
    head = b"ZOR70-MODULE\0" + archive.encode("ascii") + b"\0"
    return head + bytes(rng.getrandbits(8) for _ in range(size - len(head)))


def system_bytes(archive, version):
    """A system component: the version words at byte offsets 16, 20 and 24."""
    rng = random.Random(archive + ".".join(map(str, version)))
    head = b"ZOR70-SYSTEM\0\0\0\0" + struct.pack("<III", *version)
    head += b"\0" * (60 - len(head))
    return head + bytes(rng.getrandbits(8) for _ in range(6000))


def page_lines():
    lines = ["modlist_dir", "../" + PACKAGE_DIR, "modlist_start"]
    for name, date, version, archive, _ in APPLICATION_MODULES:
        lines.append("%s v_%s %s.z70 %s%s.zip" % (date, version, name, PACKAGE_DIR, archive))
    for name, date, version, archive, _ in SYSTEM_MODULES:
        lines.append("%s v_%s %s.sys %s%s.zip" % (date, version, name, PACKAGE_DIR, archive))
    lines.append("modlist_stop")
    return lines


def main(argv):
    if len(argv) != 2:
        print("usage: make_demo_data.py OUTPUT_DIR", file=sys.stderr)
        return 2
    out = argv[1]
    staging = out + ".new"
    shutil.rmtree(staging, ignore_errors=True)
    packages = os.path.join(staging, "site", PACKAGE_DIR)
    module_dir = os.path.join(staging, "scanner", "Program Files")
    os.makedirs(packages)
    os.makedirs(module_dir)

    page = "<html><head><title>ZOR-70 modules</title></head><body>\n"
    page += "".join(line + "<br>\n" for line in page_lines()) + "</body></html>\n"
    with open(os.path.join(staging, "site", "index.php"), "wb") as f:
        f.write(page.encode("cp1251"))

    expected = set()
    newest = {}
    for name, _, _, archive, _ in APPLICATION_MODULES:
        newest.setdefault(name, archive)   # the page lists the newest release first
    for i, (name, _, _, archive, on_scanner) in enumerate(APPLICATION_MODULES):
        data = module_bytes(archive, 24000 + 9000 * i)
        # A package may carry files that are not modules; only the module is unpacked.
        write_zip(os.path.join(packages, archive + ".zip"),
                  [(archive + ".z70", data, DEFLATED), ("readme.txt", b"Sample package of the demo.\r\n", DEFLATED)],
                  ZIP_TIME)
        if on_scanner:
            with open(os.path.join(module_dir, archive + ".z70"), "wb") as f:
                f.write(data)
            expected.add(archive + ".z70")
        if newest[name] == archive:
            expected.add(archive + ".z70")
    for name, _, version, archive, held in SYSTEM_MODULES:
        numbers = tuple(int(n) for n in version.split("."))
        write_zip(os.path.join(packages, archive + ".zip"), [(archive + ".sys", system_bytes(archive, numbers), DEFLATED)],
                  ZIP_TIME)
        if held:
            with open(os.path.join(module_dir, archive + ".sys"), "wb") as f:
                f.write(system_bytes(archive, held))
        expected.add(archive + ".sys")
    with open(os.path.join(staging, "scanner", "readme.txt"), "wb") as f:
        f.write(b"Sample disk of the simulated ZOR-70 scanner.\r\n")

    with open(os.path.join(staging, "expected-after-install.txt"), "w") as f:
        f.write("".join(name + "\n" for name in sorted(expected)))

    shutil.rmtree(out, ignore_errors=True)
    os.replace(staging, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
