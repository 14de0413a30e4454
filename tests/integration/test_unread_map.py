# SPDX-License-Identifier: Apache-2.0
"""A map of the areas imaging never read (ours, or GNU ddrescue's) laid over the files of the
image: `ls` marks exactly the files whose data touch an area not finished, with the bytes affected,
`ls --damaged-only` lists only those, `recover` names them as not whole, and `report` writes the
inventory with them in JSON, DFXML (checked by xmllint) and HTML; `recover --report` adds where
each file went, the SHA-256 of what was written and what became of it. An evidence file made of a
failing disk marks the files on its acquisition errors as the map does, without any map, and an
image made of it maps those sectors as unread."""

import hashlib
import json
import os
import shutil
import subprocess
import unittest

from failing_image import failing_disk, unavailable
from harness import ImageTestCase, disk, file, partition, pool, volume

# Each file's bytes are unique, so that the test finds where they lie in the image.
CONTENTS = {f"/{name}.txt": (name * 700)[:3000] for name in ("alpha", "bravo", "charlie", "delta")}
LAYOUT = {"disks": [disk(partition(pool("DATA", volume("VOL1", *(file(path, text) for path, text in CONTENTS.items())))),
                         partition(sizeSectors=2048))]}
VOLUME = ["--pool", "DATA", "--volume", "VOL1"]
SECTOR = 512


def map_text(size, areas):
    """A ddrescue map of `size` bytes, finished but for the (start, end, status) areas."""
    lines, at = ["0x00000000 +"], 0
    for start, end, status in sorted(areas):
        if start > at:
            lines.append(f"0x{at:X} 0x{start - at:X} +")
        lines.append(f"0x{start:X} 0x{end - start:X} {status}")
        at = end
    if at < size:
        lines.append(f"0x{at:X} 0x{size - at:X} +")
    return "\n".join(lines) + "\n"


class UnreadMapTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        images, _ = self.mkimage(LAYOUT)
        self.image = images[0]
        with open(self.image, "rb") as data:
            raw = data.read()
        self.size = len(raw)
        self.where = {path: raw.find(text.encode()) for path, text in CONTENTS.items()}
        for path, offset in self.where.items():
            self.assertGreater(offset, 0, path)
            self.assertEqual(offset % SECTOR, 0, path)

    def write_map(self, name, areas):
        path = self.path(name)
        with open(path, "w") as out:
            out.write(map_text(self.size, areas))
        return path

    def test_exactly_the_files_touching_an_area_are_marked(self):
        alpha, bravo, charlie = (self.where[f"/{name}.txt"] for name in ("alpha", "bravo", "charlie"))
        areas = [(alpha + 2560, alpha + 3072, "-"),   # alpha's last sector, of which it uses 440 bytes
                 (bravo - SECTOR, bravo, "?"),         # ends where bravo starts
                 (charlie, charlie + 2 * SECTOR, "*")]  # charlie's first two sectors
        expected = {"/alpha.txt": 3000 - 2560, "/charlie.txt": 2 * SECTOR}
        for path, offset in self.where.items():  # the sector before bravo may hold another file's end
            if offset <= bravo - SECTOR < offset + 3000:
                expected[path] = expected.get(path, 0) + min(SECTOR, offset + 3000 - (bravo - SECTOR))
        given = self.write_map("bad.map", areas)

        lines = self.cli_json_lines("ls", "--image", self.image, *VOLUME, "--map", given)
        marked = {line["path"]: line["unreadBytes"] for line in lines if "unreadBytes" in line}
        self.assertEqual(marked, expected)
        self.assertNotIn("/bravo.txt", marked)

        os.rename(given, self.image + ".map")
        listed = self.cli("ls", "--image", self.image, *VOLUME, "--damaged-only")
        self.assertEqual(sorted(line.split("  ")[0] for line in listed.stdout.splitlines() if line.startswith("/")),
                         sorted(expected))
        self.assertIn("/charlie.txt  3000  Valid File  (1024 bytes were never read from the disk)", listed.stdout)
        self.assertIn(f"Files that hold bytes never read from the disk: {len(expected)}", listed.stdout)
        self.assertIn("Files are marked against the map", listed.stderr)

        out = self.path("out")
        recovered = self.cli("recover", "--image", self.image, *VOLUME, "--to", out, expect_status=1)
        self.assertIn("Not recovered whole", recovered.stdout)
        self.assertIn("alpha.txt: 440 bytes were never read from the disk", recovered.stdout)
        self.assertNotIn("bravo.txt:", recovered.stdout)
        self.assertNotIn("Recovered Successfully", recovered.stdout)
        with open(os.path.join(out, "bravo.txt")) as written:
            self.assertEqual(written.read(), CONTENTS["/bravo.txt"])

    def test_a_map_that_does_not_describe_the_image_is_refused_or_passed_over(self):
        wrong = self.path("wrong.map")
        with open(wrong, "w") as out:
            out.write(map_text(self.size + SECTOR, []))
        refused = self.cli("ls", "--image", self.image, *VOLUME, "--map", wrong, expect_status=1)
        self.assertIn("wrong.map: ", refused.stderr)
        self.cli("ls", "--image", self.image, *VOLUME, "--map", self.path("none.map"), expect_status=2)
        self.cli("ls", "--image", self.image, *VOLUME, "--damaged-only", expect_status=2)

        os.rename(wrong, os.path.splitext(self.image)[0] + ".map")
        listed = self.cli("ls", "--image", self.image, *VOLUME)
        self.assertIn("The map beside the image is not used", listed.stderr)
        self.cli("recover", "--image", self.image, *VOLUME, "--to", self.path("out"))


    def test_the_report_lists_every_file_with_its_runs_and_unread_bytes(self):
        charlie = self.where["/charlie.txt"]
        given = self.write_map("bad.map", [(charlie, charlie + SECTOR, "-")])
        folder = self.path("report")
        self.cli("report", "--image", self.image, *VOLUME, "--map", given, "--to", folder)
        with open(os.path.join(folder, "report.json")) as data:
            report = json.load(data)
        self.assertEqual(report["source"], {"path": self.image, "container": "raw", "size": self.size,
                                            "model": "", "serial": "", "map": given, "imageSha256": ""})
        self.assertEqual(sorted(entry["path"] for entry in report["files"]), sorted(CONTENTS))
        for entry in report["files"]:
            self.assertEqual(entry["size"], 3000)
            self.assertEqual(entry["byteRuns"], [{"imageOffset": self.where[entry["path"]], "length": 3000,
                                                  "fileOffset": 0}])
            self.assertEqual(entry["unreadBytes"], SECTOR if entry["path"] == "/charlie.txt" else 0)
        if not shutil.which("xmllint"):
            self.skipTest("SKIPPED: xmllint is not installed (libxml2-utils)")
        for name, options in (("report.dfxml", []), ("report.html", ["--html"])):
            checked = subprocess.run(["xmllint", "--noout", *options, os.path.join(folder, name)],
                                     capture_output=True, text=True)
            self.assertEqual((checked.returncode, checked.stderr), (0, ""), name)

    def test_the_report_of_an_image_we_made_names_the_image_hash_its_map_holds(self):
        copy = self.path("copy.img")
        self.cli("image", "--image", self.image, "--to", copy)
        with open(copy, "rb") as data:
            digest = hashlib.sha256(data.read()).hexdigest()
        folder = self.path("report")
        self.cli("report", "--image", copy, *VOLUME, "--to", folder)
        with open(os.path.join(folder, "report.json")) as data:
            source = json.load(data)["source"]
        self.assertEqual((source["map"], source["imageSha256"]), (copy + ".map", digest))
        with open(os.path.join(folder, "report.dfxml")) as dfxml:
            source = dfxml.read().split("</source>")[0]
        self.assertIn(f"<hashdigest type='sha256'>{digest}</hashdigest>", source)

    def recover_with_report(self, name, *options, status=0):
        folder = self.path(name)
        self.cli("recover", "--image", self.image, *VOLUME, "--to", self.path("out"), "--report", folder, *options,
                 expect_status=status)
        with open(os.path.join(folder, "report.json")) as data:
            return {entry["path"]: entry for entry in json.load(data)["files"]}, folder

    def test_a_recovery_report_holds_the_hash_of_every_file_written_and_its_state(self):
        alpha = self.where["/alpha.txt"]
        given = self.write_map("bad.map", [(alpha, alpha + SECTOR, "-")])
        files, folder = self.recover_with_report("first", "--map", given, status=1)
        self.assertEqual(sorted(files), sorted(CONTENTS))
        for path, entry in files.items():
            with open(entry["writtenAs"], "rb") as written:
                self.assertEqual(entry["sha256"], hashlib.sha256(written.read()).hexdigest(), path)
            self.assertEqual(entry["state"], "failed" if path == "/alpha.txt" else "whole", path)
        self.assertEqual(files["/alpha.txt"]["reason"], "512 bytes were never read from the disk")
        with open(os.path.join(folder, "report.dfxml")) as dfxml:
            self.assertIn(f"<hashdigest type='sha256'>{files['/bravo.txt']['sha256']}</hashdigest>", dfxml.read())

        skipped, _ = self.recover_with_report("again", "--on-conflict", "skip", status=0)
        self.assertEqual({entry["state"] for entry in skipped.values()}, {"skipped"})
        self.assertEqual({entry["sha256"] for entry in skipped.values()}, {""})
        renamed, _ = self.recover_with_report("renamed", "--on-conflict", "rename")
        self.assertEqual({entry["state"] for entry in renamed.values()}, {"renamed"})
        self.assertNotEqual(renamed["/bravo.txt"]["writtenAs"], files["/bravo.txt"]["writtenAs"])
        self.assertEqual(renamed["/bravo.txt"]["sha256"], files["/bravo.txt"]["sha256"])
        self.assertNotIn("md5", renamed["/bravo.txt"])

    def test_the_md5_of_every_file_is_added_when_asked_for(self):
        files, folder = self.recover_with_report("md5", "--md5")
        for path, entry in files.items():
            with open(entry["writtenAs"], "rb") as written:
                data = written.read()
            self.assertEqual(entry["md5"], hashlib.md5(data).hexdigest(), path)
            self.assertEqual(entry["sha256"], hashlib.sha256(data).hexdigest(), path)
        with open(os.path.join(folder, "report.dfxml")) as dfxml:
            self.assertIn(f"<hashdigest type='md5'>{files['/bravo.txt']['md5']}</hashdigest>", dfxml.read())
        with open(os.path.join(folder, "report.html")) as html:
            self.assertIn("MD5 " + files["/bravo.txt"]["md5"], html.read())
        refused = self.cli("recover", "--image", self.image, *VOLUME, "--to", self.path("out2"), "--md5",
                           expect_status=2)
        self.assertIn("--md5 requires --report", refused.stderr)

    def test_an_evidence_files_acquisition_errors_mark_the_files_without_a_map(self):
        if unavailable():
            self.skipTest(f"SKIPPED: {unavailable()}")
        first = self.where["/charlie.txt"] // SECTOR
        with failing_disk(self.image, self.path("served"), [f"{first}-{first + 1}"]) as served:
            self.cli("image", "--image", served, "--to", self.path("failing.e01"), "--format", "e01", expect_status=1)
        e01 = self.path("failing.E01")
        os.remove(e01 + ".map")

        lines = self.cli_json_lines("ls", "--image", e01, *VOLUME)
        self.assertEqual({line["path"]: line["unreadBytes"] for line in lines if "unreadBytes" in line},
                         {"/charlie.txt": 2 * SECTOR})
        listed = self.cli("ls", "--image", e01, *VOLUME, "--damaged-only")
        self.assertIn("/charlie.txt  3000  Valid File  (1024 bytes were never read from the disk)", listed.stdout)

        folder = self.path("report")
        self.cli("recover", "--image", e01, *VOLUME, "--to", self.path("out"), "--report", folder, expect_status=1)
        with open(os.path.join(folder, "report.json")) as data:
            files = {entry["path"]: entry for entry in json.load(data)["files"]}
        self.assertEqual(files["/charlie.txt"]["state"], "failed")
        self.assertEqual(files["/charlie.txt"]["unreadBytes"], 2 * SECTOR)
        self.assertIn("1024 bytes were never read from the disk", files["/charlie.txt"]["reason"])
        self.assertEqual(files["/bravo.txt"]["state"], "whole")

        copy = self.path("copy.img")
        self.cli("image", "--image", e01, "--to", copy, expect_status=1)
        with open(copy + ".map") as map_file:
            self.assertIn(f"0x{first * SECTOR:08X}  0x{2 * SECTOR:08X}  -", map_file.read())


if __name__ == "__main__":
    unittest.main()
