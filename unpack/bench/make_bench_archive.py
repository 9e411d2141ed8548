#!/usr/bin/env python3
"""Makes the unpack benchmark's archive: ten module entries of 4 MiB each
(40 MiB), text-like data that deflates about 5:1 (about 8 MiB of archive),
the size of the largest package the download accepts.

usage: make_bench_archive.py OUT.zip
"""
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "testing"))
from zip_writer import DEFLATED, write_zip  # noqa: E402

ENTRY_SIZE = 4 << 20
ENTRIES = 10


def entry_data(r):
    vocabulary = [bytes(r.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(r.randint(2, 9)))
                  for _ in range(64)]
    return b" ".join(r.choices(vocabulary, k=ENTRY_SIZE // 5))[:ENTRY_SIZE]


def main():
    out = sys.argv[1]
    os.makedirs(os.path.dirname(out), exist_ok=True)
    r = random.Random(70)
    tmp = out + ".part"
    names = [f"sub/drv{i:02d}.sys" if i % 5 == 4 else f"mod{i:02d}.z70" for i in range(ENTRIES)]
    write_zip(tmp, [(name, entry_data(r), DEFLATED) for name in names], (2021, 3, 14, 15, 26, 52))
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
