"""Serves one image file read-only through FUSE as FOLDER/disk.img, with chosen sectors that fail
with EIO as a failing disk's do: a source with bad sectors for the mount tests, run by them as
/usr/bin/python3 failing_image.py IMAGE FOLDER SECTOR... (Debian's python3-fusepy)."""

import errno
import os
import stat
import sys

from fusepy import FUSE, FuseOSError, Operations

SECTOR = 512


class FailingImage(Operations):
    def __init__(self, image, bad_sectors):
        self.descriptor = os.open(image, os.O_RDONLY)
        self.size = os.fstat(self.descriptor).st_size
        self.bad_sectors = set(bad_sectors)

    def getattr(self, path, fh=None):
        if path == "/":
            return {"st_mode": stat.S_IFDIR | 0o555, "st_nlink": 2}
        if path == "/disk.img":
            return {"st_mode": stat.S_IFREG | 0o444, "st_nlink": 1, "st_size": self.size}
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return [".", "..", "disk.img"]

    def read(self, path, size, offset, fh):
        if size and any(offset // SECTOR <= s <= (offset + size - 1) // SECTOR for s in self.bad_sectors):
            raise FuseOSError(errno.EIO)
        return os.pread(self.descriptor, size, offset)


if __name__ == "__main__":
    image, folder, *sectors = sys.argv[1:]
    # direct_io: every read reaches read() as it was asked for, none is served from a cache.
    FUSE(FailingImage(image, map(int, sectors)), folder, foreground=True, ro=True, direct_io=True)
