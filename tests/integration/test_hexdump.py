# SPDX-License-Identifier: Apache-2.0
"""`kestrel-nss-cli hexdump`: the hex viewer's pages and ranges of files on the demo disk, read
back into bytes and compared with the bytes mkimage wrote; unreadable bytes shown as "??"."""

import os
import shutil
import subprocess

from harness import MKIMAGE, ImageTestCase, disk, file, partition, pool, volume

HEADER = "Offset       0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F  ANSI TEXT"
HEX_COLUMNS = slice(12, 60)  # after the 10 offset digits and 2 spaces, 16 cells of 3 and 1 more


def parse(output):
    """The lines of a dump as (offset, cells, characters); the header is checked and dropped."""
    lines = output.splitlines()
    assert lines[0] == HEADER, lines[0]
    return [(int(line[:10], 16), line[HEX_COLUMNS].split(), line[62:]) for line in lines[1:]]


def dumped_bytes(output):
    return b"".join(bytes.fromhex("".join(cells)) for _, cells, _ in parse(output))


class DemoHexdumpTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        self.images = [self.path("demo0.img"), self.path("demo1.img")]
        self.expected = self.path("demo.expect/DATA/VOL1")
        subprocess.run([MKIMAGE, "--layout", "demo", "--out", self.images[0], "--out", self.images[1],
                        "--expect", self.path("demo.expect")], check=True, capture_output=True)
        self.source = ["--disk", "0", "--pool", "DATA", "--volume", "VOL1"]

    def expected_bytes(self, path):
        with open(os.path.join(self.expected, path.lstrip("/")), "rb") as made:
            return made.read()

    def hexdump(self, path, *args, expect_status=0):
        return self.cli("hexdump", *self.source, "--path", path, *args, disks=self.images,
                        expect_status=expect_status)

    def test_whole_files_read_back_as_mkimage_wrote_them(self):
        for path in ["/DOCS/readme.txt", "/DOCS/REPORTS/q2-2004.doc", "/IMAGES/logo.bmp"]:
            with self.subTest(path=path):
                made = self.expected_bytes(path)
                output = self.hexdump(path, "--offset", "0").stdout
                self.assertEqual(dumped_bytes(output), made)
                offsets = [offset for offset, _, _ in parse(output)]
                self.assertEqual(offsets, list(range(0, len(made), 16)))

    def test_a_page_is_its_256_bytes_with_their_characters(self):
        made = self.expected_bytes("/DOCS/REPORTS/q2-2004.doc")  # three extents
        for page in [0, 16, 117]:  # 117 is the last, partial page of 30000 bytes
            with self.subTest(page=page):
                lines = parse(self.hexdump("/DOCS/REPORTS/q2-2004.doc", "--page", str(page)).stdout)
                self.assertEqual(lines[0][0], page * 256)
                self.assertEqual(b"".join(bytes.fromhex("".join(cells)) for _, cells, _ in lines),
                                 made[page * 256:page * 256 + 256])
        _, _, characters = parse(self.hexdump("/DOCS/readme.txt").stdout)[0]
        self.assertEqual(characters, "Shared documents")
        result = self.hexdump("/DOCS/REPORTS/q2-2004.doc", "--page", "118", expect_status=1)
        self.assertIn("page 118 is past the end: the file has 118 pages", result.stderr)

    def test_a_range_is_cut_to_the_file(self):
        made = self.expected_bytes("/DOCS/readme.txt")
        output = self.hexdump("/DOCS/readme.txt", "--offset", "5", "--length", "20").stdout
        self.assertEqual([offset for offset, _, _ in parse(output)], [5, 21])
        self.assertEqual(dumped_bytes(output), made[5:25])
        self.assertEqual(dumped_bytes(self.hexdump("/DOCS/readme.txt", "--offset", "90", "--length", "99").stdout),
                         made[90:])
        result = self.hexdump("/DOCS/readme.txt", "--offset", str(len(made) + 1), expect_status=1)
        self.assertIn("past the end of the file", result.stderr)
        self.hexdump("/DOCS/readme.txt", "--page", "0", "--offset", "3", expect_status=2)


class UnreadableHexdumpTest(ImageTestCase):
    def test_bytes_past_the_end_of_a_cut_image_show_as_unreadable(self):
        layout = {"disks": [disk(partition(pool("P", volume("V", file("/big.bin", size=3 * 4096)))),
                                 partition(sizeSectors=2048))]}
        images, manifest = self.mkimage(layout)
        made_pool = manifest["disks"][0]["partitions"][0]["pool"]
        start = made_pool["volumes"][0]["entries"][0]["extents"][0][1]
        data = made_pool["poolBase"] + (start - 1) * 4096
        cut = self.path("cut.img")
        shutil.copyfile(images[0], cut)
        os.truncate(cut, data + 4096 + 100)  # the file's second block is cut short
        result = self.cli("hexdump", "--image", cut, "--path", "/big.bin", "--offset", "4090",
                          "--length", "200", expect_status=1)
        lines = parse(result.stdout)
        self.assertNotIn("??", lines[0][1][:6])
        self.assertEqual(lines[0][1][6:], ["??"] * 10)
        self.assertEqual(lines[-1][2], "?" * 8)
        self.assertIn("194 bytes could not be read; they are shown as ??", result.stderr)
