# SPDX-License-Identifier: Apache-2.0
"""Rescue imaging (`image --rescue`) of a failing disk that a FUSE file system serves: the image
equals the source outside the bad sectors and holds zeros in them, the map names exactly the bad
sectors in GNU ddrescue's format, and a run killed in the middle resumes to the same image and map
without reading a finished sector again."""

import os
import shutil
import signal
import subprocess
import time
import unittest

from failing_image import failing_disk, unavailable
from harness import CLI, ImageTestCase

SECTOR = 512
SECTORS = 16384  # 8 MiB
BAD = ["100", "2047-2049", "5000-5255", "9001", "16383"]


def sectors_of(ranges):
    named = set()
    for word in ranges:
        first, _, last = word.partition("-")
        named.update(range(int(first), int(last or first) + 1))
    return named


class RescueTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        reason = unavailable()
        if reason:
            self.skipTest("SKIPPED: " + reason)
        self.source = self.path("source.img")
        with open(self.source, "wb") as file:
            file.write(os.urandom(SECTORS * SECTOR))
        self.watch(self.source)
        with open(self.source, "rb") as file:
            self.original = file.read()

    def rescue(self, served, image, *more, expect_status=None):
        return self.cli("image", "--image", served, "--to", image, "--rescue", *more,
                        expect_status=expect_status)

    def assert_image_of_good_sectors(self, image, bad):
        with open(image, "rb") as file:
            data = file.read()
        self.assertEqual(len(data), len(self.original))
        for sector in range(SECTORS):
            at = slice(sector * SECTOR, (sector + 1) * SECTOR)
            expected = bytes(SECTOR) if sector in bad else self.original[at]
            self.assertEqual(data[at], expected, f"sector {sector}")

    def bad_sectors_in_map(self, map_path):
        listed = subprocess.run(["ddrescuelog", "-b512", "-l-", map_path], capture_output=True,
                                text=True)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        return {int(line) for line in listed.stdout.split()}

    def test_the_image_holds_every_good_sector_and_the_map_names_the_bad_ones(self):
        image = self.path("rescued.img")
        with failing_disk(self.source, self.path("served"), BAD) as served:
            result = self.rescue(served, image, expect_status=1)
        bad = sectors_of(BAD)
        self.assertIn(f"Bytes not read: {len(bad) * SECTOR}", result.stdout)
        self.assert_image_of_good_sectors(image, bad)
        self.assertEqual(self.bad_sectors_in_map(image + ".map"), bad)
        self.assertIn("Rescue imaging started", self.log_text())

    def test_a_killed_run_resumes_to_the_same_result_and_rereads_nothing_finished(self):
        if not shutil.which("ddrescuelog"):
            self.skipTest("SKIPPED: ddrescuelog (gddrescue) is not installed")
        image, map_path = self.path("resumed.img"), self.path("resumed.img.map")
        reads = self.path("reads-after-kill.txt")
        with failing_disk(self.source, self.path("served"), BAD, slow=["5000-5255"],
                          delay=0.02) as served:
            run = subprocess.Popen([CLI, "image", "--image", served, "--to", image, "--rescue"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=dict(os.environ, KESTREL_NSS_LOG=self.log))
            # Killed once the copying passes are done and the slow bad area is being worked on.
            deadline = time.monotonic() + 60
            while time.monotonic() < deadline and not self.map_past_copying(map_path):
                time.sleep(0.05)
            time.sleep(0.5)
            run.send_signal(signal.SIGKILL)
            run.wait()
        self.assertTrue(self.map_past_copying(map_path), "the map was written before the kill")
        finished = self.finished_sectors(map_path)
        self.assertTrue(finished)
        with failing_disk(self.source, self.path("served"), BAD, reads=reads) as served:
            result = self.rescue(served, image, expect_status=1)
        self.assertIn("Rescue imaging resumed", self.log_text())
        # Opening the source reads its first and last sector once, for a container's signature.
        probed = {0: 1, SECTORS - 1: 1}
        with open(reads) as counts:
            reread = {int(sector) for sector, count in (line.split() for line in counts)
                      if int(count) > probed.get(int(sector), 0)} & finished
        self.assertEqual(reread, set(), "finished sectors were read again")
        bad = sectors_of(BAD)
        self.assert_image_of_good_sectors(image, bad)
        self.assertEqual(self.bad_sectors_in_map(map_path), bad)

    def test_a_map_that_does_not_fit_the_source_is_refused_and_kept(self):
        image, map_path = self.path("other.img"), self.path("other.img.map")
        with open(image, "wb") as file:
            file.write(b"x" * SECTOR)
        with open(map_path, "w") as file:
            file.write("0x0 + 1\n0x0 0x200 +\n")
        result = self.cli("image", "--image", self.source, "--to", image, "--rescue",
                          expect_status=1)
        self.assertIn("the map file cannot be used", result.stderr)
        with open(map_path) as file:
            self.assertEqual(file.read(), "0x0 + 1\n0x0 0x200 +\n")
        self.assertEqual(os.path.getsize(image), SECTOR)

    def test_a_map_is_resumed_only_onto_the_source_it_was_made_from(self):
        image = self.path("rescued.img")
        self.rescue(self.source, image, expect_status=0)
        with open(image + ".map") as file:
            made = file.read()
        other = self.path("other-disk.img")
        with open(other, "wb") as file:
            file.write(os.urandom(SECTORS * SECTOR))
        result = self.rescue(other, image, expect_status=1)
        self.assertIn("Source: " + self.source, result.stderr)
        self.assertIn("this run reads Source: " + other, result.stderr)
        with open(image + ".map") as file:
            self.assertEqual(file.read(), made, "the map is kept")
        with open(image, "rb") as file:
            self.assertEqual(file.read(), self.original)

    def map_past_copying(self, map_path):
        try:
            with open(map_path) as file:
                lines = [line.split() for line in file if line.strip() and not line.startswith("#")]
        except FileNotFoundError:
            return False
        return bool(lines) and lines[0][1] in "*/-"

    def finished_sectors(self, map_path):
        listed = subprocess.run(["ddrescuelog", "-b512", "-l+", map_path], capture_output=True,
                                text=True)
        return {int(line) for line in listed.stdout.split()}


if __name__ == "__main__":
    unittest.main()
