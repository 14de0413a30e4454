#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Pool scan through a RAID 5 set: does de-striping keep up with the disk read whole?

Builds the pool of bench/scans.py on a disk image (3 GiB, or the size in MiB given as the first
argument or in BENCH_SIZE_MIB), cuts it with `kestrel-nss-mkimage stripe` into 4 members with a
stripe of 64 KiB, and times `kestrel-nss-cli ls --pool-scan` through `--raid` against the same
scan of the disk image, warm, in the same run: all members there (target at least 0.80 of the
disk's throughput), and one member missing, rebuilt from parity (target at least 0.50)."""

import os
import subprocess
import sys
import tempfile

from common import CLI, GiB, MKIMAGE, QUIET_LOG, Comparison, best_of, make_image, print_table, size_argument
from scans import layout

MEMBERS = 4
TARGETS = {"RAID 5": 0.80, "RAID 5, one missing": 0.50}


def stripe(folder, image):
    """The members of a RAID 5 set over the image, written dense as real disks are."""
    prefix = os.path.join(folder, "member")
    subprocess.run([MKIMAGE, "stripe", "--image", image, "--prefix", prefix, "--level", "5", "--stripe", "64k",
                    "--members", str(MEMBERS)], check=True)
    members = [f"{prefix}{index}.img" for index in range(MEMBERS)]
    for member in members:
        subprocess.run(["cp", "--sparse=never", member, member + ".dense"], check=True)
        os.replace(member + ".dense", member)
    return members


def settle_all(paths):
    subprocess.run(["sync"], check=True)
    for path in paths:
        with open(path, "rb") as file:
            while file.read(1 << 24):
                pass


def main():
    size = size_argument(3 * GiB)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        image = make_image(folder, "raid", layout(size), dense=True)
        members = stripe(folder, image)
        definition = "level=5,layout=left-symmetric,stripe=64k:"
        scan = ["--pool-scan", "--json"]
        contenders = {
            "disk": ([CLI, "ls", "--image", image, *scan], QUIET_LOG),
            "RAID 5": ([CLI, "ls", "--raid", definition + ",".join(members), *scan], QUIET_LOG),
            "RAID 5, one missing": ([CLI, "ls", "--raid", definition + ",".join(members[:-1] + ["missing"]), *scan],
                                    QUIET_LOG),
        }
        best = best_of(3, contenders, lambda: settle_all([image, *members]))
        size = os.path.getsize(image)
        comparisons = [Comparison("raid", "warm", name, best[name][0], "pool scan of the disk", best["disk"][0],
                                  size, target, higher=True) for name, target in TARGETS.items()]
        return 0 if print_table(comparisons) else 1


if __name__ == "__main__":
    sys.exit(main())
