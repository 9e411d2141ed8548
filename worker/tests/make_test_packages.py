#!/usr/bin/env python3
"""Module packages for the worker's tests: each archive NAME.zip beside the
bytes of its module file NAME.payload, so a test can compare what lands on
the scanner."""
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "testing"))
from zip_writer import DEFLATED, STORED, write_zip  # noqa: E402

FIXED_TIME = (2014, 5, 12, 10, 30, 0)


def payload(seed, size):
    rng = random.Random(seed)
    # Incompressible, so the archive is about as large as the module and the
    # download reports several kilobytes.
    return bytes(rng.getrandbits(8) for _ in range(size))


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)

    diag = payload(1, 5000)
    write_zip(os.path.join(out_dir, "DIAG01_1234.zip"), [
        ("DIAG01_1234.z70", diag, STORED),
        ("readme.txt", b"not a module\r\n", DEFLATED),
    ], FIXED_TIME)
    with open(os.path.join(out_dir, "DIAG01_1234.payload"), "wb") as f:
        f.write(diag)

    meas = payload(2, 700)
    write_zip(os.path.join(out_dir, "MEAS02_0501.zip"), [("MEAS02_0501.z70", meas, DEFLATED)], FIXED_TIME)
    with open(os.path.join(out_dir, "MEAS02_0501.payload"), "wb") as f:
        f.write(meas)

    open(os.path.join(out_dir, ".done"), "w").close()


if __name__ == "__main__":
    main()
