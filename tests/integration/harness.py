# SPDX-License-Identifier: Apache-2.0
"""Shared helpers of the integration tests: build images with kestrel-nss-mkimage, run
kestrel-nss-cli on them, and check that no source was written."""

import contextlib
import hashlib
import json
import os
import subprocess
import tempfile
import unittest

CLI = os.environ.get("KESTREL_CLI", "build/cli/kestrel-nss-cli")
MKIMAGE = os.environ.get("KESTREL_MKIMAGE", "build/tools/mkimage/kestrel-nss-mkimage")


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as file:
        for chunk in iter(lambda: file.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def content_digest(path):
    """A digest of the file's size and of its data regions with their offsets: it changes with
    any byte written, and skips the holes of a sparse image, which read as zeros and cost a full
    hash minutes on an image of many GiB."""
    digest = hashlib.sha256()
    with open(path, "rb") as file:
        size = os.fstat(file.fileno()).st_size
        digest.update(size.to_bytes(8, "little"))
        offset = 0
        while offset < size:
            try:
                start = os.lseek(file.fileno(), offset, os.SEEK_DATA)
            except OSError:
                break  # only a hole is left
            end = os.lseek(file.fileno(), start, os.SEEK_HOLE)
            digest.update(start.to_bytes(8, "little"))
            file.seek(start)
            for chunk in iter(lambda: file.read(min(1 << 20, end - file.tell())), b""):
                digest.update(chunk)
            offset = end
    return digest.hexdigest()


@contextlib.contextmanager
def loop_device(path):
    """A loop device over the file, or "" where the machine gives none."""
    result = subprocess.run(["losetup", "--find", "--show", path], capture_output=True, text=True)
    device = result.stdout.strip() if result.returncode == 0 else ""
    try:
        yield device
    finally:
        if device:
            subprocess.run(["losetup", "-d", device], check=False)


class ImageTestCase(unittest.TestCase):
    """A test with its own folder, a log report in it, and images whose bytes are checked to be
    unchanged at the end of every test."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="kestrel-it-")
        self.dir = self.folder.name
        self.log = os.path.join(self.dir, "KestrelNSSLogReport.txt")
        self.sources = {}

    def watch(self, path):
        """The file is a source: the test fails when its bytes change."""
        self.sources[path] = content_digest(path)

    def tearDown(self):
        for path, digest in self.sources.items():
            self.assertEqual(content_digest(path), digest, f"the source {path} was written")
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    @contextlib.contextmanager
    def mounted_file_system(self, size):
        """An ext2 file system of `size` bytes in a file of the test's folder, mounted through a
        loop device at the folder "mnt": yields (file, device, mount point); skips the test where
        the machine cannot do it."""
        file_system, mount_point = self.path("ext2.img"), self.path("mnt")
        with open(file_system, "wb") as sparse:
            sparse.truncate(size)
        if subprocess.run(["mke2fs", "-q", "-F", file_system], capture_output=True).returncode != 0:
            self.skipTest("SKIPPED: mke2fs is not installed")
        os.mkdir(mount_point)
        with loop_device(file_system) as device:
            if not device:
                self.skipTest("SKIPPED: no loop device on this machine")
            if subprocess.run(["mount", device, mount_point], capture_output=True).returncode != 0:
                self.skipTest("SKIPPED: this machine does not let the test mount a file system")
            try:
                yield file_system, device, mount_point
            finally:
                subprocess.run(["umount", mount_point], check=False)

    def mkimage(self, layout, name="disk", pool_image=None, expect=False):
        """Builds the layout's disks (or one pool image) and returns (image paths, manifest)."""
        layout_path = self.path(f"{name}.json")
        with open(layout_path, "w") as file:
            json.dump(layout, file)
        disks = 1 if pool_image else len(layout["disks"])
        images = [self.path(f"{name}{index}.img") for index in range(disks)]
        manifest_path = self.path(f"{name}.manifest.json")
        command = [MKIMAGE, "--layout", layout_path, "--manifest", manifest_path]
        for image in images:
            command += ["--out", image]
        if pool_image:
            command += ["--pool-image", pool_image]
        if expect:
            command += ["--expect", self.path(f"{name}.expect")]
        result = subprocess.run(command, capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        for image in images:
            self.watch(image)
        with open(manifest_path) as file:
            return images, json.load(file)

    def cli(self, *args, disks=None, expect_status=0, env=None, timeout=None):
        env = dict(os.environ if env is None else env, KESTREL_NSS_LOG=self.log)
        if disks is not None:
            env["KESTREL_NSS_DISKS"] = ":".join(disks)
        result = subprocess.run([CLI, *args], capture_output=True, text=True, env=env, timeout=timeout)
        if expect_status is not None:
            self.assertEqual(result.returncode, expect_status,
                             f"{args}: status {result.returncode}\n{result.stdout}\n{result.stderr}")
        return result

    def cli_json(self, *args, **kwargs):
        return json.loads(self.cli(*args, "--json", **kwargs).stdout)

    def cli_json_lines(self, *args, **kwargs):
        output = self.cli(*args, "--json", **kwargs).stdout
        return [json.loads(line) for line in output.splitlines() if line.strip()]

    def log_text(self):
        if not os.path.exists(self.log):
            return ""
        with open(self.log) as file:
            return file.read()


def disk(*partitions, **options):
    return dict(options, partitions=list(partitions))


def partition(pool=None, **options):
    if pool is not None:
        options["pool"] = pool
    return options


def pool(name, *volumes, **options):
    return dict(options, name=name, volumes=list(volumes))


def volume(names, *entries, **options):
    names = [names] if isinstance(names, str) else names
    return dict(options, names=names, entries=list(entries))


def folder(path, **options):
    return dict(options, path=path, kind="folder")


def file(path, content=None, **options):
    entry = dict(options, path=path)
    if content is not None:
        entry["content"] = content
    return entry
