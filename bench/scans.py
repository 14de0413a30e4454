#!/usr/bin/env python3
"""Pool scan and disk scan: do they read as fast as the disk can be read?

Builds a 4 GiB disk image with one pool full of file data (kestrel-nss-mkimage), then, with the
image in the page cache, times `kestrel-nss-cli ls --pool-scan`, `kestrel-nss-cli disk-scan`
and `dd if=IMAGE of=/dev/null bs=1M` in the same run, best of three each, and prints each
throughput and the scans' share of dd's (target: at least 90%). Also prints the scans' peak
resident memory, which must not grow with the pool."""

import os
import sys
import tempfile

from common import CLI, make_image, settle, timed

FILES = 60  # of 64 MiB: the pool's data


def layout():
    entries = [{"path": f"/DATA/f{index:03d}.bin", "size": 64 << 20, "extents": 2} for index in range(FILES)]
    pool = {"name": "BIG", "volumes": [{"names": ["VOL"], "entries": entries}]}
    return {"disks": [{"partitions": [{"sizeSectors": 4 << 21, "pool": pool}, {"sizeSectors": 2048}]}]}


def main():
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        image = make_image(folder, "scans", layout())
        size = os.path.getsize(image)
        env = dict(os.environ, KESTREL_NSS_LOG=os.devnull)
        contenders = {
            "dd bs=1M": (["dd", f"if={image}", "of=/dev/null", "bs=1M", "status=none"], None),
            "pool scan": ([CLI, "ls", "--image", image, "--pool-scan", "--json"], env),
            "disk scan": ([CLI, "disk-scan", "--image", image], env),
        }
        best = {}
        for name, (command, command_env) in contenders.items():
            runs = []
            for _ in range(3):
                settle(image)
                runs.append(timed(command, command_env))
            best[name] = min(runs)
        for name, (seconds, peak) in best.items():
            print(f"{name:>10}: {seconds:6.2f} s  {size / seconds / 2**20:8.1f} MiB/s  peak {peak / 2**20:6.1f} MiB")
        failures = 0
        for scan in ("pool scan", "disk scan"):
            share = best["dd bs=1M"][0] / best[scan][0]
            print(f"{scan} / dd throughput = {share:.2f} (target >= 0.90)")
            failures += share < 0.9
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
