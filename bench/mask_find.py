#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Masks and find on a scanned volume of 1,000,000 files in 100,000 folders: a mask run keeping
one extension (about 10 % of the files) in at most the time of the volume scan and under 1.5 times
the tree's memory, Unmask in at most 0.5 s, and a find to the last folder and a find of nothing in
under 0.5 s each. Builds the volume with kestrel-nss-mkimage and runs mask_find_bench, which times
them in one process."""

import os
import subprocess
import sys
import tempfile

from common import BUILD, make_image
from volume_scan import volume_layout


def main():
    bench = os.path.join(BUILD, "bench", "mask_find_bench")
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-") as folder:
        image = make_image(folder, "volume", volume_layout(100_000, 1_000_000))
        result = subprocess.run([bench, image], capture_output=True, text=True)
        print(result.stdout.strip() or result.stderr.strip())
        return result.returncode


if __name__ == "__main__":
    sys.exit(main())
