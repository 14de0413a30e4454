# SPDX-License-Identifier: Apache-2.0
"""Images in the containers a failed server's disk arrives in: the demo disk converted by
qemu-img (VMDK, VHD, VHDX, QCOW2, a compressed QCOW2 and an overlay on a backing file), acquired
by ewfacquire (E01 in several segments) and cut by split. Each lists, scans and recovers as the
raw image does; damaged containers give a clear error or counted unreadable sectors, and hostile
QCOW2 tables cost no more than the file holds. Our own E01 images pass ewfverify, hold the case
fields and record the sectors that could not be read."""

import hashlib
import os
import shutil
import signal
import struct
import subprocess
import time
import unittest

from failing_image import failing_disk, unavailable
from harness import CLI, ImageTestCase, disk, file, folder, partition, pool, volume
from test_ftp import tree_differences

ENTRIES = [folder("/DOCS"), file("/DOCS/a.txt", "in a container"), file("/DOCS/multi.bin", size=70000, extents=3),
           file("/big.bin", size=2 * 1024 * 1024), file("/gone.txt", "deleted", deleted=True)]
LAYOUT = {"disks": [disk(partition(pool("DATA", volume("VOL1", *ENTRIES)), startSector=2048, sizeSectors=16384),
                         partition(sizeSectors=2048))]}
VOLUME = ["--pool", "DATA", "--volume", "VOL1"]


def run(*command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"{command[0]}: {result.stderr.strip() or result.stdout.strip()}")


def digest_of(path, length=None, kind="sha256"):
    digest = hashlib.new(kind)
    with open(path, "rb") as data:
        digest.update(data.read(length) if length is not None else data.read())
    return digest.hexdigest()


def vhd_footer(size):
    """A fixed VHD's footer for a disk of `size` bytes, with its checksum."""
    footer = bytearray(512)
    footer[0:8] = b"conectix"
    footer[8:12] = (2).to_bytes(4, "big")
    footer[12:16] = (0x00010000).to_bytes(4, "big")
    footer[16:24] = b"\xff" * 8
    footer[40:48] = footer[48:56] = size.to_bytes(8, "big")
    footer[60:64] = (2).to_bytes(4, "big")  # fixed
    footer[64:68] = (~sum(footer) & 0xFFFFFFFF).to_bytes(4, "big")
    return bytes(footer)


def tool_output(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout


class ContainerTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        for tool in ("qemu-img", "ewfacquire"):
            if not shutil.which(tool):
                self.skipTest(f"SKIPPED: {tool} is not installed (qemu-utils, ewf-tools)")
        images, _ = self.mkimage(LAYOUT, expect=True)
        self.raw = images[0]
        self.containers_made = {}
        self.expected = self.path("disk.expect/DATA/VOL1")

    def tearDown(self):
        for path, digest in self.containers_made.items():
            if os.path.exists(path):
                self.assertEqual(digest_of(path), digest, f"the container {path} was written")
        super().tearDown()

    def convert(self, name, *options):
        """The raw image converted by qemu-img. Its bytes are checked at the end by a full hash:
        the holes of a file qemu-img has just written may still move."""
        path = self.path(name)
        run("qemu-img", "convert", *options, self.raw, path)
        self.containers_made[path] = digest_of(path)
        return path

    def e01(self):
        """The raw image acquired uncompressed in segments of 1 MiB: E01, E02, ..."""
        run("ewfacquire", "-u", "-q", "-t", self.path("evidence"), "-c", "none", "-S", "1MiB", "-C", "CASE-7",
            "-E", "EV-1", "-e", "An Examiner", "-D", "the server's disk", self.raw)
        return self.path("evidence.E01")

    def containers(self):
        pieces = self.path("piece.")
        run("split", "-b", "3M", "-d", "-a", "3", "--numeric-suffixes=1", self.raw, pieces)
        overlay = self.path("overlay.qcow2")
        base = self.convert("base.qcow2", "-O", "qcow2")
        run("qemu-img", "create", "-f", "qcow2", "-b", base, "-F", "qcow2", overlay)
        return {"vmdk": ("vmdk", self.convert("disk.vmdk", "-O", "vmdk")),
                "fixed vhd": ("vhd", self.convert("fixed.vhd", "-O", "vpc", "-o", "subformat=fixed")),
                "dynamic vhd": ("vhd", self.convert("dynamic.vhd", "-O", "vpc")),
                "vhdx": ("vhdx", self.convert("disk.vhdx", "-O", "vhdx")),
                "qcow2": ("qcow2", self.convert("disk.qcow2", "-O", "qcow2")),
                "compressed qcow2": ("qcow2", self.convert("compressed.qcow2", "-c", "-O", "qcow2")),
                "qcow2 overlay": ("qcow2", overlay), "e01": ("ewf", self.e01()), "split": ("split", pieces + "001")}

    def test_every_container_lists_scans_and_recovers_as_the_raw_image(self):
        raw_listing = self.cli_json("disks", "--image", self.raw)
        raw_files = self.cli("ls", "--image", self.raw, *VOLUME, "--json").stdout
        raw_pool_scan = self.cli("ls", "--image", self.raw, "--pool", "DATA", "--pool-scan", "--json").stdout
        for kind, (key, path) in self.containers().items():
            with self.subTest(kind):
                listing = self.cli_json("disks", "--image", path)
                self.assertEqual(listing[0]["container"], key)
                self.assertEqual(listing[0]["pools"], raw_listing[0]["pools"])
                self.assertEqual(self.cli("ls", "--image", path, *VOLUME, "--json").stdout, raw_files)
                self.assertEqual(self.cli("ls", "--image", path, "--pool", "DATA", "--pool-scan", "--json").stdout,
                                 raw_pool_scan)
                out = self.path("out-" + kind.replace(" ", "-"))
                self.cli("recover", "--image", path, *VOLUME, "--to", out)
                self.assertEqual(tree_differences(out, self.expected), [])
                image = self.path("back.img")
                self.cli("image", "--image", path, "--to", image)
                self.assertEqual(digest_of(image, os.path.getsize(self.raw)), digest_of(self.raw))
                os.remove(image)

    def test_a_container_among_the_disks(self):
        vmdk = self.convert("disk.vmdk", "-O", "vmdk")
        listing = self.cli_json("disks", disks=[self.raw, vmdk])
        self.assertEqual([entry["container"] for entry in listing], ["raw", "vmdk"])
        self.assertEqual(listing[1]["pools"], listing[0]["pools"])
        self.assertEqual(self.cli("cat", "--disk", "1", *VOLUME, "--path", "/DOCS/a.txt", disks=[self.raw, vmdk]).stdout,
                         "in a container")

    def test_missing_pieces_and_parents_are_named(self):
        e01 = self.e01()
        os.rename(self.path("evidence.E03"), self.path("away.E03"))
        result = self.cli("ls", "--image", e01, *VOLUME, expect_status=1)
        self.assertIn("EWF evidence file (E01) cannot be read", result.stderr)
        base = self.convert("base.qcow2", "-O", "qcow2")
        overlay = self.path("overlay.qcow2")
        run("qemu-img", "create", "-f", "qcow2", "-b", base, "-F", "qcow2", overlay)
        os.rename(base, self.path("moved.qcow2"))
        result = self.cli("ls", "--image", overlay, *VOLUME, expect_status=1)
        self.assertIn("a differencing image whose parent cannot be opened (no such file: " + base, result.stderr)
        run("split", "-b", "3M", "-d", "-a", "3", "--numeric-suffixes=1", self.raw, self.path("piece."))
        os.remove(self.path("piece.002"))
        result = self.cli("ls", "--image", self.path("piece.001"), *VOLUME, expect_status=1)
        self.assertIn("piece.002: this piece of the split image is missing, and ", result.stderr)

    def test_damaged_containers_fail_clearly_or_count_what_they_cannot_read(self):
        truncated = self.convert("truncated.vhdx", "-O", "vhdx")
        with open(truncated, "r+b") as cut:
            cut.truncate(64 * 1024)
        self.containers_made.pop(truncated)
        result = self.cli("ls", "--image", truncated, *VOLUME, expect_status=1)
        self.assertIn("cannot be read", result.stderr)
        run("ewfacquire", "-u", "-q", "-t", self.path("packed"), "-c", "best", self.raw)
        e01 = self.path("packed.E01")
        size = os.path.getsize(e01)
        with open(e01, "r+b") as flipped:  # bytes in the middle of big.bin's chunks, which do not compress
            flipped.seek(size // 2)
            chunk = flipped.read(64)
            flipped.seek(size // 2)
            flipped.write(bytes(b ^ 0xFF for b in chunk))
        result = self.cli("recover", "--image", e01, *VOLUME, "--to", self.path("out"), expect_status=1)
        self.assertRegex(result.stdout, r"/big\.bin: \d+ unreadable blocks written as zeros")
        self.assertNotIn("Recovered Successfully", result.stdout)
        scan = self.cli("ls", "--image", e01, "--pool", "DATA", "--pool-scan", expect_status=1)
        self.assertIn("the scan is incomplete", scan.stderr)

    def test_inputs_that_overrun_the_libraries_are_refused_before_them(self):
        """Found by fuzzing: libqcow reads past its buffer for a cluster a truncated file ends
        inside, libvmdk for an extent name with a folder in it, and libvhdi gives a media size no
        disk has."""
        qcow = self.convert("cut.qcow2", "-O", "qcow2")
        with open(qcow, "r+b") as cut:
            cut.truncate(os.path.getsize(qcow) - 1000)
        self.containers_made.pop(qcow)
        result = self.cli("ls", "--image", qcow, *VOLUME, expect_status=1)
        self.assertRegex(result.stderr, r"the cluster at offset \d+ lies past the end of the file")
        vmdk = self.convert("disk.vmdk", "-O", "vmdk")
        with open(vmdk, "r+b") as descriptor:
            data = descriptor.read()
            descriptor.seek(data.index(b'"disk.vmdk"'))
            descriptor.write(b'"disk/vmdk"')
        self.containers_made.pop(vmdk)
        result = self.cli("ls", "--image", vmdk, *VOLUME, expect_status=1)
        self.assertIn("the descriptor names an extent in another folder (disk/vmdk)", result.stderr)
        vhd = self.path("huge.vhd")
        with open(vhd, "wb") as fixed:
            fixed.write(bytes(512) + vhd_footer(1 << 63))
        result = self.cli("ls", "--image", vhd, *VOLUME, expect_status=1)
        self.assertIn(f"a media size of {1 << 63} bytes, more than any disk holds", result.stderr)


QCOW_CLUSTER_BITS = 16
QCOW_CLUSTER = 1 << QCOW_CLUSTER_BITS
QCOW_COPIED = 1 << 63  # an entry's flag: the cluster is used once


def write_qcow2(path, size, l1, l2_tables=(), data=b"", length=None):
    """A QCOW2 version 2 file with clusters of 64 KiB, as a damaged or hostile one may be written:
    the header, the L1 entries from the second cluster on, then each (offset, entries) L2 table and
    the data at their offsets; `length` makes the file that long, sparse after what is written."""
    header = bytearray(QCOW_CLUSTER)
    struct.pack_into(">4sIQIIQIIQ", header, 0, b"QFI\xfb", 2, 0, 0, QCOW_CLUSTER_BITS, size, 0, len(l1),
                     QCOW_CLUSTER)
    with open(path, "wb") as qcow:
        qcow.write(header)
        qcow.write(b"".join(struct.pack(">Q", entry) for entry in l1))
        for offset, entries in l2_tables:
            qcow.seek(offset)
            qcow.write(b"".join(struct.pack(">Q", entry) for entry in entries))
        for offset, chunk in data:
            qcow.seek(offset)
            qcow.write(chunk)
        if length is not None:
            qcow.truncate(length)


def after_l1(entries, cluster=0):
    """The offset of the cluster `cluster` after an L1 table of `entries` entries at 64 KiB."""
    return QCOW_CLUSTER * (1 + (8 * entries + QCOW_CLUSTER - 1) // QCOW_CLUSTER + cluster)


class HostileQcowTest(ImageTestCase):
    """QCOW2 files written by hand: the check of their tables before libqcow reads each table once,
    refuses an L1 table larger than any image holds without reading it, and ends on Ctrl-C."""

    ENTRIES = 4_000_000

    def test_an_l2_table_named_by_every_l1_entry_is_read_once(self):
        images, _ = self.mkimage(LAYOUT)
        with open(images[0], "rb") as raw:
            disk_bytes = raw.read()
        path = self.path("shared.qcow2")
        l2, first_data = after_l1(self.ENTRIES), after_l1(self.ENTRIES, 1)
        clusters = (len(disk_bytes) + QCOW_CLUSTER - 1) // QCOW_CLUSTER
        mapping = [(first_data + i * QCOW_CLUSTER) | QCOW_COPIED for i in range(clusters)]
        write_qcow2(path, len(disk_bytes), [l2 | QCOW_COPIED] * self.ENTRIES, [(l2, mapping)],
                    [(first_data, disk_bytes)], first_data + clusters * QCOW_CLUSTER)
        self.watch(path)
        listed = self.cli("ls", "--image", path, *VOLUME, "--json", timeout=120)
        self.assertEqual(listed.stdout, self.cli("ls", "--image", images[0], *VOLUME, "--json").stdout)

    def test_a_sparse_file_claiming_a_huge_l1_table_is_refused_unread(self):
        path = self.path("sparse.qcow2")
        entries = 1 << 28
        write_qcow2(path, 1 << 40, [], length=QCOW_CLUSTER + 8 * entries)
        with open(path, "r+b") as qcow:  # the header claims the table the sparse file "holds"
            qcow.seek(36)
            qcow.write(struct.pack(">I", entries))
        self.watch(path)
        # Under ASan an allocation past 1 GiB fails loudly instead of filling the machine's memory.
        asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "max_allocation_size_mb=1024"]))
        result = self.cli("ls", "--image", path, *VOLUME, expect_status=1, timeout=120,
                          env=dict(os.environ, ASAN_OPTIONS=asan))
        self.assertIn(f"the L1 table holds {entries} entries, more than a QCOW2 image holds", result.stderr)

    def test_ctrl_c_ends_the_check_of_many_tables(self):
        """Every L1 entry names an L2 table of its own in a sparse file of 256 GiB: reading them
        all takes minutes, and Ctrl-C ends the opening with a clear error."""
        path = self.path("many.qcow2")
        write_qcow2(path, self.ENTRIES << 29, [after_l1(self.ENTRIES, i) for i in range(self.ENTRIES)],
                    length=after_l1(self.ENTRIES, self.ENTRIES))
        self.watch(path)
        listing = subprocess.Popen([CLI, "ls", "--image", path, *VOLUME], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, env=dict(os.environ, KESTREL_NSS_LOG=self.log))
        try:
            time.sleep(3)
            listing.send_signal(signal.SIGINT)
            _, errors = listing.communicate(timeout=60)
        finally:
            listing.kill()
            listing.wait()
        self.assertEqual(listing.returncode, 1, errors)
        self.assertIn("stopped while its tables were checked", errors)


class EwfWritingTest(ImageTestCase):
    CASE = ["--case-number", "CASE-9", "--evidence-number", "EV-2", "--examiner", "Zoë Ångström",
            "--description", "the pool server's disk", "--notes", "seized 2026-12-01"]

    def setUp(self):
        super().setUp()
        for tool in ("ewfverify", "ewfinfo"):
            if not shutil.which(tool):
                self.skipTest(f"SKIPPED: {tool} is not installed (ewf-tools)")
        self.raw = self.mkimage(LAYOUT)[0][0]

    def test_our_evidence_file_verifies_and_reads_back_as_the_raw_image(self):
        result = self.cli("image", "--image", self.raw, "--to", self.path("case"), "--format", "e01",
                          "--compression", "best", "--segment-size", "1m", *self.CASE)
        e01 = self.path("case.E01")
        self.assertIn(f"Image: {e01}", result.stdout)
        self.assertIn(f"MD5: {digest_of(self.raw, kind='md5')}", result.stdout)
        self.assertIn(f"SHA-1: {digest_of(self.raw, kind='sha1')}", result.stdout)
        self.assertTrue(os.path.exists(self.path("case.E02")), "1 MiB segments make a set of several")
        self.assertIn("ewfverify: SUCCESS", tool_output("ewfverify", "-q", "-d", "sha1", e01))
        info = tool_output("ewfinfo", e01)
        for field in ("CASE-9", "EV-2", "Zoë Ångström", "the pool server's disk", "seized 2026-12-01",
                      "best compression", "Is physical:\t\tyes"):
            self.assertIn(field, info)
        self.assertEqual(self.cli("ls", "--image", e01, *VOLUME, "--json").stdout,
                         self.cli("ls", "--image", self.raw, *VOLUME, "--json").stdout)
        self.cli("image", "--image", e01, "--to", self.path("back.img"))
        self.assertEqual(digest_of(self.path("back.img")), digest_of(self.raw))

    def test_unreadable_sectors_are_acquisition_errors_and_in_the_map(self):
        if unavailable():
            self.skipTest(f"SKIPPED: {unavailable()}")
        with failing_disk(self.raw, self.path("served"), ["3000-3007", "9000"]) as served:
            result = self.cli("image", "--image", served, "--to", self.path("failing.e01"), "--format", "e01",
                              expect_status=1)
        e01 = self.path("failing.E01")
        self.assertIn("9 sectors could not be read", result.stderr)
        info = tool_output("ewfinfo", e01)
        self.assertRegex(info, r"at sector\(s\): 3000 - 3007 number: 8")
        self.assertRegex(info, r"at sector\(s\): 9000 - 9000 number: 1")
        self.assertIn("ewfverify: SUCCESS", tool_output("ewfverify", "-q", e01))
        with open(e01 + ".map") as map_file:
            self.assertIn(f"0x{3000 * 512:08X}  0x{8 * 512:08X}  -", map_file.read())

    def test_bad_settings_are_refused_before_anything_is_written(self):
        for options in (["--compression", "most"], ["--segment-size", "12q"], ["--segment-size", "100k"]):
            with self.subTest(options):
                result = self.cli("image", "--image", self.raw, "--to", self.path("x"), "--format", "e01",
                                  *options, expect_status=2)
                self.assertIn(options[0], result.stderr)
                self.assertFalse(os.path.exists(self.path("x.E01")))
        self.cli("image", "--image", self.raw, "--to", self.path("r.img"), "--rescue", "--format", "e01",
                 expect_status=2)

    def test_a_segment_left_by_an_earlier_set_is_kept_and_refused(self):
        with open(self.path("old.E02"), "wb") as segment:
            segment.write(b"an earlier set")
        result = self.cli("image", "--image", self.raw, "--to", self.path("old"), "--format", "e01",
                          expect_status=1)
        self.assertIn("old.E02: a segment of an earlier evidence file set is there", result.stderr)
        with open(self.path("old.E02"), "rb") as segment:
            self.assertEqual(segment.read(), b"an earlier set")


if __name__ == "__main__":
    unittest.main()
