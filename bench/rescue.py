#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Rescue imaging: does `kestrel-nss-cli image --rescue` get at least what GNU ddrescue gets from a
failing disk, in at most its time?

Serves a source (1 GiB, or the size in MiB given as the first argument or in BENCH_SIZE_MIB) through
FUSE as a failing disk (tests/integration/failing_image.py): 200 scattered bad sectors and one bad
area of 4 MiB, each failing with EIO on every read. Both tools image it into BENCH_OUT (default
/dev/shm) with one retry pass (`--retries 1`, `ddrescue -r1`), taking turns; the best time of each
counts. Prints the times, their ratio (target: at most 1.0 of ddrescue's) and the sectors each
could not read (target: no sector that ddrescue read is missing from ours)."""

import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "integration"))

from common import CLI, GiB, MiB, QUIET_LOG, Comparison, print_table, size_argument  # noqa: E402
from failing_image import failing_disk, unavailable  # noqa: E402
from imaging import source_file  # noqa: E402

SECTOR = 512
TARGET = 1.0


def bad_sectors(size):
    """200 scattered sectors and a 4 MiB area in the middle, the same in every run."""
    sectors = size // SECTOR
    area = sectors // 2
    scattered = random.Random(7).sample(range(sectors), 200)
    return [str(s) for s in scattered] + [f"{area}-{area + 4 * MiB // SECTOR - 1}"]


def unread(map_path):
    listed = subprocess.run(["ddrescuelog", "-b512", "-l-/*?", map_path], capture_output=True,
                            text=True, check=True)
    return {int(line) for line in listed.stdout.split()}


def run_timed(command):
    """Seconds the command takes; it may end with status 1, as ours does while sectors stay
    unread."""
    start = time.perf_counter()
    result = subprocess.run(command, env=QUIET_LOG, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    if result.returncode not in (0, 1):
        raise RuntimeError(f"{command[0]} failed: {result.stderr}")
    return time.perf_counter() - start


def measure(size, rounds=2):
    reason = unavailable()
    if reason or not shutil.which("ddrescue"):
        print(f"SKIPPED: rescue benchmark ({reason or 'GNU ddrescue is not installed'})")
        return []
    source = source_file(os.environ.get("BENCH_DIR", "/tmp"), size)
    out = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    images = {"image --rescue": os.path.join(out, "kestrel.img"),
              "ddrescue -r1": os.path.join(out, "ddrescue.img")}
    commands = {
        "image --rescue": lambda served, image: [CLI, "image", "--image", served, "--to", image,
                                                 "--rescue", "--retries", "1"],
        "ddrescue -r1": lambda served, image: ["ddrescue", "-q", "-r1", served, image,
                                               image + ".map"],
    }
    best = {}
    try:
        with failing_disk(source, os.path.join(out, "served"), bad_sectors(size)) as served:
            for round_ in range(rounds):
                for name in (list(commands) if round_ % 2 == 0 else list(commands)[::-1]):
                    for leftover in (images[name], images[name] + ".map"):
                        if os.path.exists(leftover):
                            os.remove(leftover)
                    seconds = run_timed(commands[name](served, images[name]))
                    best[name] = min(best.get(name, float("inf")), seconds)
        ours, theirs = (unread(images[name] + ".map") for name in commands)
        print(f"sectors not read: ours {len(ours)}, ddrescue {len(theirs)}; "
              f"read by ddrescue but not by us: {len(ours - theirs)}")
    finally:
        shutil.rmtree(out, ignore_errors=True)
    return [Comparison("rescue", "fuse", "image --rescue", best["image --rescue"], "ddrescue -r1",
                       best["ddrescue -r1"], size, TARGET, False)]


if __name__ == "__main__":
    print_table(measure(size_argument(GiB)))
