# SPDX-License-Identifier: Apache-2.0
"""Masks and find through kestrel-nss-cli: `ls --mask`, `recover --mask`, `save-scan --mask` and
`find`, on a volume kestrel-nss-mkimage builds."""

import os
import unittest

from harness import ImageTestCase, disk, file, folder, partition, pool, volume

ENTRIES = [
    file("/top.doc", "top"),
    folder("/A/B/C"),
    file("/A/B/C/deep.DOC", "deep"),
    folder("/EMPTY"),
    file("/DOCS/report.doc", size=100),
    file("/DOCS/multi.doc", size=3 * 4096 + 10, extents=3),
    file("/DOCS/sheet.xls", size=100),
    file("/DOCS/notes.txt", size=300),
    file("/DOCS/README", size=100),
    file("/DOCS/gone.doc", "deleted", deleted=True),
]


class MaskFindTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", *ENTRIES))), partition(sizeSectors=2048))]}
        self.images, _ = self.mkimage(layout)
        self.source = ["--disk", "0", "--pool", "DATA", "--volume", "VOL1"]

    def lines(self, command, *args):
        return self.cli_json_lines(command, *self.source, *args, disks=self.images)

    def paths(self, command, *args):
        return [line["path"] for line in self.lines(command, *args)]

    def test_ls_mask_keeps_matching_files_under_their_folders(self):
        full = {line["path"]: line for line in self.lines("ls")}
        masked = self.lines("ls", "--mask", "*.doc; *.XLS")
        self.assertEqual([line["path"] for line in masked],
                         ["/top.doc", "/A", "/A/B", "/A/B/C", "/A/B/C/deep.DOC", "/DOCS", "/DOCS/report.doc",
                          "/DOCS/multi.doc", "/DOCS/sheet.xls", "/DOCS/gone.doc"])
        for line in masked:
            self.assertEqual(line, full[line["path"]], "the same objects as a plain ls")
        self.assertEqual(len(full["/DOCS/multi.doc"]["extents"]), 3)
        totals = self.cli("ls", *self.source, "--mask", "*.xls,*.txt", disks=self.images).stdout.splitlines()[-1]
        self.assertEqual(totals, "Total:  400.00 Bytes Folder(s): 1  File(s): 2")

    def test_ls_mask_deleted_only_and_size_range(self):
        self.assertEqual(self.paths("ls", "--mask", "*.*", "--deleted-only"), ["/DOCS", "/DOCS/gone.doc"])
        self.assertEqual(self.paths("ls", "--mask", "*.*", "--size-from", "100", "--size-upto", "100"),
                         ["/DOCS", "/DOCS/report.doc", "/DOCS/sheet.xls", "/DOCS/README"])
        self.assertEqual(self.paths("ls", "--mask", "*.txt", "--size-from", "200"), ["/DOCS", "/DOCS/notes.txt"])
        self.assertIn("/EMPTY", self.paths("ls", "--mask", "*.*"), "*.* alone leaves the view as it is")

    def test_bad_mask_options_are_a_wrong_command_line(self):
        cases = [(["--mask", "*.doc", "--size-from", "12k"], "--size-from: type a size in bytes"),
                 (["--mask", "*.doc", "--size-from", "-1"], "digits 0 to 9 only"),
                 (["--mask", "*.doc", "--size-upto", "1" * 21], "at most 20 digits"),
                 (["--mask", "*.doc", "--size-from", "100", "--size-upto", "99"],
                  "The upper size bound (--size-upto) is below the lower one (--size-from)"),
                 (["--mask", " ; "], "at least one file type"),
                 (["--deleted-only"], "--mask")]
        for args, message in cases:
            with self.subTest(args=args):
                result = self.cli("ls", *self.source, *args, disks=self.images, expect_status=2)
                self.assertIn(message, result.stderr)
        self.assertNotIn("Started Scanning", self.log_text(), "refused before any scan")
        result = self.cli("ls", "--image", self.images[0], "--pool-scan", "--mask", "*.doc", "--deleted-only",
                          expect_status=2)
        self.assertIn("pool scan", result.stderr)

    def test_recover_and_save_scan_with_a_mask(self):
        self.cli("recover", *self.source, "--to", self.path("out"), "--mask", "*.doc", "--size-from", "101",
                 disks=self.images)
        written = sorted(os.path.relpath(os.path.join(top, name), self.path("out"))
                         for top, _, names in os.walk(self.path("out")) for name in names)
        self.assertEqual(written, ["DOCS/multi.doc"])
        self.assertEqual(os.path.getsize(self.path("out/DOCS/multi.doc")), 3 * 4096 + 10, "all three extents")
        saved = self.path("masked.IMG")
        self.cli("save-scan", *self.source, "--to", saved, "--mask", "*.xls", disks=self.images)
        loaded = self.cli_json_lines("ls", "--scan-file", saved, disks=self.images)
        self.assertEqual([line["path"] for line in loaded], ["/DOCS", "/DOCS/sheet.xls"])

    def test_find_prints_every_match_depth_first(self):
        found = self.cli("find", *self.source, "*.doc;README", disks=self.images).stdout.splitlines()
        self.assertEqual(found, ["/top.doc", "/A/B/C/deep.DOC", "/DOCS/report.doc", "/DOCS/multi.doc",
                                 "/DOCS/README", "/DOCS/gone.doc"])
        self.assertIn("\nSearching for string *.doc;README", self.log_text())
        lines = self.lines("find", "d?ep.*", "N*.TXT")
        self.assertEqual([(line["path"], line["kind"]) for line in lines],
                         [("/A/B/C/deep.DOC", "file"), ("/DOCS/notes.txt", "file")])
        nothing = self.cli("find", *self.source, "*.pdf", disks=self.images)
        self.assertEqual(nothing.stdout, "")
        self.assertIn("No more entries available in displayed directory tree.", nothing.stderr)
        self.cli("find", *self.source, " ; ", disks=self.images, expect_status=2)


if __name__ == "__main__":
    unittest.main()
