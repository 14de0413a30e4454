# SPDX-License-Identifier: Apache-2.0
"""`kestrel-nss-cli mount` on a real FUSE mount: every file read back as mkimage wrote it, from a
volume scan, a disk scan, a saved scan and a pool scan with a deleted volume; sizes past 4 GiB;
writes refused; a bad block read as EIO for exactly its range; unmounting with a file open.
SKIPPED where /dev/fuse cannot be opened."""

import ctypes
import errno
import importlib.util
import json
import os
import signal
import stat
import struct
import subprocess
import time
import unittest

from harness import CLI, MKIMAGE, ImageTestCase, disk, file, folder, partition, pool, volume

HERE = os.path.dirname(os.path.abspath(__file__))
DELETED = "\\deleted"
PAGE = 4096


def fuse_missing():
    """Why no FUSE mount can be made here, or None."""
    try:
        os.close(os.open("/dev/fuse", os.O_RDWR))
    except OSError as error:
        return f"/dev/fuse cannot be opened ({error.strerror})"
    if not any(os.access(os.path.join(d, "fusermount3"), os.X_OK) for d in os.environ["PATH"].split(":")):
        return "fusermount3 is not installed"
    return None


def servers_of(mountpoint):
    """The processes whose command line names the mount point."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                if mountpoint.encode() in cmdline.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


def wait_for(condition, seconds=30):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.02)
    return True


def files_under(top):
    """Every file below top, by its path relative to top."""
    return sorted(os.path.relpath(os.path.join(folder, name), top)
                  for folder, _, names in os.walk(top) for name in names)


def listing(path, buffer_bytes, resume_after=None):
    """The names of a folder as the kernel hands them out, read with getdents64 in pieces of
    buffer_bytes. With resume_after, the listing stops after that many names and goes on through
    a second descriptor of the folder, placed at the offset the last name kept carried, as a
    listing the kernel interrupted resumes."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.syscall.restype = ctypes.c_long
    buffer = ctypes.create_string_buffer(buffer_bytes)
    names, fd = [], os.open(path, os.O_RDONLY | os.O_DIRECTORY)
    try:
        while True:
            got = libc.syscall(217, fd, buffer, buffer_bytes)  # SYS_getdents64 on x86-64
            if got < 0:
                raise OSError(ctypes.get_errno(), "getdents64")
            if got == 0:
                return [name for name in names if name not in (".", "..")]
            at = 0
            while at < got:
                offset, length = struct.unpack_from("<qH", buffer.raw, at + 8)
                names.append(buffer.raw[at + 19:at + length].split(b"\0", 1)[0].decode())
                at += length
                if resume_after is not None and len(names) == resume_after:
                    os.close(fd)
                    fd = os.open(path, os.O_RDONLY | os.O_DIRECTORY)
                    os.lseek(fd, offset, os.SEEK_SET)
                    resume_after = None
                    break
    finally:
        os.close(fd)


def mount_options(mountpoint):
    with open("/proc/mounts") as mounts:
        for line in mounts:
            fields = line.split()
            if fields[1] == mountpoint:
                return fields[3].split(",")
    return None


@unittest.skipIf(fuse_missing(), f"SKIPPED: {fuse_missing()}")
class MountTestCase(ImageTestCase):
    """Mounts made by a test are always unmounted, and their servers gone, before its sources are
    checked."""

    def setUp(self):
        super().setUp()
        self.servers = []

    def tearDown(self):
        for mountpoint, server in reversed(self.servers):
            if os.path.ismount(mountpoint):
                subprocess.run(["fusermount3", "-u", "-z", mountpoint], capture_output=True)
            if server is not None:
                try:
                    server.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    server.kill()
                    server.wait()
        super().tearDown()

    def mountpoint(self, name="mnt"):
        path = self.path(name)
        os.makedirs(path, exist_ok=True)
        return path

    def mount(self, *source, name="mnt", disks=None, extra=()):
        """Serves the source in the foreground at a new mount point; returns the mount point."""
        mountpoint = self.mountpoint(name)
        env = dict(os.environ, KESTREL_NSS_LOG=self.log)
        if disks is not None:
            env["KESTREL_NSS_DISKS"] = ":".join(disks)
        output = open(self.path(f"{name}.stderr"), "w")
        server = subprocess.Popen([CLI, "mount", *source, mountpoint, "--foreground", *extra], env=env,
                                  stdout=output, stderr=output,
                                  preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        output.close()
        self.servers.append((mountpoint, server))
        mounted = wait_for(lambda: os.path.ismount(mountpoint) or server.poll() is not None)
        with open(self.path(f"{name}.stderr")) as errors:
            self.assertTrue(mounted and os.path.ismount(mountpoint), errors.read())
        return mountpoint

    def demo(self):
        """The demo disks, their manifest, and the bytes mkimage wrote for every file."""
        images = [self.path("demo0.img"), self.path("demo1.img")]
        subprocess.run([MKIMAGE, "--layout", "demo", "--out", images[0], "--out", images[1],
                        "--manifest", self.path("demo.json"), "--expect", self.path("expect")], check=True)
        for image in images:
            self.watch(image)
        with open(self.path("demo.json")) as manifest:
            return images, json.load(manifest)

    def assertSameFiles(self, mounted, expected, entries):
        """Every file mkimage wrote is in the mount, a deleted one under its marked name, with the
        same bytes, and the mount holds nothing else."""
        shown = {e["path"].lstrip("/"): e["path"].lstrip("/") + (DELETED if e["deleted"] else "")
                 for e in entries if e["kind"] == "file" and not e["skipped"]}
        self.assertEqual(files_under(mounted), sorted(shown[path] for path in files_under(expected)))
        for path in files_under(expected):
            result = subprocess.run(["cmp", os.path.join(expected, path), os.path.join(mounted, shown[path])],
                                    capture_output=True, text=True)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


class MountedTreeTest(MountTestCase):
    def test_every_demo_volume_reads_back_as_mkimage_wrote_it(self):
        images, manifest = self.demo()
        for made_partition in manifest["disks"][0]["partitions"]:
            made_pool = made_partition.get("pool") or {"volumes": []}
            for made in (v for v in made_pool["volumes"] if not v["deleted"]):
                with self.subTest(pool=made_pool["name"], volume=made["label"]):
                    name = f"{made_pool['name']}-{made['label']}"
                    mounted = self.mount("--disk", "0", "--pool", made_pool["name"], "--volume", made["label"],
                                         name=name, disks=images)
                    self.assertSameFiles(mounted, self.path(f"expect/{made_pool['name']}/{made['label']}"),
                                         made["entries"])

    def test_a_disk_scan_and_a_saved_scan_mount_the_same_files(self):
        images, manifest = self.demo()
        volume1 = manifest["disks"][0]["partitions"][0]["pool"]["volumes"][0]
        source = ["--disk", "0", "--pool", "DATA", "--volume", volume1["label"]]
        self.cli("save-scan", *source, "--to", self.path("vol1.scan"), disks=images)
        for name, chosen in (("disk-scan", source + ["--disk-scan"]), ("saved", ["--scan-file", self.path("vol1.scan")])):
            with self.subTest(source=name):
                mounted = self.mount(*chosen, name=name, disks=images)
                self.assertSameFiles(mounted, self.path(f"expect/DATA/{volume1['label']}"), volume1["entries"])
        saved_time = os.stat(self.path("vol1.scan")).st_mtime
        self.assertEqual(os.stat(os.path.join(self.path("saved"), "DOCS")).st_mtime, int(saved_time),
                         "a saved scan's entries show the time it was written")

    def test_with_every_core_busy_the_mount_reads_the_same_bytes_as_quiet(self):
        images, manifest = self.demo()
        volume1 = manifest["disks"][0]["partitions"][0]["pool"]["volumes"][0]
        busy = [subprocess.Popen(["/usr/bin/python3", "-c", "while True: pass"]) for _ in range(os.cpu_count())]
        try:
            mounted = self.mount("--disk", "0", "--pool", "DATA", "--volume", volume1["label"], disks=images)
            self.assertSameFiles(mounted, self.path(f"expect/DATA/{volume1['label']}"), volume1["entries"])
        finally:
            for process in busy:
                process.kill()
                process.wait()

    def test_a_pool_scan_shows_each_volume_as_a_folder_and_the_deleted_one_marked(self):
        images, manifest = self.demo()
        archive = manifest["disks"][0]["partitions"][1]["pool"]
        mounted = self.mount("--disk", "0", "--pool", archive["name"], "--pool-scan", disks=images)
        labels = [v["label"] + (DELETED if v["deleted"] else "") for v in archive["volumes"]]
        self.assertEqual(sorted(os.listdir(mounted)), sorted(labels))
        self.assertTrue(any(label.endswith(DELETED) for label in labels), "the demo has a deleted volume")
        for made, label in zip(archive["volumes"], labels):
            with self.subTest(volume=label):
                self.assertSameFiles(os.path.join(mounted, label), self.path(f"expect/ARCHIVE/{made['label']}"),
                                     made["entries"])
        self.assertIn("\nMounted Pool:ARCHIVE read-only at " + mounted, self.log_text())

    def test_a_mask_narrows_what_is_mounted(self):
        images, manifest = self.demo()
        volume1 = manifest["disks"][0]["partitions"][0]["pool"]["volumes"][0]
        mounted = self.mount("--disk", "0", "--pool", "DATA", "--volume", volume1["label"], "--mask", "*.doc",
                             disks=images)
        docs = sorted(e["path"].lstrip("/") + (DELETED if e["deleted"] else "")
                      for e in volume1["entries"] if e["kind"] == "file" and e["path"].endswith(".doc"))
        self.assertTrue(docs)
        self.assertEqual(files_under(mounted), docs)

    def test_a_big_folder_listed_in_pieces_or_resumed_midway_gives_every_name_once(self):
        names = [f"report{n:05}.txt" for n in range(3000)]
        entries = [folder("/BIG"), *[file(f"/BIG/{name}", content="x") for name in names]]
        images, _ = self.mkimage({"disks": [disk(partition(pool("DATA", volume("V", *entries))),
                                                 partition(sizeSectors=2048))]})
        mounted = self.mount("--image", images[0])
        big = os.path.join(mounted, "BIG")
        for buffer_bytes in [1 << 16, 600]:
            with self.subTest(buffer=buffer_bytes):
                self.assertEqual(sorted(listing(big, buffer_bytes)), names)
        for resume_after in [1, 150, 2999]:
            with self.subTest(resumed_after=resume_after):
                self.assertEqual(sorted(listing(big, 4096, resume_after)), names)

    def test_a_listing_shows_the_numbers_kinds_and_sizes_stat_gives_before_and_after_files_are_looked_up(self):
        # A walk that reads no file's attributes is listed without them; the first file looked up
        # brings them into later listings. Both must agree with stat.
        entries = [folder("/A"), folder("/A/SUB"), folder("/B"), folder("/B/SUB"),
                   *[file(f"/{top}/{name}", content=name * 3) for top in "AB" for name in ("one.txt", "two.txt")]]
        images, _ = self.mkimage({"disks": [disk(partition(pool("DATA", volume("V", *entries))),
                                                 partition(sizeSectors=2048))]})
        mounted = self.mount("--image", images[0])
        for top in "AB":
            with self.subTest(folder=top):
                for entry in os.scandir(os.path.join(mounted, top)):
                    status = os.stat(entry.path)
                    self.assertEqual(entry.inode(), status.st_ino)
                    self.assertEqual(entry.is_dir(), stat.S_ISDIR(status.st_mode))
                    if not entry.is_dir():
                        self.assertEqual(status.st_size, 3 * len(entry.name))

    def test_sizes_past_4_gib_on_a_sparse_image(self):
        sizes = {"huge.vhd": (5 << 30) + 123, "edge.bin": (4 << 30) + 1}
        entries = [file(f"/{name}", size=size, sparse=True) for name, size in sizes.items()]
        images, _ = self.mkimage({"disks": [disk(partition(pool("BIG", volume("V", *entries))),
                                                 partition(sizeSectors=2048))]})
        mounted = self.mount("--image", images[0])
        for name, size in sizes.items():
            with self.subTest(file=name):
                self.assertEqual(os.stat(os.path.join(mounted, name)).st_size, size)
                with open(os.path.join(mounted, name), "rb") as data:
                    self.assertEqual(os.pread(data.fileno(), 2 * PAGE, size - 100), bytes(100))
        self.assertGreaterEqual(os.statvfs(mounted).f_blocks * 4096, sum(sizes.values()))


class ReadOnlyTest(MountTestCase):
    def test_every_change_is_refused_with_erofs_and_other_users_are_kept_out(self):
        images, _ = self.mkimage({"disks": [disk(partition(pool("DATA", volume("V", folder("/D"),
                                                                                file("/D/a.txt", "text")))),
                                                 partition(sizeSectors=2048))]})
        mounted = self.mount("--image", images[0])
        target = os.path.join(mounted, "D", "a.txt")
        changes = {
            "open for writing": lambda: os.open(target, os.O_WRONLY),
            "create": lambda: os.open(os.path.join(mounted, "new"), os.O_WRONLY | os.O_CREAT, 0o644),
            "truncate": lambda: os.truncate(target, 0),
            "rename": lambda: os.rename(target, os.path.join(mounted, "D", "b.txt")),
            "unlink": lambda: os.unlink(target),
            "mkdir": lambda: os.mkdir(os.path.join(mounted, "E")),
            "rmdir": lambda: os.rmdir(os.path.join(mounted, "D")),
            "chmod": lambda: os.chmod(target, 0o777),
            "utime": lambda: os.utime(target, (0, 0)),
            "symlink": lambda: os.symlink("x", os.path.join(mounted, "link")),
            "setxattr": lambda: os.setxattr(target, "user.x", b"1"),
        }
        for name, change in changes.items():
            with self.subTest(change=name):
                with self.assertRaises(OSError) as raised:
                    change()
                self.assertEqual(raised.exception.errno, errno.EROFS, raised.exception)
        with open(target) as text:
            self.assertEqual(text.read(), "text")
        self.assertEqual(stat.S_IMODE(os.stat(target).st_mode), 0o444)
        options = mount_options(mounted)
        self.assertIn("ro", options)
        self.assertNotIn("allow_other", options)

    def test_allow_other_only_when_asked_and_a_bad_mount_point_is_an_error(self):
        images, _ = self.mkimage({"disks": [disk(partition(pool("DATA", volume("V", file("/a.txt", "a")))),
                                                 partition(sizeSectors=2048))]})
        mounted = self.mount("--image", images[0], extra=["--allow-other"])
        self.assertIn("allow_other", mount_options(mounted))
        result = self.cli("mount", "--image", images[0], self.path("nowhere"), expect_status=1)
        self.assertIn("cannot mount at " + self.path("nowhere"), result.stderr)


class FailingSourceTest(MountTestCase):
    def test_a_bad_block_is_eio_for_exactly_its_range_and_logged(self):
        images, manifest = self.mkimage({"disks": [disk(partition(pool("DATA", volume(
            "V", folder("/D"), file("/D/big.bin", size=16 * PAGE + 100)))), partition(sizeSectors=2048))]})
        made_pool = manifest["disks"][0]["partitions"][0]["pool"]
        big = next(e for e in made_pool["volumes"][0]["entries"] if e["path"] == "/D/big.bin")
        [[blocks, start]] = big["extents"]
        bad_page = 5
        bad_sector = (made_pool["poolBase"] + (start - 1 + bad_page) * PAGE) // 512 + 3
        if importlib.util.find_spec("fusepy") is None:
            self.skipTest("SKIPPED: python3-fusepy, which serves the failing source, is not installed")
        failing = self.mountpoint("failing")
        server = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "failing_image.py"), images[0], failing,
                                   str(bad_sector)], stderr=subprocess.DEVNULL)
        self.servers.append((failing, server))
        self.assertTrue(wait_for(lambda: os.path.ismount(failing)))
        mounted = self.mount("--image", os.path.join(failing, "disk.img"))
        with open(images[0], "rb") as image:
            image.seek(made_pool["poolBase"] + (start - 1) * PAGE)
            expected = image.read(big["size"])
        with open(os.path.join(mounted, "D", "big.bin"), "rb") as data:
            with self.assertRaises(OSError) as raised:
                data.read()
            self.assertEqual(raised.exception.errno, errno.EIO)
            for page in range(17):
                with self.subTest(page=page):
                    if page == bad_page:
                        with self.assertRaises(OSError) as raised:
                            os.pread(data.fileno(), PAGE, page * PAGE)
                        self.assertEqual(raised.exception.errno, errno.EIO)
                    else:
                        self.assertEqual(os.pread(data.fileno(), PAGE, page * PAGE),
                                         expected[page * PAGE:(page + 1) * PAGE])
        log = self.log_text()
        line = (f"\nUnreadable while mounted, read as an I/O error: /D/big.bin bytes {bad_page * PAGE} to "
                f"{(bad_page + 1) * PAGE - 1}")
        self.assertIn(line, log)
        self.assertEqual(log.count("Unreadable while mounted"), 1, log)


class UnmountTest(MountTestCase):
    def setUp(self):
        super().setUp()
        self.images, _ = self.mkimage({"disks": [disk(partition(pool("DATA", volume("V", file("/a.bin", size=3 << 20)))),
                                                      partition(sizeSectors=2048))]})

    def test_ctrl_c_with_a_file_open_unmounts_and_ends_the_server(self):
        mounted = self.mount("--image", self.images[0])
        server = self.servers[-1][1]
        with open(os.path.join(mounted, "a.bin"), "rb") as reader:
            reader.read(PAGE)
            server.send_signal(signal.SIGINT)
            self.assertEqual(server.wait(timeout=30), 0)
            self.assertFalse(os.path.ismount(mounted))
            with self.assertRaises(OSError):
                while reader.read(1 << 20):
                    pass
        self.assertIn("\nUnmounted " + mounted, self.log_text())

    def test_in_the_background_a_lazy_unmount_ends_the_server_once_the_reader_closes(self):
        mounted = self.mountpoint()
        self.servers.append((mounted, None))
        self.cli("mount", "--image", self.images[0], mounted)
        self.assertTrue(os.path.ismount(mounted), "mounted when the command returns")
        servers = servers_of(mounted)
        self.assertEqual(len(servers), 1)
        reader = open(os.path.join(mounted, "a.bin"), "rb")
        try:
            reader.read(PAGE)
            busy = subprocess.run(["fusermount3", "-u", mounted], capture_output=True, text=True)
            self.assertNotEqual(busy.returncode, 0, "the kernel keeps a mount with a file open")
            subprocess.run(["fusermount3", "-u", "-z", mounted], check=True)
            self.assertFalse(os.path.ismount(mounted))
            self.assertEqual(len(reader.read()), (3 << 20) - PAGE, "the open file reads to its end")
        finally:
            reader.close()
        self.assertTrue(wait_for(lambda: not servers_of(mounted)), "no server left behind")


if __name__ == "__main__":
    unittest.main()
