#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Volume scan: does it grow linearly, and how much memory does a file record take?

Scans a volume of 100,000 files in 10,000 folders and one of 1,000,000 files in 100,000 folders
(names of 12 characters), each built by kestrel-nss-mkimage, with `kestrel-nss-cli ls`, and
prints both times, their ratio (target: at most 12) and the peak resident memory per file
(target: under 200 bytes)."""

import os
import sys
import tempfile

from common import CLI, make_image, timed


def volume_layout(folders, files):
    generate = {"folders": folders, "files": files, "nameLength": 12, "fileSize": 100, "sharedData": True}
    pool = {"name": "BENCH", "volumes": [{"names": ["BIG"], "generate": generate}]}
    return {"disks": [{"partitions": [{"sizeSectors": 4 << 21, "pool": pool}, {"sizeSectors": 2048}]}]}


def scan(image):
    command = [CLI, "ls", "--image", image, "--json"]
    env = dict(os.environ, KESTREL_NSS_LOG=os.devnull)
    return timed(command, env)


def main():
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-") as folder:
        results = {}
        for folders, files in ((10_000, 100_000), (100_000, 1_000_000)):
            image = make_image(folder, f"volume{files}", volume_layout(folders, files))
            scan(image)  # warm the page cache
            results[files] = min(scan(image) for _ in range(3))
            seconds, peak = results[files]
            print(f"{files:>9} files in {folders:>7} folders: {seconds:7.2f} s, peak {peak / 2**20:7.1f} MiB")
        small, large = results[100_000][0], results[1_000_000][0]
        ratio = large / small
        per_file = (results[1_000_000][1] - results[100_000][1]) / 900_000
        print(f"time(1M) / time(100k) = {ratio:.2f} (target <= 12)")
        print(f"peak memory per file record: {per_file:.0f} bytes (target < 200)")
        return 0 if ratio <= 12 and per_file < 200 else 1


if __name__ == "__main__":
    sys.exit(main())
