"""Helpers of the benchmarks: build images with kestrel-nss-mkimage and time commands, with the
peak resident memory of each."""

import json
import os
import subprocess
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("KESTREL_BUILD", os.path.join(TOP, "build"))
CLI = os.path.join(BUILD, "cli", "kestrel-nss-cli")
MKIMAGE = os.path.join(BUILD, "tools", "mkimage", "kestrel-nss-mkimage")


def make_image(folder, name, layout):
    layout_path = os.path.join(folder, name + ".json")
    image = os.path.join(folder, name + ".img")
    with open(layout_path, "w") as file:
        json.dump(layout, file)
    subprocess.run([MKIMAGE, "--layout", layout_path, "--out", image], check=True)
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
    """The same start for every contender: earlier output written back (sync), and the source
    read once so that it is in the page cache."""
    subprocess.run(["sync"], check=True)
    warm(path)


def warm(path):
    """Reads the file once, so that every contender finds it in the page cache."""
    with open(path, "rb") as file:
        while file.read(1 << 24):
            pass
