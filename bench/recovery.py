#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Recovery: how close does writing recovered files come to a plain copy?

Builds a volume with about 1 GiB of files (or the size in MiB given as the first argument or in
BENCH_SIZE_MIB; sizes from 1 KiB to 100 MiB, several extents each) with kestrel-nss-mkimage,
recovers all of it with `kestrel-nss-cli recover`, and in the same run copies the same number of
bytes out of the same source with dd: warm, from the image in the page cache, against
`dd bs=1M`; and cold, from a read-only loop device after the page cache is dropped, against
`dd iflag=direct bs=1M`. Both write to BENCH_OUT (default /dev/shm, a RAM file system, so that
the disk's own write-back and discard noise does not decide the result). Each contender runs
several times, alternating, from the same state; the best time of each counts. Prints both and
the ratio (target: at most 1.1)."""

import os
import shutil
import sys
import tempfile

from common import (CLI, GiB, MiB, QUIET_LOG, Comparison, best_cold, best_of, make_image, print_table,
                    settle, size_argument)

# (count, size in bytes, extents) for 1 GiB
FILES = [(8, 100 * MiB, 4), (40, 3 * MiB, 3), (400, 256 << 10, 2), (2000, 20 << 10, 2), (2000, 1 << 10, 1)]
TARGET = 1.1


def files(size):
    return [(max(1, round(count * size / GiB)), length, extents) for count, length, extents in FILES]


def layout(size):
    entries = []
    for count, length, extents in files(size):
        for index in range(count):
            entries.append({"path": f"/S{length}/f{index:05d}.dat", "size": length, "extents": extents})
    pool = {"name": "BENCH", "volumes": [{"names": ["DATA"], "entries": entries}]}
    return {"disks": [{"partitions": [{"pool": pool}, {"sizeSectors": 2048}]}]}


def measure(folder, size, rounds=5, cold=True):
    total = sum(count * length for count, length, _ in files(size))
    image = make_image(folder, "recovery", layout(size))
    target = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    out, copy = os.path.join(target, "out"), os.path.join(target, "dd.out")

    def contenders(source, dd_name, dd_flags):
        return {
            "recover": ([CLI, "recover", "--image", source, "--to", out], QUIET_LOG),
            dd_name: (["dd", f"if={source}", f"of={copy}", "bs=1M", f"count={total // MiB}", *dd_flags,
                       "status=none"], None),
        }

    def clean():
        shutil.rmtree(out, ignore_errors=True)
        if os.path.exists(copy):
            os.remove(copy)

    def warm():
        clean()
        settle(image)

    try:
        best = best_of(rounds, contenders(image, "dd bs=1M", []), warm)
        comparisons = [Comparison("recovery", "warm", "recover", best["recover"][0], "dd bs=1M",
                                  best["dd bs=1M"][0], total, TARGET, higher=False)]
        cold_best = best_cold(image, contenders, max(3, rounds // 2), clean) if cold else None
        if cold_best:
            comparisons.append(Comparison("recovery", "cold", "recover", cold_best["recover"][0],
                                          "dd iflag=direct", cold_best["dd iflag=direct"][0], total, TARGET,
                                          higher=False))
    finally:
        shutil.rmtree(target)
    return comparisons, sum(count for count, _, _ in files(size))


def main():
    size = size_argument(1 * GiB)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        comparisons, count = measure(folder, size)
        met = print_table(comparisons)
        print(f"{comparisons[0].size / GiB:.2f} GiB in {count} files")
        return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
