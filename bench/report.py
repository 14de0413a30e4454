#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Reports: what does writing one cost?

1. Recovery with `--report` against recovery without it, of the recovery benchmark's 1 GiB of
   mixed files (or the size in MiB given as the first argument), warm, best of 3 taking turns, in
   the same run (target: at most 1.1x the time). The report hashes every file as it is written.
2. `report` of a volume of 1,000,000 files in 100,000 folders against the volume scan with its
   listing (`ls --json`) of the same volume, warm, best of 3 taking turns: the report, which scans
   too, in at most 1x that time; and the size of the HTML page (target: at most 30 MB).
Both write into BENCH_OUT (default /dev/shm, a RAM file system), so that the disk's write-back does
not decide the result."""

import os
import shutil
import sys
import tempfile

from common import CLI, GiB, MiB, QUIET_LOG, Comparison, best_of, make_image, print_table, settle, size_argument
from recovery import layout as recovery_layout
from volume_scan import volume_layout

RECOVERY_TARGET = 1.1
INVENTORY_TARGET = 1.0
HTML_LIMIT = 30 * 1000 * 1000


def recovery_comparison(folder, size):
    image = make_image(folder, "recovery", recovery_layout(size))
    target = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    out, report = os.path.join(target, "out"), os.path.join(target, "report")
    contenders = {
        "recover": ([CLI, "recover", "--image", image, "--to", out], QUIET_LOG),
        "recover --report": ([CLI, "recover", "--image", image, "--to", out, "--report", report], QUIET_LOG),
    }

    def warm():
        shutil.rmtree(out, ignore_errors=True)
        shutil.rmtree(report, ignore_errors=True)
        settle(image)

    try:
        best = best_of(3, contenders, warm)
    finally:
        shutil.rmtree(target)
    total = sum(entry["size"] for entry in recovery_layout(size)["disks"][0]["partitions"][0]["pool"]["volumes"][0]
                ["entries"])
    return Comparison("report", "warm", "recover --report", best["recover --report"][0], "recover",
                      best["recover"][0], total, RECOVERY_TARGET, higher=False)


def inventory(folder):
    """(seconds of the scan, seconds of the report, bytes of report.html) of 1,000,000 files."""
    image = make_image(folder, "inventory", volume_layout(100_000, 1_000_000))
    target = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    out = os.path.join(target, "report")
    contenders = {
        "ls --json": ([CLI, "ls", "--image", image, "--json"], QUIET_LOG),
        "report": ([CLI, "report", "--image", image, "--to", out], QUIET_LOG),
    }
    try:
        best = best_of(3, contenders, lambda: settle(image))
        return best["ls --json"][0], best["report"][0], os.path.getsize(os.path.join(out, "report.html"))
    finally:
        shutil.rmtree(target)


def main():
    size = size_argument(1 * GiB)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        met = print_table([recovery_comparison(folder, size)])
        scan, report, html = inventory(folder)
        print(f"1,000,000 files: ls --json {scan:.2f} s, report {report:.2f} s, {report / scan:.2f}x "
              f"(target <= {INVENTORY_TARGET:.1f}); report.html {html / 1e6:.1f} MB (target <= {HTML_LIMIT / 1e6:.0f})")
        met = met and report / scan <= INVENTORY_TARGET and html <= HTML_LIMIT
        return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
