#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Mount: is our read-only mount as quick as a mature FUSE file system serving the same files?

Builds two volumes with kestrel-nss-mkimage, recovers each, and packs the recovered tree into an
uncompressed squashfs image (`mksquashfs -noI -noD -noF -noX`), so that squashfuse serves exactly
the files our mount serves. Then times the same work on both, each mounted afresh for every round,
with both images in the page cache, best of 3:

- `find` and `du -s` over 1,000,000 files in 100,000 folders (or the count given as the second
  argument or in BENCH_FILES, in a tenth as many folders),
- `cp -r` of 1 GiB of the recovery benchmark's mix (or the size in MiB given as the first argument
  or in BENCH_SIZE_MIB) into BENCH_OUT (default /dev/shm, a RAM file system),

quiet, and with every core kept busy by another process that the benchmark starts and stops.
Target: each at most 1.1 times squashfuse's time. It then prints the requests the kernel sent each
server for each kind of work, by kind (the kernel's fuse tracepoints, counted by perf; left out
where perf cannot count them), our server's peak memory after the big `find` against the volume
scan's (target: at most 1.5 times), and whether a read held up by a failing disk holds up the
rest: `find` and another file's read, timed while the read waits on slow sectors.

Needs /dev/fuse, squashfuse and mksquashfs (Debian's squashfuse and squashfs-tools, which
scripts/install-deps installs); prints SKIPPED without them."""

import contextlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

import recovery
import volume_scan
from common import (CLI, MKIMAGE, TOP, GiB, MiB, QUIET_LOG, Comparison, make_image, print_table, settle,
                    size_argument, timed)

sys.path.insert(0, os.path.join(TOP, "tests", "integration"))
from failing_image import failing_disk, unavailable  # noqa: E402

TARGET = 1.1
MEMORY_TARGET = 1.5
SECTOR, BLOCK = 512, 4096
# The kinds of request the work here makes, by the kernel's numbers for them.
OPCODES = {"LOOKUP": 1, "GETATTR": 3, "OPEN": 14, "READ": 15, "STATFS": 17, "RELEASE": 18,
           "GETXATTR": 22, "LISTXATTR": 23, "FLUSH": 25, "OPENDIR": 27, "READDIR": 28,
           "RELEASEDIR": 29, "ACCESS": 34, "INTERRUPT": 36, "POLL": 40, "READDIRPLUS": 44, "LSEEK": 46,
           "STATX": 52}


def file_count_argument(default):
    text = sys.argv[2] if len(sys.argv) > 2 else os.environ.get("BENCH_FILES")
    return int(text) if text else default


def missing_tools():
    try:
        os.close(os.open("/dev/fuse", os.O_RDWR))
    except OSError as error:
        return f"/dev/fuse cannot be opened ({error.strerror})"
    for tool, package in (("fusermount3", "fuse3"), ("squashfuse", "squashfuse"),
                          ("mksquashfs", "squashfs-tools")):
        if not shutil.which(tool):
            return f"{tool} is not installed ({package})"
    return None


class Server:
    """A FUSE server run in the foreground, so that its memory can be read, and mounted afresh by
    remount(), so that no round reads what the kernel kept from the one before."""

    def __init__(self, name, command, point):
        self.name, self.command, self.point = name, command, point
        self.process = None
        os.makedirs(point, exist_ok=True)

    def remount(self):
        self.unmount()
        self.process = subprocess.Popen(self.command(self.point), env=QUIET_LOG, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 300
        while not os.path.ismount(self.point):
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError(f"{self.name} did not mount {self.point}")
            time.sleep(0.02)

    def unmount(self):
        if os.path.ismount(self.point):
            subprocess.run(["fusermount3", "-u", self.point], check=True)
        if self.process:
            self.process.wait(timeout=60)
            self.process = None

    def peak_memory(self):
        with open(f"/proc/{self.process.pid}/status") as status:
            return int(re.search(r"VmHWM:\s+(\d+) kB", status.read()).group(1)) * 1024

    def connection(self):
        """The mount's device number as the kernel's tracepoints give it."""
        device = os.stat(self.point).st_dev
        return (os.major(device) << 20) | os.minor(device)


def our_mount(image, point):
    return Server("ours", lambda at: [CLI, "mount", "--image", image, at, "--foreground"], point)


def squashfuse_mount(squashfs, point):
    return Server("squashfuse", lambda at: ["squashfuse", "-f", squashfs, at], point)


@contextlib.contextmanager
def unmounted_after(*mounts):
    try:
        yield mounts
    finally:
        for mount in mounts:
            mount.unmount()


def squashfs_of(image, folder, name):
    """The volume's files, recovered, packed uncompressed into a squashfs image."""
    tree, packed = os.path.join(folder, name + "-tree"), os.path.join(folder, name + ".squashfs")
    subprocess.run([CLI, "recover", "--image", image, "--to", tree], env=QUIET_LOG, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["mksquashfs", tree, packed, "-noI", "-noD", "-noF", "-noX", "-no-progress", "-quiet"],
                   check=True, stdout=subprocess.DEVNULL)
    shutil.rmtree(tree)
    return packed


@contextlib.contextmanager
def busy_cores():
    """Every core kept busy by a process of the benchmark's own priority."""
    workers = [subprocess.Popen(["/usr/bin/python3", "-c", "while True: pass"]) for _ in range(os.cpu_count())]
    try:
        yield
    finally:
        for worker in workers:
            worker.kill()
            worker.wait()


def best_times(rounds, contenders, work, prepare=lambda: None):
    """The best time of work(point) on each server, each round on a fresh mount, taking turns."""
    best = {}
    for round_number in range(rounds):
        order = contenders[round_number % 2:] + contenders[:round_number % 2]
        for server in order:
            prepare()
            server.remount()
            seconds, _ = timed(work(server.point))
            best[server.name] = min(seconds, best.get(server.name, seconds))
    return best


def compare(benchmark, load, best, size):
    return Comparison(benchmark, load, "ours", best["ours"], "squashfuse", best["squashfuse"], size, TARGET,
                      higher=False)


def request_counts(server, command):
    """The requests the kernel sent the server while the command ran, by kind; None where perf
    cannot count them."""
    if not shutil.which("perf"):
        return None
    server.remount()
    connection = server.connection()
    events = []
    for opcode in OPCODES.values():
        events += ["-e", "fuse:fuse_request_send", "--filter", f"connection == {connection} && opcode == {opcode}"]
    result = subprocess.run(["perf", "stat", "-x", ",", "-a", *events, "--", *command], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    counts = [line.split(",")[0] for line in result.stderr.splitlines() if "fuse:fuse_request_send" in line]
    if result.returncode != 0 or len(counts) != len(OPCODES) or not all(c.isdigit() for c in counts):
        return None
    return {kind: int(count) for kind, count in zip(OPCODES, counts) if int(count)}


def print_requests(work, counted):
    for name, counts in counted.items():
        if counts is None:
            print(f"requests of {work:<6} {name:<10}: not counted (perf cannot read the fuse tracepoints)")
            continue
        listed = ", ".join(f"{kind} {count}" for kind, count in sorted(counts.items(), key=lambda k: -k[1]))
        print(f"requests of {work:<6} {name:<10}: {sum(counts.values()):>9} ({listed})")


def measure_tree(folder, files, rounds):
    """find and du -s over the big tree, quiet and loaded; the requests of each; our memory."""
    image = make_image(folder, "tree", volume_scan.volume_layout(max(1, files // 10), files))
    packed = squashfs_of(image, folder, "tree")
    comparisons, counted = [], {}

    def prepare():
        settle(image)
        settle(packed)

    with unmounted_after(our_mount(image, os.path.join(folder, "tree-ours")),
                         squashfuse_mount(packed, os.path.join(folder, "tree-squashfuse"))) as (ours, theirs):
        works = {"find": lambda point: ["find", point], "du": lambda point: ["du", "-s", point]}
        for load, context in (("quiet", contextlib.nullcontext), ("busy", busy_cores)):
            with context():
                for work, command in works.items():
                    best = best_times(rounds, [ours, theirs], command, prepare)
                    comparisons.append(compare(f"mount {work}", load, best, 0))
        for work, command in works.items():
            counted[work] = {server.name: request_counts(server, command(server.point)) for server in (ours, theirs)}
        listed = {}
        for server in (theirs, ours):  # ours last: its memory is read after the find
            server.remount()
            listed[server.name] = subprocess.run(["find", server.point], capture_output=True).stdout.count(b"\n")
        memory = ours.peak_memory()
    _, scan_memory = timed([CLI, "ls", "--image", image, "--json"], QUIET_LOG)
    return comparisons, counted, listed, (memory, scan_memory)


def measure_copy(folder, size, rounds):
    """cp -r of the recovery benchmark's mix into a RAM folder, quiet and loaded."""
    image = make_image(folder, "copy", recovery.layout(size))
    packed = squashfs_of(image, folder, "copy")
    total = sum(count * length for count, length, _ in recovery.files(size))
    target = tempfile.mkdtemp(prefix="kestrel-bench-", dir=os.environ.get("BENCH_OUT", "/dev/shm"))
    out = os.path.join(target, "out")

    def prepare():
        shutil.rmtree(out, ignore_errors=True)
        settle(image)
        settle(packed)

    comparisons, counted = [], {}
    try:
        with unmounted_after(our_mount(image, os.path.join(folder, "copy-ours")),
                             squashfuse_mount(packed, os.path.join(folder, "copy-squashfuse"))) as (ours, theirs):
            for load, context in (("quiet", contextlib.nullcontext), ("busy", busy_cores)):
                with context():
                    best = best_times(rounds, [ours, theirs], lambda point: ["cp", "-r", point, out], prepare)
                    comparisons.append(compare("mount cp", load, best, total))
            for server in (ours, theirs):
                prepare()
                counted[server.name] = request_counts(server, ["cp", "-r", server.point, out])
    finally:
        shutil.rmtree(target)
    return comparisons, counted


def failing_layout():
    """A held file, another file and 2,000 small ones in 100 folders."""
    entries = [{"path": "/held/slow.bin", "size": 4 * MiB}, {"path": "/other/quick.bin", "size": 4 * MiB}]
    entries += [{"path": f"/F{index // 20:03d}/f{index:04d}.txt", "size": 100} for index in range(2000)]
    pool = {"name": "BENCH", "volumes": [{"names": ["DATA"], "entries": entries}]}
    return {"disks": [{"partitions": [{"pool": pool}, {"sizeSectors": 2048}]}]}


def sectors_of(manifest_path, path):
    """The disk sectors that hold a file, as FIRST-LAST ranges, from mkimage's manifest."""
    with open(manifest_path) as file:
        pool = json.load(file)["disks"][0]["partitions"][0]["pool"]
    entry = next(e for e in pool["volumes"][0]["entries"] if e["path"] == path)
    ranges = []
    for blocks, start in entry["extents"]:
        first = (pool["poolBase"] + (start - 1) * BLOCK) // SECTOR
        ranges.append(f"{first}-{first + blocks * BLOCK // SECTOR - 1}")
    return ranges


def measure_failing_disk(folder, delay=0.25):
    """While a read waits on a failing disk's slow sectors, how long find over the mount and a read
    of another file take: (seconds of the held read, of find, of the other read), or why they
    cannot be timed here."""
    reason = unavailable()
    if reason:
        return reason
    layout_path, image = os.path.join(folder, "failing.json"), os.path.join(folder, "failing.img")
    manifest = os.path.join(folder, "failing.manifest.json")
    with open(layout_path, "w") as file:
        json.dump(failing_layout(), file)
    subprocess.run([MKIMAGE, "--layout", layout_path, "--out", image, "--manifest", manifest], check=True)
    slow = sectors_of(manifest, "/held/slow.bin")
    with failing_disk(image, os.path.join(folder, "failing-disk"), slow=slow, delay=delay) as served:
        with unmounted_after(our_mount(served, os.path.join(folder, "failing-ours"))) as (ours,):
            ours.remount()
            held = threading.Thread(target=subprocess.run, args=(["cat", os.path.join(ours.point, "held", "slow.bin")],),
                                    kwargs={"stdout": subprocess.DEVNULL})
            start = time.perf_counter()
            held.start()
            time.sleep(0.5)  # the held read is waiting on the disk by now
            find_seconds, _ = timed(["find", ours.point])
            read_seconds, _ = timed(["cat", os.path.join(ours.point, "other", "quick.bin")])
            held.join()
            return time.perf_counter() - start, find_seconds, read_seconds


def print_failing_disk(timed_reads):
    if isinstance(timed_reads, str):
        print(f"SKIPPED: the failing disk ({timed_reads})")
        return True
    held, find_seconds, read_seconds = timed_reads
    kept_going = max(find_seconds, read_seconds) < held / 4
    print(f"failing disk: while a read waited {held:.1f} s on slow sectors, find took {find_seconds:.2f} s and "
          f"another file's read {read_seconds:.2f} s: {'not held up' if kept_going else 'HELD UP'}")
    return kept_going


def main():
    missing = missing_tools()
    if missing:
        print(f"SKIPPED: {missing}")
        return 0
    size, files = size_argument(1 * GiB), file_count_argument(1_000_000)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        tree, tree_counts, listed, (memory, scan_memory) = measure_tree(folder, files, rounds=3)
        copy, copy_counts = measure_copy(folder, size, rounds=3)
        failing = measure_failing_disk(folder)
    met = print_table(tree + copy)
    print(f"find and du: {files} files in {max(1, files // 10)} folders; paths listed: "
          + ", ".join(f"{name} {count}" for name, count in listed.items()) + f"; cp: {size / GiB:.2f} GiB")
    for work, counted in tree_counts.items():
        print_requests(work, counted)
    print_requests("cp", copy_counts)
    memory_ratio = memory / scan_memory
    print(f"memory: our mount {memory / MiB:.0f} MiB after find, the volume scan {scan_memory / MiB:.0f} MiB: "
          f"{memory_ratio:.2f} (target <= {MEMORY_TARGET})")
    kept_going = print_failing_disk(failing)
    return 0 if met and memory_ratio <= MEMORY_TARGET and kept_going else 1


if __name__ == "__main__":
    sys.exit(main())
