# SPDX-License-Identifier: Apache-2.0
"""The pool scan and the disk scan through kestrel-nss-cli: deleted volumes, blocks no chain
reaches, pools spanning partitions, pool images, lost boot sectors, and recovery from them."""

import filecmp
import os
import unittest

from failing_image import failing_disk, unavailable
from harness import ImageTestCase, disk, file, folder, partition, pool, volume

LIVE = volume("LIVE", folder("/DOCS"), file("/DOCS/a.txt", "live a"), file("/DOCS/multi.bin", size=9000, extents=3),
              file("/top.txt", "top of LIVE"))
GONE = volume("GONE", folder("/OLD"), file("/OLD/lost.doc", size=5000), file("/OLD/b.txt", "deleted volume b"),
              deleted=True)


def same_tree(left, right):
    comparison = filecmp.dircmp(left, right)
    if comparison.left_only or comparison.right_only or comparison.diff_files:
        return False
    return all(same_tree(os.path.join(left, d), os.path.join(right, d)) for d in comparison.common_dirs)


class PoolScanTest(ImageTestCase):
    def test_deleted_volumes_come_back_marked_and_are_recovered_byte_for_byte(self):
        edge = {"offset": 1048064, "layout": "B", "volume": "LIVE", "entries": [file("/DOCS/edge.txt", "at a window's end")]}
        layout = {"disks": [disk(partition(pool("DATA", LIVE, GONE, extraSuperBlocks=1, looseBlocks=[edge])),
                                 partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout, expect=True)
        source = ["--disk", "0", "--pool", "DATA", "--pool-scan"]
        lines = self.cli_json_lines("ls", *source, disks=images)
        by_path = {line["path"]: line for line in lines}
        self.assertTrue(by_path["/GONE"].get("deletedVolume"))
        self.assertNotIn("deletedVolume", by_path["/LIVE"])
        for path in ("/LIVE/DOCS/a.txt", "/LIVE/DOCS/edge.txt", "/LIVE/top.txt", "/GONE/OLD/lost.doc"):
            self.assertIn(path, by_path)
        self.assertFalse(any("LogicalVolumes" in path for path in by_path))
        self.assertIn("(deleted volume)", self.cli("ls", *source, disks=images).stdout)
        self.cli("recover", *source, "--to", self.path("out"), disks=images)
        expected = self.path("disk.expect/DATA")
        self.assertTrue(same_tree(self.path("out/GONE"), os.path.join(expected, "GONE")))
        self.assertTrue(filecmp.cmp(self.path("out/LIVE/DOCS/multi.bin"), os.path.join(expected, "LIVE/DOCS/multi.bin"), False))
        log = self.log_text()
        self.assertIn("\nStarted Scanning Pool:DATA", log)
        self.assertRegex(log, r"\nSuccessfully scanned pool .* at .*Total:  .* Folder\(s\): 2  File\(s\): 6")

    def test_unreadable_sectors_make_a_pool_scan_and_a_disk_scan_incomplete(self):
        reason = unavailable()
        if reason:
            self.skipTest("SKIPPED: " + reason)
        layout = {"disks": [disk(partition(pool("DATA", LIVE), startSector=2048, sizeSectors=16384),
                                 partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout)
        with failing_disk(images[0], self.path("served"), ["16000"]) as served:
            for command in (("ls", "--pool", "DATA", "--pool-scan"), ("disk-scan",)):
                result = self.cli(command[0], "--image", served, *command[1:], expect_status=1)
                self.assertRegex(result.stderr, r"\d+ sectors could not be read: what they hold is missing; "
                                                r"the scan is incomplete", command)
            self.assertIn("/LIVE/top.txt", self.cli("ls", "--image", served, "--pool", "DATA", "--pool-scan",
                                                    expect_status=1).stdout)

    def test_a_pool_spanning_two_partitions(self):
        segment_volume = volume("FAR", folder("/THERE"), file("/THERE/far.txt", "in the second segment"), placement="segment")
        layout = {"disks": [disk(partition(pool("SPAN", LIVE, segment_volume)), partition(sizeSectors=8192, segmentOf="SPAN"),
                                 partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout)
        paths = [line["path"] for line in self.cli_json_lines("ls", "--disk", "0", "--pool", "SPAN", "--pool-scan", disks=images)]
        self.assertIn("/FAR/THERE/far.txt", paths)

    def test_a_pool_image_that_ends_inside_a_window(self):
        late = {"offset": (2900 - 8) * 512, "layout": "B", "volume": "LIVE", "entries": [file("/late.txt", "near the end")]}
        layout = {"disks": [disk(partition(pool("DATA", LIVE, looseBlocks=[late]), sizeSectors=2900), partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout, pool_image="DATA")
        self.assertEqual(os.path.getsize(images[0]), 2900 * 512)
        paths = [line["path"] for line in self.cli_json_lines("ls", "--image", images[0], "--pool-scan", disks=[])]
        self.assertIn("/LIVE/late.txt", paths)


class DiskScanTest(ImageTestCase):
    def test_finds_the_pools_of_a_disk_whose_boot_sector_is_zeroed(self):
        layout = {"disks": [disk(partition(pool("LOST", LIVE), startSector=2047),
                                 partition(pool("NOSPB", volume("V"), superBlock=False)),
                                 partition(pool("LAST", volume("END"))),
                                 damage={"zeroBootSector": True})]}
        images, _ = self.mkimage(layout)
        self.assertEqual(self.cli_json("disks", disks=images)[0]["pools"], [])
        found = self.cli_json("disk-scan", "--disk", "0", disks=images)
        self.assertEqual([(p["name"], p["start"]) for p in found], [("LOST", 2047 * 512), ("NOSPB", found[1]["start"]),
                                                                    ("LAST", found[2]["start"])])
        self.assertEqual([p.get("superBlockDamaged", False) for p in found], [False, True, False],
                         "a pool whose label names it but whose super block is gone is offered, marked")
        self.assertEqual([v["name"] for v in found[2]["volumes"]], ["END"], "the last header of a chain is examined")
        listing = self.cli("disk-scan", "--disk", "0", disks=images).stdout
        self.assertIn("Pool :    LOST", listing)
        self.assertIn("Pool :    NOSPB (super block damaged)", listing)
        paths = [line["path"] for line in self.cli_json_lines("ls", "--disk", "0", "--disk-scan", "--pool", "LOST",
                                                              "--volume", "LIVE", disks=images)]
        self.assertIn("/DOCS/a.txt", paths)
        self.cli("recover", "--disk", "0", "--disk-scan", "--pool", "LOST", "--pool-scan", "--to", self.path("out"),
                 disks=images)
        with open(self.path("out/LIVE/top.txt")) as top:
            self.assertEqual(top.read(), "top of LIVE")

    def test_a_pool_whose_super_block_is_damaged_is_recovered_from_header_plus_0x5000(self):
        damaged = pool("NOSPB", volume("V", file("/kept.txt", "kept without a super block")), superBlock=False)
        layout = {"disks": [disk(partition(damaged), partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout)
        self.watch(images[0])
        result = self.cli("recover", "--disk", "0", "--disk-scan", "--pool", "NOSPB", "--pool-scan", "--to",
                          self.path("out"), disks=images)
        self.assertIn("No pool super block (\"SPB5\") was found", result.stderr)
        with open(self.path("out/V/kept.txt")) as kept:
            self.assertEqual(kept.read(), "kept without a super block")
        with open(self.log) as log:
            self.assertIn("0x5000 after the partition header", log.read())


if __name__ == "__main__":
    unittest.main()
