# SPDX-License-Identifier: Apache-2.0
"""The Windows build under Wine against the Linux build on the same images. kestrel-nss-mkimage.exe
builds the images byte for byte as the Linux program does; kestrel-nss-cli.exe lists, recovers,
saves scans and images them with the same output bytes, each program in its own folder with the
same relative paths, and onto an FTP server through the Windows internet functions. Names that
Windows refuses are recovered under safe names."""

import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))
from ftp_server import FtpServer, pyftpdlib_missing  # noqa: E402
from harness import disk, file, folder, partition, pool, volume  # noqa: E402

WINE = os.environ.get("KESTREL_WINE", "/usr/lib/wine/wine64")
LINUX = {"cli": os.environ["KESTREL_LINUX_CLI"], "mkimage": os.environ["KESTREL_LINUX_MKIMAGE"]}
WINDOWS = {"cli": os.environ["KESTREL_WINDOWS_CLI"], "mkimage": os.environ["KESTREL_WINDOWS_MKIMAGE"]}

ENTRIES = [
    folder("/DOCS"),
    file("/DOCS/one-extent.doc", size=20000),
    file("/DOCS/three-extents.xls", size=3 * 4096 + 1234, extents=3),
    file("/DOCS/OLD/memo.txt", "old memo"),
    file("/DOCS/gone.txt", "deleted", deleted=True),
    file("/\u00dcbersicht \u65e5\u672c.txt", "names beyond the ANSI code page"),
    file("/PICS/logo.bmp", generator="bmp", width=16, height=8),
    file("/top.txt", "top"),
]
# Names a Windows folder cannot hold as they are, and what they become there.
HOSTILE = {"CON": "_CON", "nul.txt": "_nul.txt", "a:b?.txt": "a_b_.txt", "end.": "end_",
           "blank ": "blank_", "LPT1.log": "_LPT1.log"}
LAYOUT = {"disks": [disk(partition(pool("DATA", volume("VOL1", *ENTRIES),
                                        volume("ODD", *[file("/" + name, name) for name in HOSTILE]))),
                         partition(sizeSectors=2048))]}
SOURCE = ["--image", "disk0.img", "--pool", "DATA", "--volume", "VOL1"]


def digest(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


def tree(top):
    """Every file below top with its bytes, by its path relative to top ("/" separated)."""
    found = {}
    for folder_path, _, names in os.walk(top):
        for name in names:
            path = os.path.join(folder_path, name)
            found[os.path.relpath(path, top).replace(os.sep, "/")] = digest(path)
    return found


class WindowsBuildTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="kestrel-windows-")
        cls.folders = {}
        for build, programs in (("linux", LINUX), ("windows", WINDOWS)):
            cls.folders[build] = os.path.join(cls.work, build)
            os.mkdir(cls.folders[build])
            with open(os.path.join(cls.folders[build], "layout.json"), "w") as layout:
                json.dump(LAYOUT, layout)
            cls.run_in(build, programs["mkimage"], "--layout", "layout.json", "--out", "disk0.img")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    @classmethod
    def run_in(cls, build, program, *args):
        command = [WINE, program] if build == "windows" else [program]
        env = dict(os.environ, KESTREL_NSS_LOG="log.txt", KESTREL_NSS_DISKS="disk0.img")
        return subprocess.run(command + list(args), cwd=cls.folders[build], env=env,
                              capture_output=True, timeout=300)

    def both(self, *args):
        """Runs the command line of both builds; fails unless status and output bytes agree."""
        linux = self.run_in("linux", LINUX["cli"], *args)
        windows = self.run_in("windows", WINDOWS["cli"], *args)
        self.assertEqual((windows.returncode, windows.stdout), (linux.returncode, linux.stdout),
                         f"{args}\nLinux: {linux.stderr!r}\nWindows: {windows.stderr!r}")
        return linux

    def at(self, build, *names):
        return os.path.join(self.folders[build], *names)

    def test_mkimage_builds_the_same_image(self):
        self.assertEqual(digest(self.at("windows", "disk0.img")), digest(self.at("linux", "disk0.img")))

    def test_listings_print_the_same_bytes(self):
        self.assertIn(b"three-extents.xls", self.both("ls", *SOURCE).stdout)
        self.both("ls", *SOURCE, "--json")
        self.both("ls", *SOURCE, "--mask", "*.doc;*.txt", "--deleted-only")
        self.both("find", *SOURCE, "*.XLS")
        self.both("disks", "--json")
        self.both("ls", "--image", "disk0.img", "--pool", "DATA", "--volume", "NONE")
        self.both("hexdump", *SOURCE, "--path", "/PICS/logo.bmp")
        self.both("disk-scan", "--image", "disk0.img", "--json")
        self.both("ls", *SOURCE, "--pool-scan")

    def test_recover_writes_the_same_files(self):
        self.both("recover", *SOURCE, "--to", "out")
        recovered = tree(self.at("linux", "out"))
        self.assertIn("\u00dcbersicht \u65e5\u672c.txt", recovered)
        self.assertEqual(tree(self.at("windows", "out")), recovered)
        self.both("cat", *SOURCE, "--path", "/DOCS/three-extents.xls")

    def test_saved_scans_are_the_same_file(self):
        self.both("save-scan", *SOURCE, "--to", "scan.IMG")
        self.assertEqual(digest(self.at("windows", "scan.IMG")), digest(self.at("linux", "scan.IMG")))
        self.both("ls", "--scan-file", "scan.IMG")

    def test_an_image_of_an_image_file_is_the_same(self):
        self.both("image", "--image", "disk0.img", "--to", "copy.IMG")
        self.assertEqual(digest(self.at("windows", "copy.IMG")), digest(self.at("linux", "disk0.img")))
        self.both("image", "--image", "disk0.img", "--pool", "DATA", "--to", "pool.IMG")
        self.assertEqual(digest(self.at("windows", "pool.IMG")), digest(self.at("linux", "pool.IMG")))

    def test_names_windows_refuses_are_recovered_under_safe_names(self):
        args = ["recover", "--image", "disk0.img", "--pool", "DATA", "--volume", "ODD", "--to", "odd"]
        self.assertEqual(self.run_in("linux", LINUX["cli"], *args).returncode, 0)
        windows = self.run_in("windows", WINDOWS["cli"], *args)
        self.assertEqual(windows.returncode, 0, windows.stderr)
        linux_files, windows_files = tree(self.at("linux", "odd")), tree(self.at("windows", "odd"))
        self.assertEqual(windows_files, {HOSTILE[name]: linux_files[name] for name in HOSTILE})

    def test_recover_onto_an_ftp_server_in_both_modes(self):
        if pyftpdlib_missing():
            self.skipTest(pyftpdlib_missing())
        home = os.path.join(self.work, "ftp")
        os.mkdir(home)
        with FtpServer(home) as server:
            os.environ["KESTREL_NSS_FTP_PASSWORD"] = server.password
            try:
                ftp = ["--ftp", server.address, "--ftp-user", server.user]
                self.run_in("linux", LINUX["cli"], "recover", *SOURCE, *ftp, "--to", "linux")
                for mode in ("active", "passive"):
                    flags = ["--ftp-passive"] if mode == "passive" else []
                    windows = self.run_in("windows", WINDOWS["cli"], "recover", *SOURCE, *ftp, *flags,
                                          "--to", mode)
                    self.assertEqual(windows.returncode, 0, windows.stderr)
                    self.assertEqual(tree(os.path.join(home, mode)), tree(os.path.join(home, "linux")))
                tls = self.run_in("windows", WINDOWS["cli"], "recover", *SOURCE, *ftp, "--ftp-tls",
                                  "--to", "tls")
                self.assertEqual(tls.returncode, 1)
                self.assertIn(b"the Windows FTP client speaks no TLS", tls.stderr)
            finally:
                del os.environ["KESTREL_NSS_FTP_PASSWORD"]
        self.assertFalse(os.path.exists(os.path.join(home, "tls")))

    def test_mount_says_it_is_not_there(self):
        mount = self.run_in("windows", WINDOWS["cli"], "mount", *SOURCE, "M:")
        self.assertEqual(mount.returncode, 1)
        self.assertIn(b"mount is not available on Windows", mount.stderr)


if __name__ == "__main__":
    unittest.main()
