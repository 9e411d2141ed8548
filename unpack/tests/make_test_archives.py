#!/usr/bin/env python3
"""Makes the unpacker's test archives with real tools: Python's zipfile,
Info-ZIP zip and 7-Zip. Archives that no tool writes (hostile names, lying
sizes, overlapping entries) are written by zipfile and then patched, or laid
out byte by byte here.

usage: make_test_archives.py --zip ZIP --7z 7Z OUTDIR
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "testing"))
from zip_writer import DEFLATED, STORED, central_headers, write_zip  # noqa: E402

# Dates the tests expect on the files they find (DOS time: even seconds).
MOD_DATE = (2021, 3, 14, 15, 26, 52)
DRV_DATE = (2019, 11, 2, 8, 4, 10)
OTHER_DATE = (2020, 6, 30, 23, 59, 58)

# Contents the tests compare against (mirrored in unpack_test.cpp).
def mod_content():
    return b"ZOR70 module\n" + bytes(range(256)) * 40

def drv_content():
    return b"SYSCOMP\0" + struct.pack("<8I", 0, 0, 3, 1, 7, 0, 0, 0) + b"driver body\n" * 200

def new_content():
    return b"new release\n" * 300

FIRST = b"first module\n"
README = b"not a module\n"


def patch_sizes(path, name, uncompressed, local=True):
    """Rewrites the declared uncompressed size of entry `name` in the central
    directory and (unless local=False) in its local header."""
    data = bytearray(open(path, "rb").read())
    for pos, local_offset, n in central_headers(bytes(data)):
        if n != name:
            continue
        struct.pack_into("<I", data, pos + 24, uncompressed)
        if local:
            assert data[local_offset:local_offset + 4] == b"PK\x03\x04"
            struct.pack_into("<I", data, local_offset + 22, uncompressed)
        break
    else:
        raise SystemExit(f"{path}: no entry {name!r}")
    open(path, "wb").write(bytes(data))


def replace_bytes(path, old, new):
    assert len(old) == len(new)
    data = open(path, "rb").read()
    assert data.count(old) == 2, (path, old, data.count(old))  # local + central
    open(path, "wb").write(data.replace(old, new))


def flags_of(path):
    with zipfile.ZipFile(path) as z:
        return [i.flag_bits for i in z.infolist()]


def run(cmd, cwd, stdout=None):
    subprocess.run(cmd, cwd=cwd, check=True, stdout=stdout or subprocess.DEVNULL)


def stamp(path, date):
    t = time.mktime(date + (0, 0, -1))
    os.utime(path, (t, t))


def staging(root):
    """A directory tree for the command-line tools, with dated files."""
    os.makedirs(os.path.join(root, "sub"), exist_ok=True)
    files = {"mod.z70": (mod_content(), MOD_DATE),
             "sub/drv.sys": (drv_content(), DRV_DATE),
             "readme.txt": (README, OTHER_DATE),
             "first.z70": (FIRST, OTHER_DATE)}
    for name, (data, date) in files.items():
        p = os.path.join(root, name)
        with open(p, "wb") as f:
            f.write(data)
        stamp(p, date)
    stamp(os.path.join(root, "sub"), OTHER_DATE)


def overlapping_bomb(path, copies, size):
    """One deflated local entry of `size` zero bytes, named by `copies`
    central headers (the overlapping-entry "zip bomb")."""
    comp = zlib.compressobj(9, zlib.DEFLATED, -15)
    data = comp.compress(bytes(size)) + comp.flush()
    crc = zlib.crc32(bytes(size))
    dos_time = (MOD_DATE[3] << 11) | (MOD_DATE[4] << 5) | (MOD_DATE[5] // 2)
    dos_date = ((MOD_DATE[0] - 1980) << 9) | (MOD_DATE[1] << 5) | MOD_DATE[2]
    names = [f"bomb{i:02d}.z70".encode() for i in range(copies)]
    out = bytearray()
    out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, dos_time, dos_date, crc,
                       len(data), size, len(names[0]), 0) + names[0] + data
    cd_start = len(out)
    for n in names:
        out += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, dos_time, dos_date,
                           crc, len(data), size, len(n), 0, 0, 0, 0, 0, 0) + n
    cd_size = len(out) - cd_start
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, copies, copies, cd_size, cd_start, 0)
    open(path, "wb").write(bytes(out))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--zip", required=True)
    ap.add_argument("--7z", dest="sevenzip", required=True)
    ap.add_argument("outdir")
    args = ap.parse_args()
    out = args.outdir
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    p = lambda name: os.path.join(out, name)
    mod, drv = mod_content(), drv_content()

    # --- Python's zipfile ---------------------------------------------------
    write_zip(p("basic.zip"), [("mod.z70", mod, DEFLATED, MOD_DATE),
                               ("readme.txt", README, STORED, OTHER_DATE),
                               ("sub/drv.sys", drv, STORED, DRV_DATE)])
    write_zip(p("case.zip"), [("MOD.Z70", mod, DEFLATED, MOD_DATE),
                              ("mod.z70.old", mod, DEFLATED, MOD_DATE),
                              ("x.SYS", drv, STORED, DRV_DATE),
                              ("y.Sys", drv, STORED, DRV_DATE)])
    write_zip(p("nomatch.zip"), [("readme.txt", README, STORED, OTHER_DATE),
                                 ("docs/notes.txt", README, DEFLATED, OTHER_DATE)])
    write_zip(p("empty.zip"), [])
    write_zip(p("dirs.zip"), [("a/", b"", STORED, OTHER_DATE),
                              ("mods.z70/", b"", STORED, OTHER_DATE),
                              ("mods.z70/inner.sys", drv, DEFLATED, DRV_DATE),
                              ("a/b/c/deep.z70", mod, DEFLATED, MOD_DATE)])
    write_zip(p("backslash.zip"), [("sub\\win.sys", drv, DEFLATED, DRV_DATE)])
    write_zip(p("stream.zip"), [("mod.z70", mod, DEFLATED, MOD_DATE),
                                ("sub/drv.sys", drv, DEFLATED, DRV_DATE)], stream=True)
    assert all(f & 8 for f in flags_of(p("stream.zip"))), "expected data descriptors"
    write_zip(p("replace.zip"), [("mod.z70", new_content(), DEFLATED, MOD_DATE)])
    # Entries whose names only look odd stay inside the target.
    write_zip(p("odd_names.zip"), [("..a.z70", FIRST, STORED, MOD_DATE),
                                   ("a..b/c.z70", FIRST, STORED, MOD_DATE),
                                   ("a//b.z70", FIRST, STORED, MOD_DATE),
                                   ("x .y.z70", FIRST, STORED, MOD_DATE)])

    # Zip64: zipfile's forced Zip64 local header, and Info-ZIP's -fz below.
    write_zip(p("zip64_python.zip"), [("mod.z70", mod, DEFLATED, MOD_DATE)], zip64=True)

    # Checksum mismatch: one byte of stored data flipped.
    write_zip(p("crc.zip"), [("mod.z70", new_content(), STORED, MOD_DATE)])
    data = bytearray(open(p("crc.zip"), "rb").read())
    data[data.find(b"new release") + 3] ^= 0x20
    open(p("crc.zip"), "wb").write(bytes(data))
    write_zip(p("crc_second.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                    ("second.z70", new_content(), STORED, MOD_DATE)])
    data = bytearray(open(p("crc_second.zip"), "rb").read())
    data[data.find(b"new release") + 3] ^= 0x20
    open(p("crc_second.zip"), "wb").write(bytes(data))

    # A download that broke off: the end record is gone.
    whole = open(p("basic.zip"), "rb").read()
    open(p("truncated.zip"), "wb").write(whole[:len(whole) // 2])

    # Data that ends before its declared size: minizip skips the CRC then.
    write_zip(p("short.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                               ("short.z70", mod, DEFLATED, MOD_DATE)])
    patch_sizes(p("short.zip"), b"short.z70", len(mod) + 100)

    # Methods minizip would hand out raw.
    write_zip(p("bzip2.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                               ("mod.z70", mod, zipfile.ZIP_BZIP2, MOD_DATE)])
    write_zip(p("lzma.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                              ("mod.z70", mod, zipfile.ZIP_LZMA, MOD_DATE)])

    # Names leaving the target, and names Windows cannot hold. Each archive
    # starts with a harmless module, which must not be written either.
    hostile = {
        "trav_dotdot_slash": "../up.z70",
        "trav_dotdot_backslash": "..\\up.z70",
        "trav_inner_slash": "sub/../../up.z70",
        "trav_inner_backslash": "sub\\..\\..\\up.z70",
        "trav_trailing_dotdot": "mods.z70/..",
        "trav_abs_slash": "/zor70-unpack-abs.z70",
        "trav_abs_backslash": "\\zor70-unpack-abs.z70",
        "trav_drive": "C:zor70-unpack-drive.z70",
        "trav_drive_backslash": "C:\\zor70-unpack-drive.z70",
        "trav_drive_slash": "C:/zor70-unpack-drive.z70",
        "name_stream": "x.z70:stream",
        "name_con": "con.z70",
        "name_nul_dir": "sub/NUL/x.sys",
        "name_aux_upper": "AUX.sys",
        "name_com1": "COM1.z70",
        "name_lpt9": "lpt9.z70.old",
        "name_conout": "CONOUT$.z70",
        "name_dot_dir": "dir./m.z70",
        "name_dot_end": "m.z70.",
        "name_space_end": "m.z70 ",
        "name_space_dir": "dir /m.z70",
        "name_current_dir": "./m.z70",
        "name_lt": "m<.z70",
        "name_gt": "m>.z70",
        "name_quote": "m\".z70",
        "name_pipe": "m|.z70",
        "name_question": "m?.z70",
        "name_star": "m*.z70",
        "name_ctrl1": "m\x01.z70",
        "name_ctrl31": "m\x1f.z70",
    }
    for archive, name in hostile.items():
        write_zip(p(archive + ".zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                        (name, mod, DEFLATED, MOD_DATE)])
    # zipfile cuts names at NUL, so the NUL goes in afterwards.
    write_zip(p("name_nul.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                  ("te_t.z70", mod, DEFLATED, MOD_DATE)])
    replace_bytes(p("name_nul.zip"), b"te_t.z70", b"te\0t.z70")
    # ".z70" only after a NUL: the filter must read the whole name.
    write_zip(p("name_nul_hidden.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                         ("hid_.z70", mod, DEFLATED, MOD_DATE)])
    replace_bytes(p("name_nul_hidden.zip"), b"hid_.z70", b"hid\0.z70")

    # Long names: longer than minizip's customary 256-byte buffer.
    long_plain = "n" * 300 + ".txt"
    long_module = "m" * 296 + ".z70"
    write_zip(p("long_plain.zip"), [(long_plain, README, STORED, OTHER_DATE),
                                    ("mod.z70", mod, DEFLATED, MOD_DATE)])
    write_zip(p("long_module.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                     (long_module, mod, DEFLATED, MOD_DATE)])
    # Names a little under the limit: the tests pick a target depth so that
    # the output path is exactly 259 or 260 bytes.
    write_zip(p("name_190.zip"), [("d" * 186 + ".z70", mod, DEFLATED, MOD_DATE)])
    # Names shorter than the temporary file's (15 bytes).
    write_zip(p("short_names.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                     ("a.z70", FIRST, STORED, OTHER_DATE)])

    # Archives that would fill the disk.
    overlapping_bomb(p("bomb.zip"), 20, 64 << 20)
    write_zip(p("declared_huge.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                       ("huge.z70", mod, DEFLATED, MOD_DATE)])
    patch_sizes(p("declared_huge.zip"), b"huge.z70", 0xFFFFFF00, local=False)
    write_zip(p("unmatched_huge.zip"), [("big.bin", README, STORED, OTHER_DATE),
                                        ("mod.z70", mod, DEFLATED, MOD_DATE)])
    patch_sizes(p("unmatched_huge.zip"), b"big.bin", 0xFFFFFF00, local=False)
    write_zip(p("fill_3m.zip"), [("first.z70", FIRST, STORED, OTHER_DATE),
                                 ("fill.z70", bytes(3 << 20), DEFLATED, MOD_DATE)])
    write_zip(p("fill_256k.zip"), [("fill.z70", bytes(256 << 10), DEFLATED, MOD_DATE)])
    # Four modules that replace four of the same size on a nearly full disk.
    write_zip(p("replace_4x150k.zip"), [("m%d.z70" % i, bytes([i]) * (150 << 10), DEFLATED, MOD_DATE)
                                        for i in range(1, 5)])

    # --- Info-ZIP zip and 7-Zip, from a dated tree -------------------------------
    with tempfile.TemporaryDirectory() as tree:
        staging(tree)
        run([args.zip, "-q", "-r", "-X", os.path.abspath(p("infozip.zip")),
             "mod.z70", "sub", "readme.txt"], tree)
        run([args.zip, "-q", "-X", "-fz", os.path.abspath(p("zip64_infozip.zip")),
             "mod.z70", "sub/drv.sys"], tree)
        # Written to a pipe, zip cannot seek back: data descriptors follow the data.
        piped = subprocess.run([args.zip, "-q", "-X", "-", "mod.z70", "sub/drv.sys"], cwd=tree,
                               check=True, stdout=subprocess.PIPE).stdout
        open(p("infozip_stream.zip"), "wb").write(piped)
        assert all(f & 8 for f in flags_of(p("infozip_stream.zip"))), "expected data descriptors"
        run([args.zip, "-q", "-X", "-0", os.path.abspath(p("infozip_stored.zip")),
             "mod.z70", "sub/drv.sys"], tree)
        # Encrypted after a plain module.
        run([args.zip, "-q", "-X", os.path.abspath(p("encrypted_infozip.zip")), "first.z70"], tree)
        run([args.zip, "-q", "-X", "-P", "secret", os.path.abspath(p("encrypted_infozip.zip")),
             "mod.z70"], tree)
        assert flags_of(p("encrypted_infozip.zip"))[1] & 1
        run([args.sevenzip, "a", "-tzip", "-mx=5", os.path.abspath(p("sevenzip.zip")),
             "mod.z70", "sub", "readme.txt"], tree)
        run([args.sevenzip, "a", "-tzip", "-mx=0", os.path.abspath(p("sevenzip_stored.zip")),
             "mod.z70", "sub"], tree)
        run([args.sevenzip, "a", "-tzip", "-psecret", "-mem=ZipCrypto",
             os.path.abspath(p("encrypted_7z_zipcrypto.zip")), "mod.z70"], tree)
        run([args.sevenzip, "a", "-tzip", "-psecret", "-mem=AES256",
             os.path.abspath(p("encrypted_7z_aes.zip")), "mod.z70"], tree)
        assert flags_of(p("encrypted_7z_zipcrypto.zip"))[0] & 1
        assert flags_of(p("encrypted_7z_aes.zip"))[0] & 1

    open(p(".done"), "w").write("made by make_test_archives.py\n")


if __name__ == "__main__":
    sys.exit(main())
