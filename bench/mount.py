#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Mount: is a mounted volume as quick to copy and to list as the command line's own work?

1. Builds a volume of about 1 GiB of files (the recovery benchmark's mix; or the size in MiB given
   as the first argument or in BENCH_SIZE_MIB), mounts it with `kestrel-nss-cli mount` and copies
   the mounted folder with `cp -r` into BENCH_OUT (default /dev/shm, a RAM file system), against
   `kestrel-nss-cli recover` of the same volume into the same folder, in the same run, warm (the
   image in the page cache). Every copy starts on a fresh mount, so that none reads pages the
   kernel kept from the one before. Target: cp -r at most 1.5 times recover's time.
2. Builds a volume of 100,000 files in 10,000 folders (or the count given as the second argument
   or in BENCH_FILES), and lists the mounted volume with `find` against the volume scan
   (`kestrel-nss-cli ls --json`). Target: find at most 3 times the scan's time.

Needs /dev/fuse; prints SKIPPED without it."""

import contextlib
import os
import shutil
import subprocess
import sys
import tempfile

import recovery
import volume_scan
from common import CLI, GiB, QUIET_LOG, Comparison, best_of, make_image, print_table, settle, size_argument

COPY_TARGET = 1.5
FIND_TARGET = 3.0


def file_count_argument(default):
    text = sys.argv[2] if len(sys.argv) > 2 else os.environ.get("BENCH_FILES")
    return int(text) if text else default


def fuse_missing():
    try:
        os.close(os.open("/dev/fuse", os.O_RDWR))
    except OSError as error:
        return f"/dev/fuse cannot be opened ({error.strerror})"
    return None if shutil.which("fusermount3") else "fusermount3 is not installed"


class Mount:
    """A mount point that is mounted afresh on each call of remount()."""

    def __init__(self, image, folder):
        self.image, self.point = image, os.path.join(folder, "mnt")
        os.makedirs(self.point, exist_ok=True)

    def unmount(self):
        if os.path.ismount(self.point):
            subprocess.run(["fusermount3", "-u", self.point], check=True)

    def remount(self):
        self.unmount()
        subprocess.run([CLI, "mount", "--image", self.image, self.point], env=QUIET_LOG, check=True,
                       stderr=subprocess.DEVNULL)


@contextlib.contextmanager
def mounted(image, folder):
    mount = Mount(image, folder)
    try:
        yield mount
    finally:
        mount.unmount()


def measure_copy(folder, size, rounds=3):
    image = make_image(folder, "copy", recovery.layout(size))
    total = sum(count * length for count, length, _ in recovery.files(size))
    target = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    out = os.path.join(target, "out")
    try:
        with mounted(image, folder) as mount:
            def prepare():
                shutil.rmtree(out, ignore_errors=True)
                mount.remount()
                settle(image)

            best = best_of(rounds, {
                "cp -r mounted": (["cp", "-r", mount.point, out], None),
                "recover": ([CLI, "recover", "--image", image, "--to", out], QUIET_LOG),
            }, prepare)
    finally:
        shutil.rmtree(target)
    return Comparison("mount copy", "warm", "cp -r mounted", best["cp -r mounted"][0], "recover",
                      best["recover"][0], total, COPY_TARGET, higher=False)


def measure_find(folder, files, rounds=3):
    image = make_image(folder, "find", volume_scan.volume_layout(max(1, files // 10), files))
    with mounted(image, folder) as mount:
        def prepare():
            mount.remount()
            settle(image)

        best = best_of(rounds, {
            "find mounted": (["find", mount.point], None),
            "volume scan (ls)": ([CLI, "ls", "--image", image, "--json"], QUIET_LOG),
        }, prepare)
        listed = subprocess.run(["find", mount.point], capture_output=True, text=True).stdout.count("\n")
    return Comparison("mount find", "warm", "find mounted", best["find mounted"][0], "volume scan (ls)",
                      best["volume scan (ls)"][0], 0, FIND_TARGET, higher=False), listed


def main():
    missing = fuse_missing()
    if missing:
        print(f"SKIPPED: {missing}")
        return 0
    size, files = size_argument(1 * GiB), file_count_argument(100_000)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        copy = measure_copy(folder, size)
        find, listed = measure_find(folder, files)
    met = print_table([copy, find])
    print(f"copy: {copy.size / GiB:.2f} GiB; find: {files} files in {max(1, files // 10)} folders "
          f"({listed} paths listed)")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
