# SPDX-License-Identifier: Apache-2.0
"""Big and odd volumes through ls, recover and save-scan and back: a pool across the 2 TiB mark
(sector 2^32), a file over 4 GiB, names that file systems find odd, a path 4,000 bytes deep, and a
folder of 100,000 files. Images are sparse; nothing large is ever written."""

import os
import unittest

from harness import ImageTestCase, disk, file, folder, partition, pool, volume

SOURCE = ["--disk", "0", "--pool", "DATA", "--volume", "VOL1"]


class BigAndOddTest(ImageTestCase):
    def build(self, *entries, **volume_options):
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", *entries, **volume_options))),
                                 partition(sizeSectors=2048))]}
        self.images, _ = self.mkimage(layout)

    def listing(self, *source):
        return self.cli_json_lines("ls", *source, disks=self.images)

    def save_and_reload(self):
        """Saves the scan, and checks that the saved scan lists what the scan lists."""
        saved = self.path("scan.IMG")
        self.cli("save-scan", *SOURCE, "--to", saved, disks=self.images)
        scanned = self.listing(*SOURCE)
        self.assertEqual(self.listing("--scan-file", saved), scanned)
        return saved, scanned

    def recover(self, *source, out="out"):
        result = self.cli("recover", *source, "--to", self.path(out), disks=self.images)
        self.assertIn("Recovered Successfully", result.stdout)
        return self.path(out)

    def test_a_pool_across_sector_2_to_the_32(self):
        """The pool's header lies 2 MiB before sector 2^32 of a disk over 2 TiB; its 4 MiB file and
        its later blocks lie beyond. The chain's last header, which the boot sector's first
        header links to, lies near the start."""
        first = (1 << 32) - 4096
        layout = {"disks": [disk(
            partition(pool("DATA", volume("VOL1", file("/across.bin", size=4 << 20), file("/b.txt", "beyond"))),
                      startSector=first, sizeSectors=16384),
            partition(startSector=2048, sizeSectors=2048))]}
        self.images, _ = self.mkimage(layout)
        self.assertGreater(os.path.getsize(self.images[0]), 2 << 40)
        pools = self.cli_json("disks", disks=self.images)[0]["pools"]
        self.assertEqual([(p["name"], p["start"]) for p in pools], [("DATA", first * 512)])
        found = self.cli_json("disk-scan", "--disk", "0", disks=self.images)  # over the image's holes
        self.assertEqual([(p["name"], p["start"]) for p in found], [("DATA", first * 512)])
        saved, lines = self.save_and_reload()
        self.assertEqual({line["path"]: line["size"] for line in lines}, {"/across.bin": 4 << 20, "/b.txt": 6})
        [(blocks, start)] = next(line for line in lines if line["path"] == "/across.bin")["extents"]
        pool_base = first * 512 + 0x5000
        self.assertGreater(pool_base + (start - 1 + blocks) * 4096, 1 << 41, "its data run past sector 2^32")
        pool_scan = ["--disk", "0", "--pool", "DATA", "--pool-scan"]
        self.assertEqual({line["path"]: line["size"] for line in self.listing(*pool_scan) if line["kind"] == "file"},
                         {"/VOL1/across.bin": 4 << 20, "/VOL1/b.txt": 6})
        with open(self.images[0], "rb") as source:
            recovered = {}
            for source_args, out in ((SOURCE, "out"), (["--scan-file", saved], "again"), (pool_scan, "scanned")):
                folder_out = self.recover(*source_args, out=out)
                if source_args is pool_scan:
                    folder_out = os.path.join(folder_out, "VOL1")
                with open(os.path.join(folder_out, "b.txt")) as text:
                    self.assertEqual(text.read(), "beyond")
                with open(os.path.join(folder_out, "across.bin"), "rb") as across:
                    recovered[out] = across.read()
                self.assertEqual(len(recovered[out]), 4 << 20)
            self.assertTrue(recovered["out"] == recovered["again"] == recovered["scanned"], "the same bytes each way")
            image = self.path("pool.img")
            self.cli("image", "--disk", "0", "--pool", "DATA", "--to", image, disks=self.images)
            source.seek(first * 512)
            with open(image, "rb") as copy:
                self.assertTrue(copy.read() == source.read(16384 * 512), "the pool, byte for byte")

    def test_a_file_over_4_gib_is_listed_with_its_size_and_recovered_whole(self):
        size = (5 << 30) + 123
        self.build(file("/huge.vhd", size=size, sparse=True), file("/small.txt", "small"))
        saved, lines = self.save_and_reload()
        self.assertEqual({line["path"]: line["size"] for line in lines}, {"/huge.vhd": size, "/small.txt": 5})
        for source, out in ((SOURCE, "out"), (["--scan-file", saved], "again")):
            huge = os.path.join(self.recover(*source, out=out), "huge.vhd")
            self.assertEqual(os.path.getsize(huge), size)
            with open(huge, "rb") as recovered:  # the sparse source's zeros, left as a hole
                with self.assertRaises(OSError, msg="no byte of data was written"):
                    os.lseek(recovered.fileno(), 0, os.SEEK_DATA)

    def test_odd_names_are_listed_recovered_and_saved(self):
        # name on disk: (name listed, name written); the written name is at most 255 bytes
        names = {
            "clef\U0001D11E.txt": ("clef\U0001D11E.txt", "clef\U0001D11E.txt"),  # a surrogate pair
            "tab\there.txt": ("tab\there.txt", "tab_here.txt"),       # control characters
            "bell\u0007\u001f.txt": ("bell\u0007\u001f.txt", "bell__.txt"),
            "n" * 255: ("n" * 255, "n" * 255),                      # 255 units, the longest name
            "\u00e9" * 255: ("\u00e9" * 255, "\u00e9" * 127),          # 255 units, 510 bytes in UTF-8
            "\U0001F600" * 127 + "x": ("\U0001F600" * 127 + "x", "\U0001F600" * 63),
        }
        lone = {  # unpaired surrogates, which no UTF-8 can carry: shown and written as U+FFFD
            "/high": ([0x68, 0xD800, 0x69], "h\ufffdi"),
            "/low": ([0xDC00, 0x6C, 0x6F], "\ufffdlo"),
        }
        self.build(*(file("/" + name, name[:20]) for name in names),
                   *(file(path, path, nameUnits=units) for path, (units, _) in lone.items()))
        for path, (_, shown) in lone.items():
            names[path] = (shown, shown)
        saved, lines = self.save_and_reload()
        self.assertEqual(sorted(line["path"] for line in lines), sorted("/" + listed for listed, _ in names.values()))
        for source, out in ((SOURCE, "out"), (["--scan-file", saved], "again")):
            written = set(os.listdir(self.recover(*source, out=out)))
            self.assertEqual(len(written), len(names), written)
            for name, (_, safe) in names.items():
                match = [entry for entry in written if entry.startswith(safe[:60])]
                self.assertEqual(len(match), 1, (name, written))
                self.assertLessEqual(len(match[0].encode()), 255)
                with open(os.path.join(self.path(out), match[0]), encoding="utf-8") as recovered:
                    self.assertEqual(recovered.read(), name[:20])

    def test_a_path_4000_bytes_deep(self):
        part = "d" * 199
        depth = 20
        path = "".join("/" + part for _ in range(depth)) + "/deep.txt"
        self.assertGreater(len(path.encode()), 4000)
        self.build(folder("/" + part), *(folder("".join("/" + part for _ in range(level)))
                                         for level in range(2, depth + 1)), file(path, "at the bottom"))
        saved, lines = self.save_and_reload()
        self.assertIn(path, [line["path"] for line in lines])
        for source, out in ((SOURCE, "out"), (["--scan-file", saved], "again")):
            with open(self.recover(*source, out=out) + path) as recovered:
                self.assertEqual(recovered.read(), "at the bottom")

    def test_a_folder_of_100000_files(self):
        files = 100000
        self.build(generate={"folders": 1, "files": files, "nameLength": 12, "fileSize": 10})
        saved, lines = self.save_and_reload()
        self.assertEqual(sum(1 for line in lines if line["kind"] == "file"), files)
        folders = {os.path.dirname(line["path"]) for line in lines if line["kind"] == "file"}
        self.assertEqual(len(folders), 1)
        for source, out in ((SOURCE, "out"), (["--scan-file", saved], "again")):
            recovered = self.recover(*source, out=out) + folders.copy().pop()
            self.assertEqual(len(os.listdir(recovered)), files)

if __name__ == "__main__":
    unittest.main()
