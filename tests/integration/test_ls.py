"""The volume scan through `kestrel-nss-cli ls`: every name form and entry code of the record
grammar as mkimage writes it, orphans, deleted entries, and the listing's JSON."""

import unittest

from harness import ImageTestCase, disk, file, folder, partition, pool, volume


def listing_paths(lines):
    return [(line["path"], line["kind"]) for line in lines]


class LsTest(ImageTestCase):
    def scan(self, *entries, layout="B", **volume_options):
        images, manifest = self.mkimage({"disks": [disk(
            partition(pool("DATA", volume("VOL1", *entries, layout=layout, **volume_options))),
            partition(sizeSectors=2048))]})
        lines = self.cli_json_lines("ls", "--disk", "0", "--pool", "DATA", "--volume", "VOL1", disks=images)
        return lines, manifest["disks"][0]["partitions"][0]["pool"]["volumes"][0]["entries"]

    def test_every_name_form_and_code_in_both_layouts(self):
        entries = [
            folder("/DOCS"),
            file("/DOCS/one.txt", "1", code=23),
            file("/DOCS/alt.txt", "22", code=128),
            file("/DOCS/twoparts.doc", "333", code=22),
            file("/DOCS/threeparts.xls", "4444", code=20),
            file("/DOCS/zeropart.txt", "x", code=22, zeroLengthPart=2),
            file("/DOCS/zeromiddle.txt", "y", code=20, zeroLengthPart=2),
            file("/DOCS/formtwo.txt", "f2", form="form2", secondName="formtwo-copy.txt"),
            file("/DOCS/stageonly.txt", "s", form="form2", firstEntry=False, stage=3),
            file("/stage1.txt", "a", form="neither", stage=1),
            file("/stage2.txt", "b", form="neither", stage=2),
            file("/stage3.txt", "c", form="neither", stage=3),
            file("/stage4.txt", "d", form="neither", stage=4, code=22),
        ]
        expected = [("/DOCS", "folder"), ("/DOCS/one.txt", "file"), ("/DOCS/alt.txt", "file"),
                    ("/DOCS/twoparts.doc", "file"), ("/DOCS/threeparts.xls", "file"), ("/DOCS/zeropart.txt", "file"),
                    ("/DOCS/zeromiddle.txt", "file"), ("/DOCS/formtwo.txt", "file"),
                    ("/DOCS/formtwo-copy.txt", "file"), ("/DOCS/stageonly.txt", "file")]
        top = [("/stage1.txt", "file"), ("/stage2.txt", "file"), ("/stage3.txt", "file"), ("/stage4.txt", "file")]
        for layout in ("A", "B"):
            with self.subTest(layout=layout):
                lines, _ = self.scan(*entries, layout=layout)
                self.assertEqual(listing_paths(lines), top + expected)

    def test_code_127_overrides_the_parent_key(self):
        # Candidate 2 takes the parent key at the code itself: its low 16 bits are 0x007F.
        lines, _ = self.scan(folder("/OVR", key="0x0000AB000000007F"),
                             file("/OVR/moved.txt", "m", form="neither", stage=2, code=127))
        self.assertIn(("/OVR/moved.txt", "file"), listing_paths(lines))

    def test_orphans_deleted_entries_and_extents(self):
        entries = [
            file("/LATE/early.txt", "before its folder"),
            folder("/LATE"),
            file("/LATE/direct.txt", "after its folder"),
            file("/gone.txt", "deleted", deleted=True),
            file("/multi.bin", size=3 * 4096 + 10, extents=3),
            file("/skipped.txt", "never", skip=True),
            file("/nowhere.txt", "lost parent", parentKey=987654),
        ]
        lines, made = self.scan(*entries)
        paths = listing_paths(lines)
        self.assertEqual(paths.index(("/LATE/direct.txt", "file")) + 1, paths.index(("/LATE/early.txt", "file")),
                         "orphans come behind the files filed directly")
        self.assertNotIn(("/skipped.txt", "file"), paths)
        self.assertIn(("/LATE/nowhere.txt", "file"), paths, "a lost parent: the last folder in display order")
        by_path = {line["path"]: line for line in lines}
        self.assertTrue(by_path["/gone.txt"]["deleted"])
        self.assertEqual(by_path["/gone.txt"]["key"], str(2**64 - 1))
        self.assertFalse(by_path["/LATE/direct.txt"]["deleted"])
        multi = next(entry for entry in made if entry["path"] == "/multi.bin")
        self.assertEqual(by_path["/multi.bin"]["extents"], multi["extents"])
        self.assertEqual(len(multi["extents"]), 3)
        self.assertEqual(by_path["/multi.bin"]["size"], 3 * 4096 + 10)

    def test_sizes_beyond_four_gibibytes(self):
        lines, _ = self.scan(file("/huge.vhd", size=5 << 30, sparse=True))
        self.assertEqual(lines[0]["size"], 5 << 30)

    def test_empty_chain_and_totals_line(self):
        lines, _ = self.scan(emptyChain=True)
        self.assertEqual(lines, [])
        images, _ = self.mkimage({"disks": [disk(partition(pool("DATA", volume("VOL1", file("/a.txt", "abc")))),
                                                  partition(sizeSectors=2048))]}, name="totals")
        result = self.cli("ls", "--disk", "0", disks=images)
        self.assertEqual(result.stdout.splitlines(), ["/a.txt  3  Valid File", "Total:  3.00 Bytes Folder(s): 0  File(s): 1"])
        self.assertIn("\nStarted Scanning VOL1", self.log_text())
        self.assertIn("\nVolume scanning completed successfully on", self.log_text())

    def test_names_that_match_nothing_or_several(self):
        images, _ = self.mkimage({"disks": [disk(
            partition(pool("DATA", volume("VOL1"), volume("VOL2"))), partition(pool("DATA", volume("X"))),
            partition(sizeSectors=2048))]})
        result = self.cli("ls", "--disk", "0", "--pool", "NOPE", disks=images, expect_status=1)
        self.assertIn("no pool named NOPE; there are: DATA, DATA", result.stderr)
        result = self.cli("ls", "--disk", "0", "--pool", "DATA", disks=images, expect_status=1)
        self.assertIn("several pools are named DATA", result.stderr)


if __name__ == "__main__":
    unittest.main()
