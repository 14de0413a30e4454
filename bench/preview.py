#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Previews: a hex page of a file on a 4 GiB sparse image shows in under 20 ms wherever the scroll
bar is dragged; a 20-megapixel JPEG (made here by ImageMagick) previews in under 1 s; 1,000 picks
in a row (a held key) never hold the window for more than 100 ms. preview_bench times them in the
preview area itself, offscreen; the same run times `dd | xxd` on the same pages and ImageMagick
decoding the JPEG to the area's size, and prints the ratios. Exits 1 when a target is missed."""

import os
import random
import re
import subprocess
import sys
import tempfile
import time

from common import BUILD, GiB, MiB, make_image

TARGETS_MS = {"hex": 20.0, "jpeg": 1000.0, "keys": 100.0}
JPEG_SIZE = (5472, 3648)  # 20 megapixels, as a camera of that class writes


def layout(size):
    """One sparse file of nearly the whole pool, in four extents: zeros that are never written."""
    entry = {"path": "/BIG/whole.bin", "size": size * 15 // 16, "sparse": True, "extents": 4}
    pool = {"name": "BIG", "volumes": [{"names": ["VOL"], "entries": [entry]}]}
    return {"disks": [{"partitions": [{"sizeSectors": size // 512, "pool": pool}, {"sizeSectors": 2048}]}]}


def make_jpeg(path):
    """Plasma made small and enlarged, so that the JPEG holds detail without minutes of making."""
    width, height = JPEG_SIZE
    subprocess.run(["convert", "-size", f"{width // 4}x{height // 4}", "plasma:", "-seed", "7",
                    "-resize", f"{width}x{height}!", "-quality", "92", path], check=True)


def seconds_of(command, shell=False):
    start = time.perf_counter()
    subprocess.run(command, shell=shell, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def references(image, jpeg):
    """dd and xxd on 20 pages spread over the image, the median; ImageMagick's best of three
    decodings of the JPEG shrunk to the preview area's size."""
    size = os.path.getsize(image)
    pages = sorted(seconds_of(f"dd if={image} bs=256 count=1 skip={random.randrange(size // 256)} "
                              f"status=none | xxd", shell=True) for _ in range(20))
    decode = min(seconds_of(["convert", jpeg, "-resize", "618x418", "bmp:/dev/null"]) for _ in range(3))
    return {"hex": ("dd | xxd", pages[len(pages) // 2] * 1000), "jpeg": ("convert -resize", decode * 1000)}


def main():
    bench = os.path.join(BUILD, "bench", "preview_bench")
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder:
        image = make_image(folder, "sparse", layout(4 * GiB))
        jpeg = os.path.join(folder, "photo.jpg")
        make_jpeg(jpeg)
        result = subprocess.run([bench, image, jpeg], capture_output=True, text=True)
        if result.returncode != 0:
            print(result.stderr.strip())
            return 1
        reference = references(image, jpeg)
    figures = {}
    for line in result.stdout.splitlines():
        name = line.split()[0]
        figures[name] = float(re.findall(r"(?:worst|pause) ([\d.]+)", line)[0])
        print(line)
    print(f"{'measure':<8} {'worst ms':>9} {'target':>7}  {'reference':<16} {'ms':>8} {'ratio':>6}  met")
    met = True
    for name, target in TARGETS_MS.items():
        ok = 0 <= figures[name] < target
        met = met and ok
        tool, ms = reference.get(name, ("", None))
        ratio = f"{figures[name] / ms:6.2f}" if ms else f"{'':>6}"
        ms_text = f"{ms:8.1f}" if ms else f"{'':>8}"
        print(f"{name:<8} {figures[name]:9.2f} {target:7.0f}  {tool:<16} {ms_text} {ratio}  {'yes' if ok else 'NO'}")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
