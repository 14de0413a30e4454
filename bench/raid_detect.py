#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""raid-detect on a large array: is the geometry found quickly, from a small sample?

Builds a disk image whose pool fills 3 members' worth of 4 GiB (or the member size in MiB given as
the first argument or in BENCH_SIZE_MIB), a quarter of it small documents in many folders, as a
file server holds (a pool of a few huge files has too few structures to tell every member's
place, and raid-detect then refuses to choose), cuts it with
`kestrel-nss-mkimage stripe` into a RAID 5 set of 4 members with a stripe of 64 KiB and a start
offset of 1 MiB (controller metadata), and hands the members to `kestrel-nss-cli raid-detect` in a
shuffled order, warm. Targets: the geometry it was cut with ranked first, found in at most 30 s,
reading at most 10 % of the members. For scale, the same run times `cat` reading every member
whole, which any search that reads the members would take at least."""

import json
import os
import subprocess
import sys
import tempfile
import time

from common import CLI, GiB, MKIMAGE, MiB, QUIET_LOG, make_image, size_argument

MEMBERS = 4
FILE_SIZES = [3000, 20000, 70000, 300000]
ORDER = [2, 0, 3, 1]  # the members handed over: file i holds array member ORDER[i]
MOST_SECONDS = 30
MOST_SHARE_READ = 0.10


def layout(member_size):
    """A file server's pool: a quarter full of documents of 3 KB to 300 KB, 200 to a folder."""
    data = (MEMBERS - 1) * member_size
    entries, total = [], 0
    while total < data // 4:
        size = FILE_SIZES[len(entries) % len(FILE_SIZES)]
        entries.append({"path": f"/D{len(entries) // 200:04d}/f{len(entries):07d}.doc", "size": size})
        total += size
    pool = {"name": "BIG", "volumes": [{"names": ["VOL"], "entries": entries}]}
    return {"disks": [{"partitions": [{"sizeSectors": (data - 4 * MiB) // 512, "pool": pool},
                                      {"sizeSectors": 2048}]}]}


def main():
    member_size = size_argument(4 * GiB)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        image = make_image(folder, "array", layout(member_size))
        prefix = os.path.join(folder, "member")
        subprocess.run([MKIMAGE, "stripe", "--image", image, "--prefix", prefix, "--level", "5",
                        "--layout", "left-symmetric", "--stripe", "64k", "--offset", "1m",
                        "--members", str(MEMBERS), "--order", ",".join(map(str, ORDER))], check=True)
        members = [f"{prefix}{index}.img" for index in range(MEMBERS)]
        for member in members:  # warm: read once first
            subprocess.run(["cat", member], stdout=subprocess.DEVNULL, check=True)
        started = time.monotonic()
        subprocess.run(["cat", *members], stdout=subprocess.DEVNULL, check=True)
        cat_seconds = time.monotonic() - started
        started = time.monotonic()
        found = subprocess.run([CLI, "raid-detect", *members, "--json"], capture_output=True, text=True,
                               env=QUIET_LOG, check=True)
        seconds = time.monotonic() - started
        result = json.loads(found.stdout)
        best = result["candidates"][0]
        in_array_order = [members[ORDER.index(slot)] for slot in range(MEMBERS)]
        right = (best["level"], best["layout"], best["stripe"], best["offset"], best["members"]) == \
            ("5", "left-symmetric", 64 * 1024, MiB, in_array_order)
        share = result["bytesRead"] / result["memberBytes"]
        print(f"raid-detect on {MEMBERS} members of {member_size / GiB:.1f} GiB: {seconds:.2f} s "
              f"(target <= {MOST_SECONDS}), read {share:.1%} of the members (target <= {MOST_SHARE_READ:.0%}), "
              f"best candidate {'right' if right else 'WRONG: ' + best['definition']}; "
              f"cat of the members whole: {cat_seconds:.2f} s, {seconds / cat_seconds:.2f}x its time")
        return 0 if right and seconds <= MOST_SECONDS and share <= MOST_SHARE_READ else 1


if __name__ == "__main__":
    sys.exit(main())
