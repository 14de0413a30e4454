# SPDX-License-Identifier: Apache-2.0
"""Recovery onto a real FTP server (pyftpdlib on 127.0.0.1, started and stopped by each test):
byte-exact files in the server's folder, clashes on the server, hostile names, refused logins and
folders, a connection that breaks in the middle of a file, FTPS, and a password that never shows
in any output or in the log report."""

import fcntl
import filecmp
import os
import pty
import select
import signal
import subprocess
import termios
import time
import unittest

from ftp_server import FtpServer, free_port, make_certificate, pyftpdlib_missing
from harness import CLI, ImageTestCase, disk, file, folder, partition, pool, volume

ENTRIES = [
    folder("/DOCS"),
    file("/DOCS/one-extent.doc", size=20000),
    file("/DOCS/three-extents.xls", size=3 * 4096 + 1234, extents=3),
    file("/DOCS/ten.txt", "0123456789"),
    file("/DOCS/OLD/memo.txt", "old memo"),
    folder("/EMPTY"),
    file("/BIG/big.bin", size=3 * 1024 * 1024),
    file("/BIG/later.txt", "after the big one"),
    file("/top.txt", "top"),
]
VOLUME = ["--disk", "0", "--pool", "DATA", "--volume", "VOL1"]
LIVE = volume("LIVE", folder("/DOCS"), file("/DOCS/a.txt", "live a"), file("/top.txt", "top of LIVE"))
GONE = volume("GONE", folder("/OLD"), file("/OLD/lost.doc", size=5000), file("/OLD/b.txt", "deleted volume b"),
              file("/OLD/multi.bin", size=9000, extents=3), deleted=True)


def tree_differences(left, right):
    """What differs between two folders, as a list of relative paths; empty when they are the same."""
    comparison = filecmp.dircmp(left, right)
    found = comparison.left_only + comparison.right_only
    found += [name for name in comparison.common_files if not filecmp.cmp(os.path.join(left, name),
                                                                           os.path.join(right, name), False)]
    for sub in comparison.common_dirs:
        found += [os.path.join(sub, name) for name in tree_differences(os.path.join(left, sub), os.path.join(right, sub))]
    return found


def largest_file(folder):
    """The size of the largest file in the folder; 0 when there is none."""
    sizes = [entry.stat().st_size for entry in os.scandir(folder) if entry.is_file()] if os.path.isdir(folder) else []
    return max(sizes, default=0)


class FtpTestCase(ImageTestCase):
    """A test with a home folder for the server and every output of the CLI kept, so that the end
    of the test can look for the passwords in all of them and in the log report."""

    layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", *ENTRIES))), partition(sizeSectors=2048))]}

    def setUp(self):
        super().setUp()
        missing = pyftpdlib_missing()
        if missing:
            self.skipTest(missing)
        self.home = self.path("ftp-home")
        os.makedirs(self.home)
        self.servers, self.outputs, self.passwords = [], [], set()
        self.images, _ = self.mkimage(self.layout, expect=True)

    def tearDown(self):
        for server in self.servers:
            server.stop()
        for password in self.passwords:
            for text in self.outputs + [self.log_text()]:
                self.assertNotIn(password, text, "the password was shown")
        super().tearDown()

    def serve(self, **options):
        server = FtpServer(self.home, **options)
        self.servers.append(server)
        self.passwords.add(server.password)
        return server

    def recover(self, server, *args, source=VOLUME, password=None, expect_status=0, address=None, env=None):
        password = password or server.password
        self.passwords.add(password)
        env = dict(os.environ if env is None else env, KESTREL_NSS_FTP_PASSWORD=password)
        result = self.cli("recover", *source, "--ftp", address or server.address, "--ftp-user", server.user, *args,
                          disks=self.images, expect_status=expect_status, env=env)
        self.outputs += [result.stdout, result.stderr]
        return result

    def on_server(self, *parts):
        return os.path.join(self.home, *parts)

    def read_on_server(self, *parts):
        with open(self.on_server(*parts), "rb") as stored:
            return stored.read()


class FtpRecoveryTest(FtpTestCase):
    def test_a_volume_arrives_byte_for_byte_in_active_and_passive_mode(self):
        server = self.serve()
        expected = self.path("disk.expect/DATA/VOL1")
        for mode, options in (("active", []), ("passive", ["--ftp-passive"])):
            with self.subTest(mode):
                result = self.recover(server, "--to", f"/{mode}/deep", *options)
                self.assertIn("Recovered Successfully", result.stdout)
                self.assertEqual(tree_differences(self.on_server(mode, "deep"), expected), [])
                self.assertTrue(os.path.isdir(self.on_server(mode, "deep", "EMPTY")), "every folder is made")
                self.assertEqual(self.read_on_server(mode, "deep", "DOCS", "ten.txt"), b"0123456789")

    def test_the_password_can_come_from_netrc(self):
        server = self.serve()
        with open(self.path(".netrc"), "w") as netrc:
            netrc.write(f"machine 127.0.0.1 login {server.user} password {server.password}\n")
        os.chmod(self.path(".netrc"), 0o600)
        env = {name: value for name, value in os.environ.items() if name != "KESTREL_NSS_FTP_PASSWORD"}
        env["HOME"] = self.dir
        result = self.cli("recover", *VOLUME, "--ftp", server.address, "--ftp-user", server.user, "--to", "/n",
                          "--path", "/top.txt", disks=self.images, env=env)
        self.outputs += [result.stdout, result.stderr]
        self.assertEqual(self.read_on_server("n", "top.txt"), b"top")
        env["HOME"] = self.path("ftp-home")  # no .netrc there, and no terminal to ask on
        result = self.cli("recover", *VOLUME, "--ftp", server.address, "--ftp-user", server.user, "--to", "/n",
                          disks=self.images, env=env, expect_status=2)
        self.assertIn("no FTP password", result.stderr)

    def test_files_take_their_names_once_stored_or_at_once_where_the_server_renames_nothing(self):
        expected = self.path("disk.expect/DATA/VOL1")
        os.makedirs(self.on_server("staged", "DOCS"))
        left = self.on_server("staged", "DOCS", ".kestrel-partial-feedfacefeedface-3")
        with open(left, "w") as partial:
            partial.write("what a killed run left")
        staged = self.recover(self.serve(), "--to", "/staged")
        self.assertIn("Partial files of a recovery cut short, removed: 1\n  /staged/DOCS/.kestrel-partial-", staged.stdout)
        self.assertEqual(tree_differences(self.on_server("staged"), expected), [])
        direct = self.recover(self.serve(no_rename=True), "--to", "/direct")
        self.assertIn("The server does not rename files", direct.stdout)
        self.assertIn("Recovered Successfully", direct.stdout)
        self.assertEqual(tree_differences(self.on_server("direct"), expected), [])

    def test_clashes_on_the_server(self):
        server = self.serve()
        os.makedirs(self.on_server("out"))
        # A name taken in another case counts as taken: many servers store names without case.
        for name in ("top.txt", "COPY(1)_TOP.TXT"):
            with open(self.on_server("out", name), "w") as old:
                old.write("already here")
        self.recover(server, "--to", "/out", "--path", "/top.txt")
        self.assertEqual(self.read_on_server("out", "Copy(2)_top.txt"), b"top")
        result = self.recover(server, "--to", "/out", "--path", "/top.txt", "--on-conflict", "skip")
        self.assertIn("Skipped, already at the destination: 1", result.stdout)
        self.assertEqual(self.read_on_server("out", "top.txt"), b"already here")
        self.recover(server, "--to", "/out", "--path", "/top.txt", "--on-conflict", "overwrite")
        self.assertEqual(self.read_on_server("out", "top.txt"), b"top")
        self.assertEqual(sorted(os.listdir(self.on_server("out"))), ["COPY(1)_TOP.TXT", "Copy(2)_top.txt", "top.txt"])

    def test_a_refused_folder_is_named_and_the_run_goes_on(self):
        os.makedirs(self.on_server("out", "DOCS"))
        server = self.serve(read_only=["out/DOCS"])
        result = self.recover(server, "--to", "/out", expect_status=1)
        self.assertNotIn("Recovered Successfully", result.stdout)
        self.assertIn("/out/DOCS/ten.txt: could not be written", result.stdout)
        self.assertIn("some files were not recovered whole", result.stderr)
        self.assertEqual(self.read_on_server("out", "top.txt"), b"top")
        self.assertEqual(os.listdir(self.on_server("out", "DOCS")), [])


class FtpPoolScanTest(FtpTestCase):
    layout = {"disks": [disk(partition(pool("DATA", LIVE, GONE)), partition(sizeSectors=2048))]}

    def test_a_deleted_volume_arrives_byte_for_byte(self):
        server = self.serve()
        result = self.recover(server, "--to", "/pool", source=["--disk", "0", "--pool", "DATA", "--pool-scan"])
        self.assertIn("Recovered Successfully", result.stdout)
        self.assertEqual(tree_differences(self.on_server("pool", "GONE"), self.path("disk.expect/DATA/GONE")), [])
        self.assertEqual(self.read_on_server("pool", "LIVE", "DOCS", "a.txt"), b"live a")


class FtpHostileNamesTest(FtpTestCase):
    # Names the layout cannot hold are put into the image afterwards, unit for unit.
    NAMES = {"QQQx": "../x", "aQb": "a/b"}
    ENTRIES = [file("/cr\rlf\n.txt", "crlf"), file("/QQQx", "dotdot"), file("/aQb", "slash"), folder("/DIR"),
               file("/DIR/QQQx", "deeper")]
    layout = {"disks": [disk(partition(pool("P", volume("V", *ENTRIES))), partition(sizeSectors=2048))]}

    def setUp(self):
        super().setUp()
        with open(self.images[0], "rb") as image:
            data = image.read()
        for marker, name in self.NAMES.items():
            data = data.replace(marker.encode("utf-16-le"), name.encode("utf-16-le"))
        with open(self.images[0], "wb") as image:
            image.write(data)
        self.watch(self.images[0])

    def test_names_cannot_change_the_command_or_leave_the_folder(self):
        server = self.serve()
        result = self.recover(server, "--to", "/out", source=["--disk", "0"])
        self.assertIn("Recovered Successfully", result.stdout)
        self.assertEqual(sorted(os.listdir(self.home)), ["out"], "nothing is written beside the chosen folder")
        self.assertEqual(sorted(os.listdir(self.on_server("out"))), [".._x", "DIR", "a_b", "cr_lf_.txt"])
        self.assertEqual(self.read_on_server("out", "cr_lf_.txt"), b"crlf")
        self.assertEqual(self.read_on_server("out", "DIR", ".._x"), b"deeper")
        self.assertIn("Written under a changed name: 4", result.stdout)


class FtpFailureTest(FtpTestCase):
    def test_a_wrong_password_or_a_closed_port_writes_nothing(self):
        server = self.serve()
        for case, options in (("wrong password", {"password": "Wrong-4e2a-never-shown"}),
                              ("closed port", {"address": f"127.0.0.1:{free_port()}"})):
            with self.subTest(case):
                result = self.recover(server, "--to", "/out", expect_status=1, **options)
                self.assertIn("Connection Failed", result.stderr)
                self.assertNotIn("Recovered", result.stdout)
                self.assertEqual(os.listdir(self.home), [])
        self.assertIn("refused the user name or password", self.outputs[1])

    def test_a_connection_that_breaks_mid_file_fails_that_file_only(self):
        server = self.serve(drop_after=1024 * 1024)
        result = self.recover(server, "--to", "/out", expect_status=1)
        self.assertNotIn("Recovered Successfully", result.stdout)
        self.assertIn("/out/BIG/big.bin: could not be written: after", result.stdout)
        self.assertIn("connected again, and no partial file is left on the server", result.stdout)
        self.assertFalse(os.path.exists(self.on_server("out", "BIG", "big.bin")))
        expected = self.path("disk.expect/DATA/VOL1")
        self.assertEqual(tree_differences(self.on_server("out"), expected), ["BIG/big.bin"])

    def test_a_file_the_server_keeps_short_is_named_whether_listed_or_asked(self):
        for case, options in (("sizes listed", {}), ("sizes asked file by file", {"no_mlsd": True})):
            with self.subTest(case):
                server = self.serve(keep_short="ten.txt", **options)
                target = "listed" if not options else "asked"
                result = self.recover(server, "--to", "/" + target, expect_status=1)
                server.stop()
                self.assertIn(f"/{target}/DOCS/ten.txt: could not be written: "
                              "the server holds 9 of the 10 bytes sent", result.stdout)
                self.assertIn("Recovered 6 files", result.stdout)
                self.assertNotIn("Recovered Successfully", result.stdout)
                expected = self.path("disk.expect/DATA/VOL1")
                self.assertEqual(tree_differences(self.on_server(target), expected), ["DOCS/ten.txt"])

    def test_a_server_gone_for_good_fails_the_rest_at_once(self):
        server = self.serve(drop_after=1024 * 1024, gone_after_drop=True)
        result = self.recover(server, "--to", "/out", "--path", "/BIG", expect_status=1)
        self.assertIn("/out/BIG/big.bin: could not be written: after", result.stdout)
        self.assertIn("could not be made again", result.stdout)
        self.assertIn("/out/BIG/later.txt: cannot be created: the connection to the server broke", result.stdout)


class FtpStallTest(FtpTestCase):
    """A server that stops reading an upload: the file fails after the timeout of 15 seconds, and
    Ctrl-C ends the run at once."""

    layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", file("/HUGE/huge.bin", size=40 * 1024 * 1024),
                                                          file("/HUGE/next.txt", "after the stall"))),
                                       sizeSectors=100000),
                             partition(sizeSectors=2048))]}

    def start(self, server):
        """The recovery onto the server, running."""
        env = dict(os.environ, KESTREL_NSS_LOG=self.log, KESTREL_NSS_DISKS=self.images[0],
                   KESTREL_NSS_FTP_PASSWORD=server.password)
        return subprocess.Popen([CLI, "recover", *VOLUME, "--ftp", server.address, "--ftp-user", server.user,
                                 "--to", "/out"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)

    def test_a_stalled_upload_fails_its_file_and_the_run_goes_on(self):
        run = self.start(self.serve(stall_after=1024 * 1024))
        try:
            out, err = run.communicate(timeout=60)
        finally:
            run.kill()
        self.outputs += [out, err]
        self.assertEqual(run.returncode, 1)
        self.assertIn("/out/HUGE/huge.bin: could not be written: after", out)
        self.assertIn("the server took no data for 15 seconds", out)
        self.assertNotIn("Recovered Successfully", out)
        self.assertEqual(self.read_on_server("out", "HUGE", "next.txt"), b"after the stall")

    def test_ctrl_c_ends_a_stalled_upload_within_a_second(self):
        run = self.start(self.serve(stall_after=1024 * 1024))
        self.addCleanup(run.kill)
        deadline = time.monotonic() + 30
        while largest_file(self.on_server("out", "HUGE")) <= 1024 * 1024:  # under its staging name
            self.assertLess(time.monotonic(), deadline, "the upload never started")
            time.sleep(0.1)
        time.sleep(2)  # well into the stall
        run.send_signal(signal.SIGINT)
        stopped = time.monotonic()
        out, err = run.communicate(timeout=60)
        self.outputs += [out, err]
        self.assertLess(time.monotonic() - stopped, 1.5)
        self.assertEqual(run.returncode, 1)
        self.assertIn("stopped", err)
        self.assertNotIn("Recovered Successfully", out)
        self.assertGreater(os.path.getsize(self.on_server("out", "HUGE", "huge.bin")), 1024 * 1024,
                           "a stopped file stays as far as it got, under its own name")


class FtpPasswordPromptTest(ImageTestCase):
    def test_ctrl_c_at_the_password_prompt_gives_the_terminal_its_echo_back(self):
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1"))), partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout)
        master, terminal = pty.openpty()
        self.addCleanup(os.close, master)
        self.addCleanup(os.close, terminal)
        env = {key: value for key, value in os.environ.items() if key != "KESTREL_NSS_FTP_PASSWORD"}
        env.update(HOME=self.dir, KESTREL_NSS_LOG=self.log, KESTREL_NSS_DISKS=images[0])

        def controlling_terminal():
            os.setsid()
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)

        run = subprocess.Popen([CLI, "recover", "--disk", "0", "--ftp", f"127.0.0.1:{free_port()}",
                                "--ftp-user", "someone", "--to", "/out"], stdin=terminal, stdout=terminal,
                               stderr=terminal, env=env, preexec_fn=controlling_terminal)
        said = b""
        deadline = time.monotonic() + 20
        while b"FTP password for someone@127.0.0.1" not in said:
            self.assertLess(time.monotonic(), deadline, said)
            if select.select([master], [], [], 0.5)[0]:
                said += os.read(master, 1024)
        self.assertFalse(termios.tcgetattr(terminal)[3] & termios.ECHO, "the prompt turns echo off")
        os.write(master, b"\x03")
        self.assertEqual(run.wait(timeout=20), -signal.SIGINT)
        self.assertTrue(termios.tcgetattr(terminal)[3] & termios.ECHO, "echo is on again")


class FtpsTest(FtpTestCase):
    def test_tls_is_used_when_offered_with_the_certificate_checked(self):
        certificate = make_certificate(self.dir)
        server = self.serve(tls_cert=certificate)
        refused = self.recover(server, "--to", "/out", expect_status=1)
        self.assertIn("Connection Failed: the server's certificate cannot be trusted", refused.stderr)
        self.assertEqual(os.listdir(self.home), [])
        trusted = self.recover(server, "--to", "/out", "--ftp-ca", certificate, "--path", "/DOCS")
        self.assertIn("Recovered Successfully", trusted.stdout)
        self.assertEqual(tree_differences(self.on_server("out", "DOCS"), self.path("disk.expect/DATA/VOL1/DOCS")), [])

    def test_tls_required_refuses_a_plain_server(self):
        server = self.serve()
        result = self.recover(server, "--to", "/out", "--ftp-tls", expect_status=1)
        self.assertIn("Connection Failed: the server offers no TLS, and TLS is required", result.stderr)
        self.assertEqual(os.listdir(self.home), [])


if __name__ == "__main__":
    unittest.main()
