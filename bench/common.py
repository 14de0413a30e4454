"""Helpers of the benchmarks: build images with kestrel-nss-mkimage and time commands, with the
peak resident memory of each."""

import json
import os
import resource
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
    """Runs the command; returns (seconds, peak resident bytes)."""
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise RuntimeError(f"{command[0]} failed: {process.stderr.read().decode()}")
    return seconds, usage.ru_maxrss * 1024


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
