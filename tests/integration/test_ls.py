# SPDX-License-Identifier: Apache-2.0
"""The volume scan through `kestrel-nss-cli ls`: every name form and entry code of the record
grammar as mkimage writes it, orphans, deleted entries, and the listing's JSON."""

import json
import os
import signal
import subprocess
import time
import unittest

from harness import CLI, MKIMAGE, ImageTestCase, disk, file, folder, partition, pool, volume


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

    def test_a_chain_into_a_damaged_block_ends_early_and_says_so(self):
        entries = [file(f"/f{index:03d}.txt", str(index)) for index in range(300)]
        images, manifest = self.mkimage({"disks": [disk(partition(pool("DATA", volume("VOL1", *entries))),
                                                        partition(sizeSectors=2048))]})
        pool_base = manifest["disks"][0]["partitions"][0]["pool"]["poolBase"]
        last = manifest["disks"][0]["partitions"][0]["pool"]["volumes"][0]["entries"][-1]["recordOffset"]
        damaged = last - (last - pool_base) % 4096
        with open(images[0], "r+b") as image:  # the tree block that holds the last entry
            image.seek(damaged)
            image.write(bytes(4096))
        self.watch(images[0])
        result = self.cli("ls", "--disk", "0", disks=images, expect_status=1)
        self.assertIn("Scanning ended early: the chain of tree blocks leads into a block that is not a tree "
                      "block; what follows it was not read", result.stderr)
        listed = [line for line in result.stdout.splitlines() if line.startswith("/f")]
        self.assertTrue(0 < len(listed) < 300, "what came before the damaged block is listed")
        self.assertNotIn("completed successfully", self.log_text())

    def test_names_that_match_nothing_or_several(self):
        images, _ = self.mkimage({"disks": [disk(
            partition(pool("DATA", volume("VOL1"), volume("VOL2"))), partition(pool("DATA", volume("X"))),
            partition(sizeSectors=2048))]})
        result = self.cli("ls", "--disk", "0", "--pool", "NOPE", disks=images, expect_status=1)
        self.assertIn("no pool named NOPE; there are: DATA, DATA", result.stderr)
        result = self.cli("ls", "--disk", "0", "--pool", "DATA", disks=images, expect_status=1)
        self.assertIn("several pools are named DATA", result.stderr)


class DemoDiskTest(ImageTestCase):
    def test_ls_json_lists_what_the_demo_put_in_each_volume(self):
        images = [self.path("demo0.img"), self.path("demo1.img")]
        manifest_path = self.path("demo.json")
        subprocess.run([MKIMAGE, "--layout", "demo", "--out", images[0], "--out", images[1],
                        "--manifest", manifest_path], check=True)
        with open(manifest_path) as manifest_file:
            manifest = json.load(manifest_file)
        for partition_made in manifest["disks"][0]["partitions"]:
            made_pool = partition_made.get("pool")
            for made in (made_pool or {}).get("volumes", []):
                if made["deleted"]:
                    continue
                with self.subTest(volume=made["label"]):
                    lines = self.cli_json_lines("ls", "--disk", "0", "--pool", made_pool["name"],
                                                "--volume", made["label"], disks=images)
                    self.assertEqual(sorted(self.listed(lines)), sorted(self.made(made["entries"])))

    @staticmethod
    def listed(lines):
        return [(l["path"], l["kind"], l["size"], l["key"], l["deleted"], l["extents"]) for l in lines]

    @staticmethod
    def made(entries):
        found = []
        for entry in entries:
            if entry["skipped"]:
                continue
            found.append((entry["path"], entry["kind"], entry["size"], entry["key"], entry["deleted"], entry["extents"]))
            if entry["secondName"]:
                second = os.path.join(os.path.dirname(entry["path"]), entry["secondName"])
                found.append((second, entry["kind"], entry["size"], entry["key"], entry["deleted"], entry["extents"]))
        return found


class InterruptTest(ImageTestCase):
    def test_ctrl_c_stops_the_scan_and_logs_the_abort(self):
        generate = {"folders": 20000, "files": 600000, "nameLength": 12, "fileSize": 10, "sharedData": True}
        images, _ = self.mkimage({"disks": [disk(partition(pool("BIG", volume("V", generate=generate)),
                                                            sizeSectors=2 << 21), partition(sizeSectors=2048))]})
        env = dict(os.environ, KESTREL_NSS_LOG=self.log)
        # A shell that starts the tests in the background leaves SIGINT ignored; a terminal does not.
        scan = subprocess.Popen([CLI, "ls", "--image", images[0], "--json"], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        deadline = time.monotonic() + 60
        while "Started Scanning" not in self.log_text() and time.monotonic() < deadline:
            time.sleep(0.005)
        scan.send_signal(signal.SIGINT)
        output, errors = scan.communicate(timeout=120)
        if scan.returncode == 0:
            self.skipTest("SKIPPED: the scan finished before the interrupt arrived")
        self.assertEqual(scan.returncode, 1, errors)
        self.assertIn("stopped", errors)
        self.assertIn("\nScan volume process aborted", self.log_text())
        self.assertNotIn("completed successfully", self.log_text())
        self.assertIn("\nClosed Kestrel Varnoak NSS successfullly on", self.log_text())


if __name__ == "__main__":
    unittest.main()
