# SPDX-License-Identifier: Apache-2.0
"""Helpers of the benchmarks: build images with kestrel-nss-mkimage, time commands with the peak
resident memory of each, start every run from a warm or a cold page cache, and print the
comparisons against dd, ddrescue or cp as one table."""

import contextlib
import json
import os
import subprocess
import sys
import time
from dataclasses import dataclass

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("KESTREL_BUILD", os.path.join(TOP, "build"))
CLI = os.path.join(BUILD, "cli", "kestrel-nss-cli")
MKIMAGE = os.path.join(BUILD, "tools", "mkimage", "kestrel-nss-mkimage")
QUIET_LOG = dict(os.environ, KESTREL_NSS_LOG=os.devnull)
MiB = 1 << 20
GiB = 1 << 30


def make_image(folder, name, layout, dense=False):
    """The image mkimage builds, sparse; dense, with its holes written as zeros, for a benchmark
    that reads the whole image: the scans pass over holes, which dd reads and a disk has none of."""
    layout_path = os.path.join(folder, name + ".json")
    image = os.path.join(folder, name + ".img")
    with open(layout_path, "w") as file:
        json.dump(layout, file)
    subprocess.run([MKIMAGE, "--layout", layout_path, "--out", image], check=True)
    if dense:
        subprocess.run(["cp", "--sparse=never", image, image + ".dense"], check=True)
        os.replace(image + ".dense", image)
    return image


def timed(command, env=None, stdout=subprocess.DEVNULL):
    """Runs the command; returns (seconds, peak resident bytes). GNU time measures the peak, as the
    resource usage of a child forked from Python also counts Python's own pages."""
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "PEAK_KB %M", *command], env=env, stdout=stdout,
                            stderr=subprocess.PIPE, text=True)
    seconds = time.perf_counter() - start
    if result.returncode != 0:
        raise RuntimeError(f"{command[0]} failed: {result.stderr}")
    peak = next(line for line in reversed(result.stderr.splitlines()) if line.startswith("PEAK_KB "))
    return seconds, int(peak.split()[1]) * 1024


def settle(path):
    """The warm start: earlier output written back (sync), and the source read once so that it
    is in the page cache."""
    subprocess.run(["sync"], check=True)
    with open(path, "rb") as file:
        while file.read(1 << 24):
            pass


def can_drop_caches():
    return os.access("/proc/sys/vm/drop_caches", os.W_OK)


def drop_caches():
    """The cold start: earlier output written back, then every clean page of the page cache
    dropped, so that the source is read from the storage beneath it."""
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as file:
        file.write("3\n")


@contextlib.contextmanager
def loop_device(image):
    """The image as a read-only loop device that reads its file with direct I/O, so that a cold
    read of the device reaches the storage, as a real disk's would; None where no loop device can
    be had (not root, no /dev/loop-control)."""
    result = subprocess.run(["losetup", "--find", "--show", "--read-only", "--direct-io=on", image],
                            capture_output=True, text=True)
    device = result.stdout.strip() if result.returncode == 0 else None
    try:
        yield device
    finally:
        if device:
            subprocess.run(["losetup", "--detach", device], check=False)


def best_of(rounds, contenders, prepare):
    """Runs every contender `rounds` times, each after prepare(), taking turns and starting each
    round with the next contender, so that none is always first after a pause (virtual disks
    answer a burst after a pause faster); returns the best (seconds, peak bytes) of each, by name."""
    names = list(contenders)
    runs = {name: [] for name in names}
    for round_number in range(rounds):
        for name in names[round_number % len(names):] + names[:round_number % len(names)]:
            command, env = contenders[name]
            prepare()
            runs[name].append(timed(command, env))
    return {name: min(results) for name, results in runs.items()}


def best_cold(image, contenders_for, rounds, clean=lambda: None):
    """The best runs of contenders_for(source, dd_name, dd_flags) from a cold page cache, on a
    loop device over the image, against `dd iflag=direct`; None where that cannot be done."""
    if not can_drop_caches():
        return None
    with loop_device(image) as device:
        if not device:
            return None

        def prepare():
            clean()
            drop_caches()

        return best_of(rounds, contenders_for(device, "dd iflag=direct", ["iflag=direct"]), prepare)


@dataclass
class Comparison:
    """One contender against the reference tool of the same run. `higher` says whether the ratio
    is a share of the reference's throughput (higher is better) or a share of its time."""
    benchmark: str
    temperature: str
    contender: str
    seconds: float
    reference: str
    reference_seconds: float
    size: int
    target: float
    higher: bool

    @property
    def ratio(self):
        if self.higher:
            return self.reference_seconds / self.seconds
        return self.seconds / self.reference_seconds

    def met(self, target=None):
        target = self.target if target is None else target
        return self.ratio >= target if self.higher else self.ratio <= target

    def goal(self, target=None):
        target = self.target if target is None else target
        return f"{'>=' if self.higher else '<='} {target:.2f}"


def print_table(comparisons, targets=None):
    """One line per comparison; `targets` (by benchmark) replaces the targets, as the CI floor
    does. Returns whether every target was met."""
    header = (f"{'benchmark':<10} {'cache':<5} {'contender':<24} {'s':>7} {'MiB/s':>8}  "
              f"{'reference':<22} {'s':>7}  {'ratio':>5}  {'target':<8} met")
    print(header)
    print("-" * len(header))
    all_met = True
    for c in comparisons:
        target = (targets or {}).get(c.benchmark, c.target)
        met = c.met(target)
        all_met = all_met and met
        print(f"{c.benchmark:<10} {c.temperature:<5} {c.contender:<24} {c.seconds:7.2f} "
              f"{c.size / c.seconds / MiB:8.1f}  {c.reference:<22} {c.reference_seconds:7.2f}  "
              f"{c.ratio:5.2f}  {c.goal(target):<8} {'yes' if met else 'NO'}")
    return all_met


def size_argument(default):
    """The size of the benchmark's data in MiB: the first argument, or BENCH_SIZE_MIB."""
    text = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("BENCH_SIZE_MIB")
    return int(text) * MiB if text else default
