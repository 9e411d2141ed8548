#!/usr/bin/env python3
"""Module packages for the worker's tests: each archive NAME.zip beside the
bytes of its module file NAME.payload, so a test can compare what lands on
the scanner."""
import os
import random
import sys
import zipfile

FIXED_TIME = (2014, 5, 12, 10, 30, 0)


def payload(seed, size):
    rng = random.Random(seed)
    # Incompressible, so the archive is about as large as the module and the
    # download reports several kilobytes.
    return bytes(rng.getrandbits(8) for _ in range(size))


def write_package(out_dir, archive, entries):
    with zipfile.ZipFile(os.path.join(out_dir, archive + ".zip"), "w") as zf:
        for name, data, method in entries:
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = method
            zf.writestr(info, data)


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)

    diag = payload(1, 5000)
    write_package(out_dir, "DIAG01_1234", [
        ("DIAG01_1234.z70", diag, zipfile.ZIP_STORED),
        ("readme.txt", b"not a module\r\n", zipfile.ZIP_DEFLATED),
    ])
    with open(os.path.join(out_dir, "DIAG01_1234.payload"), "wb") as f:
        f.write(diag)

    meas = payload(2, 700)
    write_package(out_dir, "MEAS02_0501", [("MEAS02_0501.z70", meas, zipfile.ZIP_DEFLATED)])
    with open(os.path.join(out_dir, "MEAS02_0501.payload"), "wb") as f:
        f.write(meas)

    open(os.path.join(out_dir, ".done"), "w").close()


if __name__ == "__main__":
    main()
