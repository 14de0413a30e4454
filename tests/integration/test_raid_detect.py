# SPDX-License-Identifier: Apache-2.0
"""Finding a RAID set's geometry: the demo disk cut by `kestrel-nss-mkimage stripe` into members,
handed to `raid-detect` in a shuffled order, comes back with the level, layout, stripe, order and
start offset it was cut with, ranked first; `--raid auto:` reads the same volume as the disk; a
RAID 5 or RAID 6 member missing is no obstacle, members of unrelated disks have no consistent
geometry, and members that show a boot sector in every sector are answered in seconds."""

import os
import random

import test_raid

# (level, layout, members, stripe): RAID 6 is left-symmetric only, span and RAID 1 have no stripe.
SETS = [("0", "left-symmetric", 3, "4k"), ("0", "left-symmetric", 3, "1m"),
        ("1", "left-symmetric", 2, "64k"), ("10", "left-symmetric", 4, "64k"),
        ("10", "left-symmetric", 4, "1m"), ("5", "left-symmetric", 4, "4k"),
        ("5", "right-symmetric", 3, "64k"), ("5", "right-symmetric", 3, "1m"),
        ("5", "right-asymmetric", 5, "4k"), ("5", "left-asymmetric", 4, "64k"),
        ("6", "left-symmetric", 5, "64k"), ("span", "left-symmetric", 3, "64k")]
BYTES = {"4k": 4096, "64k": 65536, "1m": 1 << 20}


def reading_order(level, members):
    """The members in an order that reads the same whatever the copies' order: any order of RAID 1,
    the two members of each RAID 10 pair either way round."""
    if level == "1":
        return sorted(members)
    if level == "10":
        return [sorted(members[i:i + 2]) for i in range(0, len(members), 2)]
    return members


class RaidDetectTest(test_raid.RaidTest):
    # The listing and recovery cases of the base class run in its own module.
    test_every_level_layout_and_stripe_lists_as_the_disk_does = None
    test_members_missing_recover_the_same_bytes = None
    test_a_pool_scan_and_a_saved_scan_read_through_the_set = None
    test_a_wrong_set_is_refused_with_the_reason = None

    def shuffled(self, definition, seed):
        members = definition.split(":", 1)[1].split(",")
        order = members[:]
        random.Random(seed).shuffle(order)
        return members, order

    def best(self, members):
        found = self.cli_json("raid-detect", *members)
        self.assertGreater(found["bytesRead"], 0)
        self.assertLessEqual(found["bytesRead"], found["memberBytes"])
        return found["candidates"][0]

    def test_the_built_geometry_ranks_first_and_auto_reads_the_volume(self):
        expected = self.listing(["--image", self.disk], "DATA", "VOL1")
        for seed, (level, layout, count, stripe) in enumerate(SETS):
            with self.subTest(level=level, layout=layout, stripe=stripe):
                members, order = self.shuffled(self.stripe(level, layout, count, stripe, offset="512k"), seed)
                best = self.best(order)
                self.assertEqual(best["level"], level)
                self.assertEqual(best["offset"], 512 * 1024)
                self.assertEqual(reading_order(level, best["members"]), reading_order(level, members))
                if level in ("5", "6"):
                    self.assertEqual(best["layout"], layout)
                if level not in ("span", "1"):
                    self.assertEqual(best["stripe"], BYTES[stripe])
                self.assertEqual(self.listing(["--raid", "auto:" + ",".join(order)], "DATA", "VOL1"), expected)

    def test_the_text_names_the_definition_to_use(self):
        definition = self.stripe("5", "right-symmetric", 3, "64k")
        members, order = self.shuffled(definition, 7)
        text = self.cli("raid-detect", *order).stdout
        self.assertTrue(text.startswith("1. score "), text)
        self.assertIn("--raid " + definition + "\n", text)
        self.assertIn("parity checks on", text)

    def test_a_member_missing_is_rebuilt_from_parity(self):
        expected = self.listing(["--image", self.disk], "DATA", "VOL1")
        for level, count, stripe in [("5", 4, "4k"), ("6", 5, "64k")]:
            with self.subTest(level=level):
                definition = self.stripe(level, "left-symmetric", count, stripe, leave_out=(2,))
                members = definition.split(":", 1)[1].split(",")
                order = [members[3], members[0], "missing", members[1], *members[4:]]
                best = self.best(order)
                self.assertEqual((best["level"], best["layout"], best["stripe"]),
                                 (level, "left-symmetric", BYTES[stripe]))
                self.assertEqual(best["members"], members)
                self.assertEqual(self.listing(["--raid", "auto:" + ",".join(order)], "DATA", "VOL1"),
                                 expected)

    def unrelated(self, count, size):
        paths = []
        for index in range(count):
            path = self.path(f"unrelated{index}.img")
            with open(path, "wb") as data:
                data.write(random.Random(index).randbytes(size))
            paths.append(path)
        return paths

    def test_members_of_unrelated_disks_have_no_consistent_geometry(self):
        definition = self.stripe("5", "left-symmetric", 4, "64k")
        first = definition.split(":", 1)[1].split(",")[0]
        for members in (self.unrelated(3, 2 << 20), [first] + self.unrelated(3, os.path.getsize(first))):
            with self.subTest(members=len(members)):
                result = self.cli("raid-detect", *members, expect_status=1)
                self.assertIn("no consistent geometry", result.stderr)
                self.assertIn("no consistent geometry", self.cli("ls", "--raid", "auto:" + ",".join(members), "--pool",
                                                                 "DATA", "--volume", "VOL1", expect_status=1).stderr)

    def test_a_boot_sector_in_every_sector_is_answered_quickly(self):
        """Each of the 65,536 sectors of the members' heads that begins as a boot sector was once a
        start offset scored with every geometry: minutes of work for two members of 64 MiB."""
        boot = b"\xEB\x71\x90GMBR\0".ljust(512, b"\0")
        members = []
        for index in range(2):
            members.append(self.path(f"boots{index}.img"))
            with open(members[-1], "wb") as member:
                member.write(boot * (64 * 1024))
                member.truncate(64 << 20)
            self.watch(members[-1])
        result = self.cli("raid-detect", *members, expect_status=1, timeout=60)
        self.assertIn("no consistent geometry", result.stderr)

    def test_what_detection_cannot_take_is_refused(self):
        members = self.unrelated(2, 1 << 20)
        self.assertIn("at most one may be missing",
                      self.cli("raid-detect", "missing", "missing", *members, expect_status=1).stderr)
        self.assertIn("2 to 6 members", self.cli("raid-detect", members[0], expect_status=1).stderr)
        self.assertIn("disk:N names disk N", self.cli("raid-detect", "disk:x", *members, expect_status=1).stderr)


if __name__ == "__main__":
    import unittest
    unittest.main()
