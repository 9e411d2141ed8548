#!/usr/bin/env python3
"""Writes the unpacker fuzz target's seed archives: small, so mutations stay
fast, and each a different road through the unpacker (good modules, a
replacement for the module the target already holds, names that must be
refused, broken checksums, lying sizes, directories, data descriptors,
Zip64, encryption flags, other methods).

usage: make_zip_seeds.py OUTDIR
"""
import os
import struct
import sys
import warnings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testing"))
from zip_writer import DEFLATED as D, STORED as S, central_headers, zip_bytes  # noqa: E402

# The duplicate keep.z70 entries are meant.
warnings.filterwarnings("ignore", "Duplicate name")

DATE = (2021, 3, 14, 15, 26, 52)


def archive(entries, **options):
    """entries: (name, data, method)."""
    return zip_bytes(entries, DATE, **options)


def central_offsets(data):
    return [(central, local) for central, local, _name in central_headers(data)]


MOD = b"ZOR70 module\n" + bytes(range(64))
SYS = b"SYSCOMP\0" + struct.pack("<8I", 0, 0, 3, 1, 7, 0, 0, 0)
NEW = b"new release of keep\n" * 4


def seeds():
    yield "modules", archive([("mod.z70", MOD, D), ("readme.txt", b"not a module\n", D),
                              ("sub/drv.sys", SYS, D)])
    yield "replace_keep", archive([("keep.z70", NEW, D)])
    yield "replace_keep_stored", archive([("keep.z70", NEW, S), ("keep.z70", MOD, S)])
    yield "directories", archive([("dir.z70/", b"", S), ("a/b/c.sys", SYS, S), ("a/", b"", S)])
    yield "backslashes", archive([("sub\\win.sys", SYS, D), ("x.z70.old", MOD, S)])
    yield "traversal", archive([("good.z70", MOD, S), ("../evil.z70", MOD, S),
                                ("/abs.sys", SYS, S)])
    yield "device_names", archive([("CON.z70", MOD, S), ("a./b.sys", SYS, S), ("c:x.z70", MOD, S)])
    yield "empty", archive([])
    yield "stream", archive([("keep.z70", NEW, D), ("m.sys", SYS, D)], stream=True)
    yield "zip64", archive([("big.z70", MOD, D)], zip64=True)
    yield "comment", archive([("c.z70", MOD, S)], comment=b"PK\x05\x06 in the comment")

    # keep.z70 with a wrong checksum: the old file must survive.
    bad = archive([("keep.z70", NEW, S)])
    for central, local in central_offsets(bad):
        struct.pack_into("<I", bad, central + 16, 0x12345678)
        struct.pack_into("<I", bad, local + 14, 0x12345678)
    yield "bad_crc", bad

    # keep.z70 declaring more data than it has.
    short = archive([("keep.z70", NEW, S)])
    for central, local in central_offsets(short):
        struct.pack_into("<I", short, central + 24, len(NEW) + 100)
        struct.pack_into("<I", short, local + 22, len(NEW) + 100)
    yield "declared_longer", short

    # Encryption flag and an unknown method on otherwise plain entries.
    flagged = archive([("enc.z70", MOD, S), ("m12.sys", SYS, S)])
    offsets = list(central_offsets(flagged))
    struct.pack_into("<H", flagged, offsets[0][0] + 8, 1)
    struct.pack_into("<H", flagged, offsets[0][1] + 6, 1)
    struct.pack_into("<H", flagged, offsets[1][0] + 10, 12)
    struct.pack_into("<H", flagged, offsets[1][1] + 8, 12)
    yield "flags_and_methods", flagged

    # Cut in half: no end of central directory to find.
    whole = archive([("keep.z70", NEW * 8, D)])
    yield "truncated", whole[:len(whole) // 2]


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(out, name + ".zip"), "wb") as f:
            f.write(bytes(data))
    open(os.path.join(out, ".done"), "w").close()


if __name__ == "__main__":
    main()
