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


def drop_page_cache_of(path):
    """Warm cache for every contender: read the file once before timing."""
    with open(path, "rb") as file:
        while file.read(1 << 24):
            pass
