# SPDX-License-Identifier: Apache-2.0
"""Imaging and cloning through `kestrel-nss-cli image` and `clone`: images identical to their
source (image files, disks, loop devices, pools), the map file and the SHA-256, cloning between
files and loop devices, the refusals of unsafe destinations, and Ctrl-C."""

import contextlib
import hashlib
import os
import signal
import subprocess
import time
import unittest

from harness import CLI, ImageTestCase, disk, file, loop_device, partition, pool, sha256, volume

LAYOUT = {"disks": [disk(
    partition(pool("DATA", volume("VOL1", file("/a.txt", "alpha"), file("/DOCS/b.txt", "beta")))),
    partition(pool("ARCHIVE", volume("OLD", file("/c.txt", "gamma")))),
    partition(sizeSectors=2048))]}

# A large, sparse disk: copying it takes long enough for an interrupt to arrive in the middle.
BIG_LAYOUT = {"disks": [disk(partition(pool("P", volume("V"))), partition(sizeSectors=2048), sizeMiB=3072)]}


def root_device():
    """The block device "/" is mounted from, or None."""
    with open("/proc/self/mountinfo") as mounts:
        for line in mounts:
            fields = line.split()
            if fields[4] == "/":
                source = fields[fields.index("-") + 2]
                return source if source.startswith("/dev/") and os.path.exists(source) else None
    return None


def sha256_of_prefix(path, size):
    digest = hashlib.sha256()
    with open(path, "rb") as source:
        while size > 0:
            chunk = source.read(min(size, 1 << 20))
            digest.update(chunk)
            size -= len(chunk)
    return digest.hexdigest()


def volumes_of(listing):
    return {p["name"]: [v["name"] for v in p["volumes"]] for d in listing for p in d["pools"]}


class ImagingTestCase(ImageTestCase):
    def make_file(self, name, size, byte=b"\xee"):
        path = self.path(name)
        with open(path, "wb") as target:
            target.write(byte * size)
        return path

    def interrupted(self, args, started, disks=None):
        """Runs the CLI, interrupts it once the log shows the work started; returns the process and
        its standard error, or skips when the work ended before the interrupt."""
        env = dict(os.environ, KESTREL_NSS_LOG=self.log)
        if disks is not None:
            env["KESTREL_NSS_DISKS"] = ":".join(disks)
        # A shell that starts the tests in the background leaves SIGINT ignored; a terminal does not.
        child = subprocess.Popen([CLI, *args], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 text=True, preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        deadline = time.monotonic() + 60
        while started not in self.log_text() and time.monotonic() < deadline:
            time.sleep(0.005)
        child.send_signal(signal.SIGINT)
        output, errors = child.communicate(timeout=300)
        if child.returncode == 0:
            self.skipTest("SKIPPED: the work finished before the interrupt arrived")
        self.assertEqual(child.returncode, 1, errors)
        return output, errors


class ImageTest(ImagingTestCase):
    def test_images_of_an_image_file_and_of_a_disk_are_identical(self):
        images, _ = self.mkimage(LAYOUT)
        digest = sha256(images[0])
        for args, disks in ((["--image", images[0]], None), (["--disk", "0"], images)):
            with self.subTest(source=args):
                out = self.path("out.img")
                result = self.cli("image", *args, "--to", out, disks=disks)
                self.assertEqual(sha256(out), digest)
                self.assertIn(f"SHA-256: {digest}\n", result.stdout)
                self.assertIn(f"Bytes imaged: {os.path.getsize(images[0])}\n", result.stdout)
                self.assertIn("Unreadable sectors: 0\n", result.stdout)
                self.assertIn(f"Map file: {out}.map\n", result.stdout)
                with open(out + ".map") as map_file:
                    runs = [line.split() for line in map_file if not line.startswith("#")]
                size = os.path.getsize(images[0])
                self.assertEqual(runs, [[f"0x{size:08X}", "+", "1"], ["0x00000000", f"0x{size:08X}", "+"]],
                                 "every sector copied, as a ddrescue map says it")
                self.assertIn(f"\nStarted image creation of ", self.log_text())
                self.assertIn(f"unreadable sectors, SHA-256 {digest}", self.log_text())

    def test_image_of_a_loop_device_is_identical(self):
        images, _ = self.mkimage(LAYOUT)
        out, map_path = self.path("loop.img"), self.path("loop.map")
        with loop_device(images[0]) as device:
            if not device:
                self.skipTest("SKIPPED: no loop device on this machine")
            self.cli("image", "--disk", "0", "--to", out, "--map", map_path, disks=[device])
        self.assertEqual(sha256(out), sha256(images[0]))
        self.assertTrue(os.path.exists(map_path), "--map names the map file")

    def test_pool_image_begins_with_its_header_and_reads_like_the_pool_on_the_disk(self):
        images, manifest = self.mkimage(LAYOUT)
        made = manifest["disks"][0]["partitions"][1]
        out = self.path("archive.img")
        self.cli("image", "--image", images[0], "--pool", "ARCHIVE", "--to", out)
        self.assertEqual(os.path.getsize(out), made["sizeSectors"] * 512)
        with open(out, "rb") as image:
            self.assertEqual(image.read(13), b"\x01Nw_PaRtItIoN")
        with open(images[0], "rb") as source, open(out, "rb") as image:
            source.seek(made["headerSector"] * 512)
            self.assertTrue(source.read(made["sizeSectors"] * 512) == image.read(), "the partition, byte for byte")
        disk_listing = self.cli_json("disks", "--image", images[0])
        pool_listing = self.cli_json("disks", "--image", out)
        self.assertEqual(volumes_of(pool_listing), {"ARCHIVE": volumes_of(disk_listing)["ARCHIVE"]})
        on_disk = self.cli_json_lines("ls", "--image", images[0], "--pool", "ARCHIVE", "--volume", "OLD")
        in_image = self.cli_json_lines("ls", "--image", out, "--volume", "OLD")
        self.assertEqual(in_image, on_disk)
        self.assertEqual([e["path"] for e in in_image], ["/c.txt"])
        pool_scan_of_disk = self.cli_json_lines("ls", "--image", images[0], "--pool", "ARCHIVE", "--pool-scan")
        self.assertEqual(self.cli_json_lines("ls", "--image", out, "--pool-scan"), pool_scan_of_disk)
        self.assertIn("/OLD/c.txt", [e["path"] for e in pool_scan_of_disk])

    def test_unsafe_or_wrong_requests_are_refused(self):
        images, _ = self.mkimage(LAYOUT)
        cases = [
            (["--image", images[0], "--to", images[0]], 1, "is the source"),
            (["--image", images[0], "--to", self.path("x.img"), "--map", images[0]], 1, "is the source"),
            (["--image", images[0], "--to", self.dir], 1, "Is a directory"),
            (["--image", images[0], "--to", "/dev/null"], 1, "is not a plain file"),
            (["--image", images[0], "--to", self.path("x.img"), "--map", self.path("x.img")], 1, "cannot be the image"),
            (["--image", images[0], "--pool", "NOPE", "--to", self.path("x.img")], 1, "there are: DATA, ARCHIVE"),
            (["--image", self.path("absent.img"), "--to", self.path("x.img")], 1, "absent.img"),
            (["--to", self.path("x.img")], 2, "--disk N or --image FILE"),
            (["--image", images[0]], 2, "--to"),
        ]
        for args, status, message in cases:
            with self.subTest(args=args):
                result = self.cli("image", *args, expect_status=status)
                self.assertIn(message, result.stderr)
        self.assertFalse(os.path.exists(self.path("x.img")), "a refused image is not created")

    def test_ctrl_c_stops_imaging_and_keeps_what_was_written(self):
        images, _ = self.mkimage(BIG_LAYOUT)
        out = self.path("big.img")
        output, errors = self.interrupted(["image", "--image", images[0], "--to", out], "Started image creation")
        self.assertIn("stopped; the image holds the first", errors)
        self.assertIn("\nImage creation stopped\n", self.log_text())
        size = os.path.getsize(out)
        self.assertLess(size, os.path.getsize(images[0]))
        self.assertEqual(size % 512, 0, "whole sectors")
        digest = sha256(out)
        self.assertEqual(digest, sha256_of_prefix(images[0], size), "what was written is the source's start")
        self.assertIn(f"SHA-256: {digest}\n", output)
        with open(out + ".map") as map_file:
            self.assertIn(f"0x{size:08X}  0x{os.path.getsize(images[0]) - size:08X}  ?\n", map_file.read())


class CloneTest(ImagingTestCase):
    def test_clone_onto_a_file_and_between_two_loop_devices(self):
        images, _ = self.mkimage(LAYOUT)
        size = os.path.getsize(images[0])
        for kind in ("file", "loop device"):
            with self.subTest(destination=kind):
                target = self.make_file(f"target-{kind[0]}.img", size + (1 << 20))
                with contextlib.ExitStack() as stack:
                    disks = [images[0], target]
                    if kind == "loop device":
                        disks = [stack.enter_context(loop_device(path)) for path in disks]
                        if not all(disks):
                            self.skipTest("SKIPPED: no loop devices on this machine")
                    result = self.cli("clone", "--from", "0", "--to", "1", "--yes", disks=disks)
                self.assertIn("Unreadable sectors written as zeros: 0\n", result.stdout)
                self.assertEqual(sha256_of_prefix(target, size), sha256(images[0]))
                with open(target, "rb") as written:
                    written.seek(size)
                    self.assertEqual(written.read(), b"\xee" * (1 << 20), "past the source's end nothing changes")
                self.assertIn("\nStarted disk cloning\n", self.log_text())

    def test_refusals(self):
        images, _ = self.mkimage(LAYOUT)
        size = os.path.getsize(images[0])
        target = self.make_file("target.img", size)
        small = self.make_file("small.img", size - 512)
        cases = [
            (["--from", "0", "--to", "0", "--yes"], [images[0], target], "the same disk"),
            (["--from", "0", "--to", "1", "--yes"], [images[0], images[0]], "are the same device"),
            (["--from", "0", "--to", "1", "--yes"], [images[0], small], "is smaller than Disk0"),
            (["--from", "0", "--to", "2", "--yes"], [images[0], target], "there is no Disk2"),
            (["--from", "0", "--to", "1"], [images[0], target], "Add --yes to overwrite Disk1 with Disk0."),
        ]
        for args, disks, message in cases:
            with self.subTest(args=args, disks=disks):
                result = self.cli("clone", *args, disks=disks, expect_status=1)
                self.assertIn(message, result.stderr)
        self.assertEqual(self.cli("clone", "--from", "0", "--yes", disks=[images[0]], expect_status=2).returncode, 2)
        self.assertNotIn("Started disk cloning", self.log_text())
        with open(target, "rb") as untouched:
            self.assertEqual(untouched.read(), b"\xee" * size)

    def test_refuses_a_mounted_destination(self):
        images, _ = self.mkimage(LAYOUT)
        with self.mounted_file_system(os.path.getsize(images[0])) as (_, device, mount_point):
            result = self.cli("clone", "--from", "0", "--to", "1", "--yes", disks=[images[0], device],
                              expect_status=1)
        self.assertIn(f"holds a mounted file system ({device} on {mount_point})", result.stderr)

    def test_refuses_the_disk_of_the_running_system(self):
        images, _ = self.mkimage(LAYOUT)
        device = root_device()
        if device is None:
            self.skipTest("SKIPPED: the running system is not on a block device here")
        try:
            os.close(os.open(device, os.O_RDONLY))
        except OSError:
            self.skipTest(f"SKIPPED: {device}, the disk of the running system, cannot be read here")
        # Without --yes: even a refusal that failed could write nothing.
        result = self.cli("clone", "--from", "0", "--to", "1", disks=[images[0], device], expect_status=1)
        self.assertIn("it holds the running system (/ is mounted from", result.stderr)

    def test_ctrl_c_stops_cloning(self):
        images, _ = self.mkimage(BIG_LAYOUT)
        target = self.path("target.img")
        with open(target, "wb") as sparse:
            sparse.truncate(os.path.getsize(images[0]))
        output, errors = self.interrupted(["clone", "--from", "0", "--to", "1", "--yes"], "Started disk cloning",
                                          disks=[images[0], target])
        self.assertIn("stopped; Disk1 holds the first", errors)
        self.assertIn("\nDisk cloning stopped.\n", self.log_text())
        self.assertNotIn(" 6291456 of 6291456 sectors", output)


if __name__ == "__main__":
    unittest.main()
