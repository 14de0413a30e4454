# SPDX-License-Identifier: Apache-2.0
"""Serves one image file read-only through FUSE as FOLDER/disk.img, as a failing disk would give it:
chosen sectors fail with EIO, others answer slowly. A source with bad areas for the tests and the
benchmarks, run as

    /usr/bin/python3 failing_image.py IMAGE FOLDER [SECTOR | FIRST-LAST]... [--slow FIRST-LAST]...
                                      [--delay SECONDS] [--reads FILE]

(Debian's python3-fusepy). FIRST-LAST names sectors FIRST to LAST, both included. With --reads,
the number of times each sector was read is written to FILE when the file system is unmounted,
one "sector count" line per sector read, so that a test can tell which sectors were read again."""

import argparse
import bisect
import contextlib
import errno
import os
import stat
import subprocess
import time

try:
    from fusepy import FUSE, FuseOSError, Operations
except ImportError:  # the tests that need it say why they are skipped
    FUSE = None
    Operations = object

SECTOR = 512


def sector_ranges(words):
    """Sorted, joined (first, last) ranges from "N" and "FIRST-LAST" words."""
    ranges = []
    for word in words:
        first, _, last = word.partition("-")
        ranges.append((int(first), int(last or first)))
    ranges.sort()
    joined = []
    for first, last in ranges:
        if joined and first <= joined[-1][1] + 1:
            joined[-1] = (joined[-1][0], max(joined[-1][1], last))
        else:
            joined.append((first, last))
    return joined


class SectorRanges:
    def __init__(self, words):
        self.ranges = sector_ranges(words)
        self.firsts = [first for first, _ in self.ranges]

    def touches(self, first, last):
        """Whether any sector from first to last is in a range."""
        index = bisect.bisect_right(self.firsts, last) - 1
        return index >= 0 and self.ranges[index][1] >= first


class FailingImage(Operations):
    def __init__(self, image, bad, slow, delay, counting):
        self.descriptor = os.open(image, os.O_RDONLY)
        self.size = os.fstat(self.descriptor).st_size
        self.bad = SectorRanges(bad)
        self.slow = SectorRanges(slow)
        self.delay = delay
        self.reads = {} if counting else None

    def getattr(self, path, fh=None):
        if path == "/":
            return {"st_mode": stat.S_IFDIR | 0o555, "st_nlink": 2}
        if path == "/disk.img":
            return {"st_mode": stat.S_IFREG | 0o444, "st_nlink": 1, "st_size": self.size}
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return [".", "..", "disk.img"]

    def read(self, path, size, offset, fh):
        if size == 0:
            return b""
        first, last = offset // SECTOR, (offset + size - 1) // SECTOR
        if self.reads is not None:
            for sector in range(first, last + 1):
                self.reads[sector] = self.reads.get(sector, 0) + 1
        if self.slow.touches(first, last):
            time.sleep(self.delay)
        if self.bad.touches(first, last):
            raise FuseOSError(errno.EIO)
        return os.pread(self.descriptor, size, offset)


def unavailable():
    """Why no failing disk can be served here, or None."""
    if FUSE is None:
        return "python3-fusepy is not installed"
    if not os.access("/dev/fuse", os.R_OK | os.W_OK):
        return "/dev/fuse cannot be opened"
    return None


@contextlib.contextmanager
def failing_disk(image, folder, bad=(), slow=(), delay=0.01, reads=None):
    """The path of the image served with bad and slow sectors while the block runs; the file system
    is unmounted and its server ended afterwards."""
    os.makedirs(folder, exist_ok=True)
    command = ["/usr/bin/python3", os.path.abspath(__file__), image, folder, *map(str, bad),
               "--delay", str(delay)] + [f"--slow={r}" for r in slow] + (["--reads", reads] if reads else [])
    server = subprocess.Popen(command, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 10
        while not os.path.ismount(folder):
            if server.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError(f"the failing disk was not served at {folder}")
            time.sleep(0.02)
        yield os.path.join(folder, "disk.img")
    finally:
        if os.path.ismount(folder):
            subprocess.run(["umount", folder], check=False)
        server.wait(timeout=10)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("image")
    parser.add_argument("folder")
    parser.add_argument("bad", nargs="*")
    parser.add_argument("--slow", action="append", default=[])
    parser.add_argument("--delay", type=float, default=0.01)
    parser.add_argument("--reads")
    arguments = parser.parse_args()
    served = FailingImage(arguments.image, arguments.bad, arguments.slow, arguments.delay,
                          arguments.reads is not None)
    # direct_io: every read reaches read() as it was asked for, none is served from a cache.
    FUSE(served, arguments.folder, foreground=True, ro=True, direct_io=True)
    if arguments.reads:
        with open(arguments.reads, "w") as counts:
            for sector in sorted(served.reads):
                counts.write(f"{sector} {served.reads[sector]}\n")


if __name__ == "__main__":
    main()
