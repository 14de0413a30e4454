# SPDX-License-Identifier: Apache-2.0
"""Saved scans through kestrel-nss-cli: save-scan, and ls, recover and cat with --scan-file."""

import filecmp
import os
import unittest

from harness import ImageTestCase, disk, file, folder, partition, pool, sha256, volume

LIVE = volume("VOL1", folder("/DOCS"), file("/DOCS/a.txt", "saved a"), file("/DOCS/big.bin", size=70000, extents=3),
              file("/DOCS/before.txt", "filed before its folder"), file("/top.txt", "top"),
              file("/gone.txt", "deleted", deleted=True))
GONE = volume("OLD", folder("/X"), file("/X/old.txt", "old volume"), deleted=True)


class SavedScanTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        layout = {"disks": [disk(partition(pool("DATA", LIVE, GONE)), partition(sizeSectors=2048))]}
        self.images, _ = self.mkimage(layout, expect=True)

    def round_trip(self, *source):
        saved = self.path("scan.IMG")
        self.cli("save-scan", *source, "--to", saved, disks=self.images)
        scanned = self.cli("ls", *source, "--json", disks=self.images).stdout
        loaded = self.cli("ls", "--scan-file", saved, "--json", disks=self.images).stdout
        self.assertEqual(loaded, scanned)
        return saved

    def test_a_volume_scan_saved_and_loaded_lists_and_recovers_the_same(self):
        saved = self.round_trip("--disk", "0", "--pool", "DATA", "--volume", "VOL1")
        with open(saved, "rb") as scan_file:
            self.assertTrue(scan_file.read(35) == b"KESTREL NSS RECOVERY SCAN DATA FILE")
        self.cli("recover", "--scan-file", saved, "--to", self.path("out"), disks=self.images)
        expected = self.path("disk.expect/DATA/VOL1")
        for name in ("DOCS/a.txt", "DOCS/big.bin", "DOCS/before.txt", "top.txt"):
            self.assertTrue(filecmp.cmp(self.path("out/" + name), os.path.join(expected, name), False), name)
        log = self.log_text()
        self.assertIn("\nStarted saving the scan information\nScan information saved", log)
        self.assertIn("\nResume recovery using saved scan information", log)

    def test_a_pool_scan_saved_and_loaded_lists_the_same(self):
        saved = self.round_trip("--disk", "0", "--pool", "DATA", "--pool-scan")
        with open(saved, "rb") as scan_file:
            first = scan_file.read(35 + 47 + 200)
        name = first[35 + 47:].decode("utf-16-le", errors="ignore")
        self.assertTrue(name.startswith("Pool:DATA,\\\\.\\PhysicalDrive0"), name)
        output = self.cli("cat", "--scan-file", saved, "--path", "/OLD/X/old.txt", disks=self.images).stdout
        self.assertEqual(output, "old volume")

    def test_the_data_follow_the_disk_when_it_has_moved(self):
        saved = self.path("scan.IMG")
        self.cli("save-scan", "--disk", "0", "--to", saved, disks=self.images)
        moved = ["", self.images[0]]  # the disk is now the second one
        output = self.cli("cat", "--scan-file", saved, "--disk", "1", "--path", "/top.txt", disks=moved).stdout
        self.assertEqual(output, "top")
        output = self.cli("cat", "--scan-file", saved, "--image", self.images[0], "--path", "/top.txt").stdout
        self.assertEqual(output, "top")

    def test_a_scan_whose_source_is_gone_or_wrong_reads_and_writes_nothing(self):
        saved = self.path("scan.IMG")
        self.cli("save-scan", "--image", self.images[0], "--to", saved)
        out = self.path("out")
        self.cli("recover", "--scan-file", saved, "--to", out, "--image", self.images[0])
        before = {name: sha256(os.path.join(out, name)) for name in ("DOCS/a.txt", "top.txt")}
        other = self.path("other.img")
        with open(other, "wb") as blank:
            blank.truncate(4 << 20)
        moved = self.images[0] + ".moved"
        os.rename(self.images[0], moved)
        try:
            for source, reason in (((), "the scan's source cannot be read"),
                                   (("--image", other), "does not hold the scanned pool")):
                for command in (("recover", "--to", out, "--on-conflict", "overwrite"),
                                ("cat", "--path", "/top.txt"), ("hexdump", "--path", "/top.txt"),
                                ("mount", "--foreground", self.path("absent-mountpoint"))):
                    result = self.cli(command[0], "--scan-file", saved, *source, *command[1:], expect_status=1)
                    self.assertIn(reason, result.stderr, command)
                    self.assertEqual(result.stdout, "", command)
            listed = self.cli("ls", "--scan-file", saved)
            self.assertIn("top.txt", listed.stdout)
            self.assertIn("the scan's source cannot be read", listed.stderr)
        finally:
            os.rename(moved, self.images[0])
        self.assertEqual({name: sha256(os.path.join(out, name)) for name in before}, before)

    def test_files_that_are_no_scan_files(self):
        banner_only = self.path("empty.IMG")
        with open(banner_only, "wb") as empty:
            empty.write(b"KESTREL NSS RECOVERY SCAN DATA FILE")
        result = self.cli("ls", "--scan-file", banner_only, expect_status=0)
        self.assertIn("Total:  0.00 Bytes Folder(s): 0  File(s): 0", result.stdout)
        self.assertIn("is no scan information file", self.cli("ls", "--scan-file", self.images[0], expect_status=1).stderr)
        missing = self.cli("ls", "--scan-file", self.path("absent.IMG"), expect_status=1)
        self.assertIn("Select a valid scan file...", missing.stderr)
        self.cli("save-scan", "--disk", "0", "--to", banner_only, disks=self.images, expect_status=1)


if __name__ == "__main__":
    unittest.main()
