#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Imaging: is `kestrel-nss-cli image` as fast as a plain copy?

Images a file of real, non-zero data (4 GiB, or the size in MiB given as the first argument or
in BENCH_SIZE_MIB; written once to BENCH_DIR, default /tmp, and reused by later runs) with
`kestrel-nss-cli image --image SRC --to DST`, which also hashes the image (SHA-256) and writes its
map file, and `image --no-hash`, which shows what the copy itself reaches; in the same run it
copies the source with dd and with GNU ddrescue. Warm, the source is in the page cache and the
reference is `dd bs=1M`; cold, the source is a read-only loop device read after the page cache is
dropped and the reference is `dd iflag=direct bs=1M`. Every contender writes a fresh file in
BENCH_OUT (default /dev/shm, a RAM file system, so that the disk's own write-back does not decide
the result) and runs several times, alternating; the best time of each counts. Prints the ratios
(targets: at least 0.95 of dd, at least as fast as ddrescue) and, as the bound that the hash
sets, the time SHA-256 alone takes over the same bytes."""

import hashlib
import os
import subprocess
import sys
import tempfile
import time

from common import (CLI, GiB, MiB, QUIET_LOG, Comparison, best_cold, best_of, print_table, settle,
                    size_argument)

IMAGERS = ("image", "image --no-hash")
TARGETS = {"dd": 0.95, "ddrescue": 1.0}


def source_file(folder, size):
    """The source: every MiB different and none of it zero, so that no copy can skip it."""
    path = os.path.join(folder, f"kestrel-bench-imaging-{size // MiB}m.img")
    if os.path.exists(path) and os.path.getsize(path) == size:
        return path
    block = bytearray(os.urandom(MiB))
    with open(path + ".part", "wb") as file:
        for mib in range(size // MiB):
            block[:8] = mib.to_bytes(8, "little")
            file.write(block)
    os.replace(path + ".part", path)
    return path


def hash_alone(source):
    """Seconds SHA-256 takes over the source, read in 1 MiB pieces: no image can be faster."""
    digest = hashlib.sha256()
    buffer = bytearray(MiB)
    view = memoryview(buffer)
    start = time.perf_counter()
    with open(source, "rb", buffering=0) as file:
        while count := file.readinto(buffer):
            digest.update(view[:count])
    return time.perf_counter() - start


def measure(size, rounds=5, cold=True):
    source = source_file(os.environ.get("BENCH_DIR", "/tmp"), size)
    target = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    image, copy, rescued = (os.path.join(target, name) for name in ("kestrel.img", "dd.img", "ddrescue.img"))

    def contenders(device, dd_name, dd_flags):
        return {
            "image": ([CLI, "image", "--image", device, "--to", image], QUIET_LOG),
            "image --no-hash": ([CLI, "image", "--no-hash", "--image", device, "--to", image], QUIET_LOG),
            dd_name: (["dd", f"if={device}", f"of={copy}", "bs=1M", *dd_flags, "status=none"], None),
            "ddrescue": (["ddrescue", "-q", "--force", device, rescued, rescued + ".map"], None),
        }

    def clean():
        for path in (image, image + ".map", copy, rescued, rescued + ".map"):
            if os.path.exists(path):
                os.remove(path)
        # ddrescue refuses to write over a file without --force; a fresh empty one is fair.
        open(rescued, "wb").close()

    def warm():
        clean()
        settle(source)

    def compare(best, temperature, dd_name):
        return [Comparison("imaging", temperature, imager, best[imager][0], reference,
                           best[reference][0], size, TARGETS[reference.split()[0]], higher=True)
                for imager in IMAGERS for reference in (dd_name, "ddrescue")]

    try:
        comparisons = compare(best_of(rounds, contenders(source, "dd bs=1M", []), warm), "warm", "dd bs=1M")
        cold_best = best_cold(source, contenders, max(2, rounds // 2), clean) if cold else None
        if cold_best:
            comparisons += compare(cold_best, "cold", "dd iflag=direct")
    finally:
        subprocess.run(["rm", "-rf", target], check=True)
    settle(source)
    return comparisons, min(hash_alone(source) for _ in range(3))


def main():
    size = size_argument(4 * GiB)
    comparisons, hashing = measure(size)
    met = print_table(comparisons)
    print(f"SHA-256 alone: {hashing:.2f} s, {size / hashing / MiB:.1f} MiB/s (the bound the hash sets)")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
