#!/usr/bin/env python3
"""Judges every archive of the shared zip corpus with Python's zipfile, an
independent reader, for the unpacker's corpus test.

An archive is "damaged" when zipfile cannot open it or cannot read every
entry to its end with a good checksum, and "hostile" when an entry name
would leave the target ("..", absolute, drive or colon), holds a NUL, or an
entry is encrypted or compressed by a method other than stored or deflated.
Every other archive is "sound", and the contents of its entries are kept
for the test to compare with what the unpacker wrote.

usage: judge_corpus.py CORPUS_DIR OUT_DIR   (writes OUT_DIR/verdicts.txt)
Lines: "A <relpath> <damaged|hostile|sound> <reason>" for each archive,
then for sound ones "E <name as hex> <file under OUT_DIR>" per entry.
"""
import os
import shutil
import sys
import zipfile


def raw_name(info):
    return info.orig_filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")


def hostile_reason(info):
    name = raw_name(info)
    parts = name.replace(b"\\", b"/").split(b"/")
    if b".." in parts:
        return "parent component"
    if name[:1] in (b"/", b"\\"):
        return "absolute name"
    if b":" in name:
        return "colon in name"
    if b"\0" in name:
        return "NUL in name"
    if info.flag_bits & 1:
        return "encrypted"
    if info.compress_type not in (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED):
        return f"method {info.compress_type}"
    return None


def judge(path):
    """(verdict, reason, [(raw name, bytes)])"""
    try:
        with zipfile.ZipFile(path) as z:
            infos = z.infolist()
            for info in infos:
                reason = hostile_reason(info)
                if reason:
                    return "hostile", reason, []
            entries = []
            for info in infos:
                data = z.read(info)
                name = raw_name(info)
                # Directories, and an empty name (which names the target
                # itself), write no file.
                if name and not name.endswith(b"/"):
                    entries.append((name, data))
            return "sound", "read", entries
    except Exception as e:  # any failure of the reference reader is damage
        return "damaged", type(e).__name__, []


def main():
    corpus, out = sys.argv[1], sys.argv[2]
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    lines = []
    if os.path.isdir(corpus):
        paths = []
        for root, _, files in os.walk(corpus):
            paths += [os.path.join(root, f) for f in files if f.endswith(".zip")]
        for n, path in enumerate(sorted(paths)):
            rel = os.path.relpath(path, corpus).replace(os.sep, "/")
            verdict, reason, entries = judge(path)
            lines.append(f"A {rel} {verdict} {reason}")
            for k, (name, data) in enumerate(entries):
                ref = f"{n:03d}_{k:03d}.bin"
                with open(os.path.join(out, ref), "wb") as f:
                    f.write(data)
                lines.append(f"E {name.hex() or '-'} {ref}")
    with open(os.path.join(out, "verdicts.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    open(os.path.join(out, ".done"), "w").write("judged\n")


if __name__ == "__main__":
    main()
