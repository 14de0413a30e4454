#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Pool scan and disk scan: do they read as fast as the disk can be read?

Builds a disk image (4 GiB, or the size in MiB given as the first argument or in
BENCH_SIZE_MIB) with one pool full of file data (kestrel-nss-mkimage) and times
`kestrel-nss-cli ls --pool-scan` and `kestrel-nss-cli disk-scan` against dd in the same run:
warm, with the image in the page cache, against `dd bs=1M`; and cold, on a read-only loop device
over the image after the page cache is dropped, against `dd iflag=direct bs=1M` (where root can
drop the cache and have a loop device). Prints each throughput, the scans' share of dd's
(targets: at least 0.90 warm, 0.95 cold) and their peak resident memory, which must not grow
with the pool."""

import os
import sys
import tempfile

from common import (CLI, GiB, MiB, QUIET_LOG, Comparison, best_cold, best_of, make_image, print_table,
                    settle, size_argument)

FILE_SIZE = 64 * MiB
TARGETS = {"warm": 0.90, "cold": 0.95}


def layout(size):
    files = max(1, size * 15 // 16 // FILE_SIZE)  # the pool's data, leaving room for its structures
    entries = [{"path": f"/DATA/f{index:03d}.bin", "size": FILE_SIZE, "extents": 2} for index in range(files)]
    pool = {"name": "BIG", "volumes": [{"names": ["VOL"], "entries": entries}]}
    return {"disks": [{"partitions": [{"sizeSectors": size // 512, "pool": pool}, {"sizeSectors": 2048}]}]}


def contenders(source, dd_name, dd_flags):
    return {
        dd_name: (["dd", f"if={source}", "of=/dev/null", "bs=1M", *dd_flags, "status=none"], None),
        "pool scan": ([CLI, "ls", "--image", source, "--pool-scan", "--json"], QUIET_LOG),
        "disk scan": ([CLI, "disk-scan", "--image", source], QUIET_LOG),
    }


def compare(best, temperature, reference, size):
    return [Comparison(scan, temperature, scan, best[scan][0], reference, best[reference][0], size,
                       TARGETS[temperature], higher=True) for scan in ("pool scan", "disk scan")]


def measure(folder, size, rounds=3, cold=True):
    """The comparisons, warm and (where it can be done) cold, and the best runs by name."""
    image = make_image(folder, "scans", layout(size), dense=True)
    size = os.path.getsize(image)
    best = best_of(rounds, contenders(image, "dd bs=1M", []), lambda: settle(image))
    comparisons = compare(best, "warm", "dd bs=1M", size)
    cold_best = best_cold(image, contenders, rounds) if cold else None
    if cold_best:
        comparisons += compare(cold_best, "cold", "dd iflag=direct", size)
    return comparisons, best


def main():
    size = size_argument(4 * GiB)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        comparisons, best = measure(folder, size)
        met = print_table(comparisons)
        for name in ("pool scan", "disk scan"):
            print(f"{name} peak resident memory: {best[name][1] / MiB:.1f} MiB")
        if not any(c.temperature == "cold" for c in comparisons):
            print("SKIPPED: cold runs (the page cache cannot be dropped or no loop device can be had)")
        return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
