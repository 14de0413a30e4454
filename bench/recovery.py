#!/usr/bin/env python3
"""Recovery: how close does writing recovered files come to a plain copy?

Builds a volume with about 1 GiB of files (sizes from 1 KiB to 100 MiB, several extents each)
with kestrel-nss-mkimage, recovers all of it with `kestrel-nss-cli recover --image`, and in the
same run copies the same number of bytes out of the same image with `dd bs=1M`. Both write to
BENCH_OUT (default /dev/shm, a RAM file system, so that the disk's own write-back and discard
noise does not decide the result). Each contender runs five times, alternating, from the same
state; the best time of each counts. Prints both and the ratio (target: at most 1.3)."""

import os
import shutil
import subprocess
import sys
import tempfile

from common import CLI, make_image, settle, timed

# (count, size in bytes, extents)
FILES = [(8, 100 << 20, 4), (40, 3 << 20, 3), (400, 256 << 10, 2), (2000, 20 << 10, 2), (2000, 1 << 10, 1)]


def layout():
    entries = []
    for count, size, extents in FILES:
        for index in range(count):
            entries.append({"path": f"/S{size}/f{index:05d}.dat", "size": size, "extents": extents})
    pool = {"name": "BENCH", "volumes": [{"names": ["DATA"], "entries": entries}]}
    return {"disks": [{"partitions": [{"pool": pool}, {"sizeSectors": 2048}]}]}


def main():
    total = sum(count * size for count, size, _ in FILES)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        image = make_image(folder, "recovery", layout())
        env = dict(os.environ, KESTREL_NSS_LOG=os.devnull)
        target = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
        out = os.path.join(target, "out")
        copy = os.path.join(target, "dd.out")
        contenders = {
            "kestrel-nss-cli recover": ([CLI, "recover", "--image", image, "--to", out], env),
            "dd bs=1M": (["dd", f"if={image}", f"of={copy}", "bs=1M", f"count={total >> 20}", "status=none"], None),
        }
        results = {name: [] for name in contenders}
        for _ in range(5):
            for name, (command, command_env) in contenders.items():
                shutil.rmtree(out, ignore_errors=True)
                if os.path.exists(copy):
                    os.remove(copy)
                settle(image)
                results[name].append(timed(command, command_env)[0])
        shutil.rmtree(target)
        best = {name: min(times) for name, times in results.items()}
        for name, seconds in best.items():
            print(f"{name:>24}: {seconds:6.2f} s  {total / seconds / 2**20:7.1f} MiB/s")
        ratio = best["kestrel-nss-cli recover"] / best["dd bs=1M"]
        print(f"recover / dd = {ratio:.2f} (target <= 1.3), {total / 2**30:.2f} GiB in {sum(c for c, _, _ in FILES)} files")
        return 0 if ratio <= 1.3 else 1


if __name__ == "__main__":
    sys.exit(main())
