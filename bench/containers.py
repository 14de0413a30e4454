#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Containers: does a pool scan read a disk held in a VMDK, VHDX, QCOW2 or E01 as fast as the
container can be read, and is an E01 written as fast as ewfacquire writes one?

Builds the scans benchmark's disk image (4 GiB, or the size in MiB given as the first argument or
in BENCH_SIZE_MIB: one pool full of file data), converts it with qemu-img to a sparse VMDK, a
dynamic VHDX and a QCOW2, and with ewfacquire to an E01 with fast compression. Warm (each
container read once before each run), it times in the same run:
- `kestrel-nss-cli ls --pool-scan` of each virtual disk against `qemu-img convert` of it to raw
  into qemu's null device, which throws the bytes away as /dev/null would (qemu-img cannot write
  to /dev/null itself) (target: at least 0.9 of its throughput);
- the pool scan of the E01 against `ewfexport` of it to /dev/null (at least 1.0);
- `kestrel-nss-cli image --format e01 --compression fast` of the raw image against `ewfacquire -c
  fast -d sha1` (both store MD5 and SHA-1) into BENCH_OUT, default /dev/shm (at most 1.2x its
  time).
Prints a SKIPPED line and succeeds when qemu-img or ewf-tools are not installed."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile

from common import (CLI, GiB, QUIET_LOG, Comparison, best_of, make_image, print_table, settle,
                    size_argument)
from scans import layout

VIRTUAL_DISKS = {"vmdk": ["-O", "vmdk"], "vhdx": ["-O", "vhdx"], "qcow2": ["-O", "qcow2"]}


def containers(folder, raw):
    """The raw image in each container, by kind."""
    made = {}
    for kind, options in VIRTUAL_DISKS.items():
        made[kind] = os.path.join(folder, "disk." + kind)
        subprocess.run(["qemu-img", "convert", *options, raw, made[kind]], check=True)
    subprocess.run(["ewfacquire", "-u", "-q", "-c", "fast", "-t", os.path.join(folder, "disk"), raw], check=True,
                   stdout=subprocess.DEVNULL)
    made["e01"] = os.path.join(folder, "disk.E01")
    return made


def settle_all(path):
    for piece in glob.glob(os.path.splitext(path)[0] + ".*"):
        settle(piece)


def scan_comparisons(made, size, rounds):
    comparisons = []
    for kind, path in made.items():
        reader = (["ewfexport", "-u", "-q", "-f", "raw", "-t", "-", path] if kind == "e01"
                  else ["qemu-img", "convert", "-n", "--target-image-opts", path, f"driver=null-co,size={size}"])
        reference = "ewfexport" if kind == "e01" else "qemu-img convert"
        contenders = {reference: (reader, None),
                      f"pool scan of {kind}": ([CLI, "ls", "--image", path, "--pool-scan", "--json"], QUIET_LOG)}
        best = best_of(rounds, contenders, lambda: settle_all(path))
        comparisons.append(Comparison("container", "warm", f"pool scan of {kind}", best[f"pool scan of {kind}"][0],
                                      reference, best[reference][0], size, 1.0 if kind == "e01" else 0.9,
                                      higher=True))
    return comparisons


def imaging_comparison(raw, size, rounds):
    out = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    try:
        def clean():
            for name in os.listdir(out):
                os.remove(os.path.join(out, name))
            settle(raw)

        contenders = {
            "ewfacquire": (["ewfacquire", "-u", "-q", "-c", "fast", "-d", "sha1", "-t", os.path.join(out, "theirs"),
                            raw], None),
            "image --format e01": ([CLI, "image", "--image", raw, "--to", os.path.join(out, "ours"), "--format",
                                    "e01", "--compression", "fast"], QUIET_LOG),
        }
        best = best_of(rounds, contenders, clean)
        return Comparison("e01 write", "warm", "image --format e01", best["image --format e01"][0], "ewfacquire",
                          best["ewfacquire"][0], size, 1.2, higher=False)
    finally:
        shutil.rmtree(out)


def main():
    for tool in ("qemu-img", "ewfacquire", "ewfexport"):
        if not shutil.which(tool):
            print(f"SKIPPED: containers benchmark ({tool} is not installed: qemu-utils, ewf-tools)")
            return 0
    size = size_argument(4 * GiB)
    rounds = 3
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        raw = make_image(folder, "disk", layout(size), dense=True)
        size = os.path.getsize(raw)
        comparisons = scan_comparisons(containers(folder, raw), size, rounds)
        comparisons.append(imaging_comparison(raw, size, rounds))
        return 0 if print_table(comparisons) else 1


if __name__ == "__main__":
    sys.exit(main())
