# SPDX-License-Identifier: Apache-2.0
"""Recovery through `kestrel-nss-cli recover` and `cat`: byte-exact files, selections, filters,
clashes, hostile names and a destination that runs out of room."""

import contextlib
import filecmp
import json
import os
import resource
import signal
import subprocess
import time
import unittest

from failing_image import failing_disk, unavailable
from harness import CLI, ImageTestCase, disk, file, folder, partition, pool, volume

ENTRIES = [
    folder("/DOCS"),
    file("/DOCS/one-extent.doc", size=20000),
    file("/DOCS/three-extents.xls", size=3 * 4096 + 1234, extents=3),
    file("/DOCS/ten.txt", "0123456789"),
    file("/DOCS/block.bin", size=4096),
    file("/DOCS/OLD/memo.txt", "old memo"),
    file("/PICS/logo.bmp", generator="bmp", width=16, height=8),
    file("/top.txt", "top"),
]


class RecoverTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", *ENTRIES))), partition(sizeSectors=2048))]}
        self.images, _ = self.mkimage(layout, expect=True)
        self.expected = self.path("disk.expect/DATA/VOL1")
        self.source = ["--disk", "0", "--pool", "DATA", "--volume", "VOL1"]

    def recover(self, *args, expect_status=0, preexec_fn=None):
        if preexec_fn is None:
            return self.cli("recover", *self.source, *args, disks=self.images, expect_status=expect_status)
        env = dict(os.environ, KESTREL_NSS_LOG=self.log, KESTREL_NSS_DISKS=":".join(self.images))
        return subprocess.run([CLI, "recover", *self.source, *args], env=env, capture_output=True, text=True,
                              preexec_fn=preexec_fn)

    def assertSameTree(self, left, right):
        comparison = filecmp.dircmp(left, right)
        self.assertEqual((comparison.left_only, comparison.right_only, comparison.diff_files), ([], [], []))
        for sub in comparison.common_dirs:
            self.assertSameTree(os.path.join(left, sub), os.path.join(right, sub))

    def test_everything_comes_back_byte_for_byte(self):
        result = self.recover("--to", self.path("out"))
        self.assertIn("Recovered Successfully", result.stdout)
        self.assertSameTree(self.path("out"), self.expected)
        with open(self.path("out/DOCS/ten.txt"), "rb") as ten:
            self.assertEqual(ten.read(), b"0123456789", "cut to the file's size, not to whole blocks")

    def test_paths_select_subtrees_and_files(self):
        self.recover("--to", self.path("out"), "--path", "/DOCS/OLD", "--path", "/top.txt")
        self.assertTrue(os.path.isfile(self.path("out/DOCS/OLD/memo.txt")))
        self.assertTrue(os.path.isfile(self.path("out/top.txt")))
        self.assertFalse(os.path.exists(self.path("out/DOCS/ten.txt")))
        self.assertFalse(os.path.exists(self.path("out/PICS")))
        result = self.recover("--to", self.path("out"), "--path", "/NOPE", expect_status=1)
        self.assertIn("nothing is at /NOPE", result.stderr)

    def test_filters(self):
        self.recover("--to", self.path("inc"), "--include", "*.TXT")
        found = sorted(os.path.relpath(os.path.join(d, f), self.path("inc")) for d, _, fs in os.walk(self.path("inc")) for f in fs)
        self.assertEqual(found, ["DOCS/OLD/memo.txt", "DOCS/ten.txt", "top.txt"])
        self.assertTrue(os.path.isdir(self.path("inc/PICS")), "folders are made whatever the filter says")
        self.recover("--to", self.path("exc"), "--exclude", "*.txt", "--exclude", "*.bmp")
        self.assertFalse(os.path.exists(self.path("exc/top.txt")))
        self.assertTrue(os.path.isfile(self.path("exc/DOCS/block.bin")))
        self.cli("recover", *self.source, "--to", "x", "--include", "*.a", "--exclude", "*.b", disks=self.images,
                 expect_status=2)

    def test_clashes(self):
        os.makedirs(self.path("out"))
        for name in ("top.txt", "Copy(1)_top.txt"):
            with open(self.path("out/" + name), "w") as old:
                old.write("already here")
        self.recover("--to", self.path("out"), "--path", "/top.txt")
        with open(self.path("out/Copy(2)_top.txt")) as renamed:
            self.assertEqual(renamed.read(), "top")
        result = self.recover("--to", self.path("out"), "--path", "/top.txt", "--on-conflict", "skip")
        self.assertIn("Skipped, already at the destination: 1", result.stdout)
        self.recover("--to", self.path("out"), "--path", "/top.txt", "--on-conflict", "overwrite")
        with open(self.path("out/top.txt")) as overwritten:
            self.assertEqual(overwritten.read(), "top")

    def test_a_file_size_limit_fails_files_but_not_the_run(self):
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))
        result = self.recover("--to", self.path("out"), preexec_fn=limit)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("DOCS/one-extent.doc: could not be written: File too large", result.stdout)
        self.assertIn("some files were not recovered whole", result.stderr)
        self.assertTrue(filecmp.cmp(self.path("out/DOCS/ten.txt"), os.path.join(self.expected, "DOCS/ten.txt"), False))

    def test_a_destination_without_room_is_refused(self):
        mount = self.path("small")
        os.makedirs(mount)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=16k", "tmpfs", mount], capture_output=True).returncode:
            self.skipTest("SKIPPED: a small file system cannot be mounted here (needs root)")
        try:
            result = self.recover("--to", mount, expect_status=1)
            self.assertIn("Insufficient drive space at destination location.", result.stderr)
            self.assertEqual(os.listdir(mount), [])
        finally:
            subprocess.run(["umount", mount])

    def test_a_folder_on_the_source_disk_is_refused(self):
        # The disk read is a loop device whose file system is mounted: writing into it would
        # overwrite what is being recovered, whether the disk is named by number or by its file.
        with self.mounted_file_system(1 << 20) as (file_system, device, mount_point):
            target = os.path.join(mount_point, "out")
            by_disk = self.cli("recover", "--disk", "0", "--to", target, disks=[device], expect_status=1)
            by_image = self.cli("recover", "--image", file_system, "--to", target, expect_status=1)
            written = os.listdir(mount_point)
        for result in (by_disk, by_image):
            self.assertIn(f"{target}: lies on the source disk", result.stderr)
        self.assertEqual(written, ["lost+found"], "nothing is written there")

    def test_cat_writes_one_file(self):
        output = subprocess.run([CLI, "cat", *self.source, "--path", "/DOCS/three-extents.xls"], capture_output=True,
                                env=dict(os.environ, KESTREL_NSS_LOG=self.log, KESTREL_NSS_DISKS=":".join(self.images)))
        self.assertEqual(output.returncode, 0, output.stderr)
        with open(os.path.join(self.expected, "DOCS/three-extents.xls"), "rb") as expected:
            self.assertEqual(output.stdout, expected.read())


class CutShortTest(ImageTestCase):
    """A recovery killed at any moment leaves no file shorter than it should be under its own name,
    and the next run into the folder removes what the killed one left."""

    def test_a_killed_recovery_leaves_no_short_file_under_its_name(self):
        reason = unavailable()
        if reason:
            self.skipTest("SKIPPED: " + reason)
        size = 16 << 20
        entries = [file(f"/BIG/f{i}.bin", size=size) for i in range(6)]
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", *entries)), sizeSectors=240000),
                                 partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout, expect=True)
        expected = self.path("disk.expect/DATA/VOL1/BIG")
        out = self.path("out")
        source = ["--pool", "DATA", "--volume", "VOL1", "--to", out]
        # Every read of the served disk waits a little, so that the kill comes while files are written.
        with failing_disk(images[0], self.path("served"), slow=["0-99999999"], delay=0.01) as served:
            run = subprocess.Popen([CLI, "recover", "--image", served, *source], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE, text=True, env=dict(os.environ, KESTREL_NSS_LOG=self.log))
            while run.poll() is None and bytes_in(out) < 40 << 20:
                time.sleep(0.005)
            run.kill()
            _, error = run.communicate()
        self.assertEqual(run.returncode, -signal.SIGKILL, "the run ended before it could be killed: " + error)
        named = os.listdir(os.path.join(out, "BIG"))
        for name in (name for name in named if not name.startswith(".")):
            self.assertTrue(filecmp.cmp(os.path.join(out, "BIG", name), os.path.join(expected, name), False), name)
        left = [name for name in named if name.startswith(".kestrel-partial-")]
        self.assertTrue(left, "the killed run was writing files under staging names")

        again = self.cli("recover", "--image", images[0], *source, "--on-conflict", "skip")
        self.assertIn(f"Partial files of a recovery cut short, removed: {len(left)}", again.stdout)
        self.assertIn("Recovered Successfully", again.stdout)
        self.assertEqual(sorted(os.listdir(os.path.join(out, "BIG"))), sorted(os.listdir(expected)))
        for name in os.listdir(expected):
            self.assertTrue(filecmp.cmp(os.path.join(out, "BIG", name), os.path.join(expected, name), False), name)

    def test_a_report_never_replaces_a_recovered_file_and_each_file_keeps_its_own_state(self):
        entries = [file("/report.html", "a page the server held"), file("/same.txt", "live"),
                   file("/same.txt", "deleted", deleted=True)]
        images, _ = self.mkimage({"disks": [disk(partition(pool("P", volume("V", *entries))), partition(sizeSectors=2048))]})
        out = self.path("out")
        result = self.cli("recover", "--disk", "0", "--to", out, "--report", out, "--on-conflict", "skip", disks=images)
        self.assertIn(f"Report written to {out}/report-2.html", result.stdout)
        with open(os.path.join(out, "report.html")) as recovered:
            self.assertEqual(recovered.read(), "a page the server held")
        with open(os.path.join(out, "report-2.json")) as data:
            report = json.load(data)
        states = sorted((entry["path"], entry["state"]) for entry in report["files"])
        self.assertEqual(states, [("/report.html", "whole"), ("/same.txt", "skipped"), ("/same.txt", "whole")])
        self.assertEqual((report["totals"]["whole"], report["totals"]["skipped"]), (2, 1))


def bytes_in(folder):
    """What the files under the folder hold, hidden ones included; a file renamed meanwhile is
    counted at its new name or not at all."""
    total = 0
    for place, _, names in os.walk(folder):
        for name in names:
            with contextlib.suppress(FileNotFoundError):
                total += os.path.getsize(os.path.join(place, name))
    return total


class HostileNamesTest(ImageTestCase):
    def test_names_from_disk_never_leave_the_destination(self):
        entries = [file("/ctl\u0001name.txt", "a"), file("/back\\slash.txt", "b"), folder("/DIR"),
                   file("/DIR/same.txt", "live"), file("/DIR/same.txt", "deleted", deleted=True)]
        images, _ = self.mkimage({"disks": [disk(partition(pool("P", volume("V", *entries))), partition(sizeSectors=2048))]})
        result = self.cli("recover", "--disk", "0", "--to", self.path("out"), disks=images)
        self.assertEqual(sorted(os.listdir(self.path("out"))), ["DIR", "back_slash.txt", "ctl_name.txt"])
        self.assertEqual(sorted(os.listdir(self.path("out/DIR"))), ["Copy(1)_same.txt", "same.txt"])
        self.assertIn("Written under a changed name: 3", result.stdout)
        self.assertIn("/DIR/same.txt -> " + self.path("out/DIR/Copy(1)_same.txt"), result.stdout)
        self.assertIn(f"Recovered under a changed name: {self.path('out')}/ctl\\x01name.txt -> ctl_name.txt",
                      self.log_text())
        keys = self.cli_json_lines("ls", "--disk", "0", disks=images)
        deleted = next(line["key"] for line in keys if line["deleted"])
        cat = subprocess.run([CLI, "cat", "--disk", "0", "--path", "/DIR/same.txt", "--key", deleted], capture_output=True,
                             env=dict(os.environ, KESTREL_NSS_LOG=self.log, KESTREL_NSS_DISKS=":".join(images)))
        self.assertEqual(cat.stdout, b"deleted")
        ambiguous = self.cli("cat", "--disk", "0", "--path", "/DIR/same.txt", disks=images, expect_status=1)
        self.assertIn("several files are at /DIR/same.txt; choose one with --key", ambiguous.stderr)


if __name__ == "__main__":
    unittest.main()
