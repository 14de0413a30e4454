#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Saved scans: saving and loading the scan of 1,000,000 files each take at most as long as the
volume scan that produced it. Builds the volume with kestrel-nss-mkimage and runs
saved_scan_bench, which times the three in one process (best of three runs)."""

import os
import subprocess
import sys
import tempfile

from common import BUILD, make_image
from volume_scan import volume_layout


def main():
    bench = os.path.join(BUILD, "bench", "saved_scan_bench")
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-") as folder:
        image = make_image(folder, "volume", volume_layout(100_000, 1_000_000))
        status = 0
        for _ in range(3):
            result = subprocess.run([bench, image, os.path.join(folder, "scan.IMG")], capture_output=True, text=True)
            print(result.stdout.strip() or result.stderr.strip())
            status = result.returncode
        return status


if __name__ == "__main__":
    sys.exit(main())
