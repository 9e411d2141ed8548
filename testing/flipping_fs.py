#!/usr/bin/python3
# A disk that accepts every write, reports success and keeps other bytes: a
# passthrough FUSE file system mounted over a directory, onto that same
# directory's own files, that flips the first byte of every file created
# through it (a cheap flash disk's fault). Files that were there before the
# mount read back as they are.
#
# usage: flipping_fs.py DIRECTORY     (runs until unmounted)
# The mount's source is "zor70-flipping:DIRECTORY", as given, so that whoever
# started it finds it in /proc/mounts under the name it knows.
# Debian's python3-fusepy (module fusepy); mounting needs root or fusermount.
import errno
import os
import sys

import fusepy

FLIPPED = 0xFF


class FlippingPassthrough(fusepy.Operations):
    def __init__(self):
        self.created = set()  # paths made through the mount: their byte 0 flips

    @staticmethod
    def real(path):
        # The process's current directory is the directory below the mount.
        return "." + path

    def getattr(self, path, fh=None):
        st = os.lstat(self.real(path))
        return {key: getattr(st, key) for key in (
            "st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime")}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self.real(path))

    def statfs(self, path):
        st = os.statvfs(self.real(path))
        return {key: getattr(st, key) for key in (
            "f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail", "f_files", "f_ffree", "f_namemax")}

    def unlink(self, path):
        os.unlink(self.real(path))
        self.created.discard(path)

    def rename(self, old, new):
        os.rename(self.real(old), self.real(new))
        self.created.discard(new)
        if old in self.created:
            self.created.discard(old)
            self.created.add(new)

    def utimens(self, path, times=None):
        os.utime(self.real(path), times)

    def truncate(self, path, length, fh=None):
        os.truncate(self.real(path), length)

    def open(self, path, flags):
        return os.open(self.real(path), flags & ~os.O_DIRECT)

    def create(self, path, mode, fi=None):
        fd = os.open(self.real(path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)
        self.created.add(path)
        return fd

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        if path in self.created and offset == 0 and data:
            data = bytes([data[0] ^ FLIPPED]) + data[1:]
        return os.pwrite(fh, data, offset)

    def fsync(self, path, datasync, fh):
        os.fsync(fh)
        return 0

    def release(self, path, fh):
        os.close(fh)
        return 0


# The calls that only pass a path on to the directory below.
for _name, _call in {"mkdir": os.mkdir, "rmdir": os.rmdir, "chmod": os.chmod, "chown": os.chown}.items():
    setattr(FlippingPassthrough, _name, lambda self, path, *args, _call=_call: _call(self.real(path), *args))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: flipping_fs.py DIRECTORY")
    directory = os.path.abspath(sys.argv[1])
    os.chdir(directory)  # keeps the directory below the mount reachable
    # direct_io: every read reaches this process, none is answered from the
    # kernel's copy of what was written.
    fusepy.FUSE(FlippingPassthrough(), directory, foreground=True, nothreads=True,
                direct_io=True, nonempty=True, fsname="zor70-flipping:" + sys.argv[1])


if __name__ == "__main__":
    try:
        main()
    except OSError as e:
        sys.exit(f"flipping_fs.py: {os.strerror(e.errno or errno.EIO)}")
