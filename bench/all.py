#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Every throughput benchmark in one table: pool scan, disk scan, recovery and imaging, warm and
cold, each against dd (and ddrescue) in the same run, and rescue imaging of a failing disk
against ddrescue.

    bench/all.py            the full sizes (4 GiB scans and imaging, 1 GiB recovery and rescue)
    bench/all.py --floor    the speed floor that the tests hold: the scans and recovery on 256 MiB,
                            warm, failing only at three times the targets (a scan below 0.30 of dd,
                            recovery above 3.9 times dd), far from noise on any processor

Exits 1 when a target (or the floor) is missed."""

import os
import sys
import tempfile

import imaging
import recovery
import rescue
import scans
from common import GiB, MiB, print_table

FLOOR_SIZE = 256 * MiB
FLOOR_TARGETS = {"pool scan": 0.30, "disk scan": 0.30, "recovery": 3.9}


def main():
    floor = "--floor" in sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        if floor:
            comparisons = scans.measure(folder, FLOOR_SIZE, rounds=5, cold=False)[0]
            comparisons += recovery.measure(folder, FLOOR_SIZE, rounds=5, cold=False)[0]
        else:
            comparisons = scans.measure(folder, 4 * GiB)[0]
            comparisons += recovery.measure(folder, 1 * GiB)[0]
            imaged, hashing = imaging.measure(4 * GiB)
            comparisons += imaged
            comparisons += rescue.measure(1 * GiB)
    met = print_table(comparisons, FLOOR_TARGETS if floor else None)
    if not floor:
        print(f"SHA-256 alone over the imaging source: {4 * GiB / hashing / MiB:.1f} MiB/s (the bound the hash sets)")
    if not any(c.temperature == "cold" for c in comparisons) and not floor:
        print("SKIPPED: cold runs (the page cache cannot be dropped or no loop device can be had)")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
