"""Zip archives as the tests, the fuzz seeds and the demo write them:
Python's zipfile with fixed dates, so the same input gives the same bytes,
and the walk of the central directory that archives patched afterwards need.
The scripts import it from testing/."""
import io
import struct
import zipfile

STORED, DEFLATED = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED


def zip_bytes(entries, date=None, stream=False, zip64=False, comment=b""):
    """entries: (name, data, method) or (name, data, method, date); an entry
    without its own date gets `date`. stream=True writes through an
    unseekable file, so zipfile uses data descriptors; zip64=True forces
    Zip64 local headers."""
    target = io.BytesIO()

    class Unseekable(io.RawIOBase):
        def writable(self):
            return True

        def write(self, b):
            target.write(b)
            return len(b)

    with zipfile.ZipFile(Unseekable() if stream else target, "w") as z:
        z.comment = comment
        for name, data, method, *own_date in entries:
            info = zipfile.ZipInfo(name, date_time=own_date[0] if own_date else date)
            info.compress_type = method
            info.external_attr = (0o40755 if name.endswith("/") else 0o100644) << 16
            if zip64:
                with z.open(info, "w", force_zip64=True) as f:
                    f.write(data)
            else:
                z.writestr(info, data)
    return bytearray(target.getvalue())


def write_zip(path, entries, date=None, **options):
    with open(path, "wb") as f:
        f.write(zip_bytes(entries, date, **options))


def central_headers(data):
    """Yields (offset, local header offset, name) of every central directory header."""
    eocd = data.rfind(b"PK\x05\x06")
    count, _size, start = struct.unpack_from("<HII", data, eocd + 10)
    pos = start
    for _ in range(count):
        assert data[pos:pos + 4] == b"PK\x01\x02"
        nlen, xlen, clen = struct.unpack_from("<HHH", data, pos + 28)
        (local,) = struct.unpack_from("<I", data, pos + 42)
        yield pos, local, bytes(data[pos + 46:pos + 46 + nlen])
        pos += 46 + nlen + xlen + clen
