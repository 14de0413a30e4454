# SPDX-License-Identifier: Apache-2.0
"""Recovery onto vsftpd, Debian's most used FTP daemon, as a new user would set it up: a local
account, chrooted, in passive and active mode and over TLS. vsftpd has no MLSD and its LIST hides
dot files, so what is already on the server must be found without them."""

import os
import shutil
import unittest

from ftp_server import make_certificate
from harness import ImageTestCase, disk, file, folder, partition, pool, volume
from test_ftp import tree_differences
from vsftpd_server import Vsftpd, vsftpd_missing

ENTRIES = [
    folder("/DOCS"),
    file("/DOCS/three-extents.xls", size=3 * 4096 + 1234, extents=3),
    file("/DOCS/ten.txt", "0123456789"),
    file("/BIG/big.bin", size=2 * 1024 * 1024),
    file("/WEB/.htaccess", "recovered htaccess"),
    file("/WEB/index.html", "<p>recovered</p>"),
]
VOLUME = ["--disk", "0", "--pool", "DATA", "--volume", "VOL1"]


class VsftpdTest(ImageTestCase):
    def setUp(self):
        super().setUp()
        missing = vsftpd_missing()
        if missing:
            self.skipTest(missing)
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", *ENTRIES))), partition(sizeSectors=2048))]}
        self.images, _ = self.mkimage(layout, expect=True)
        self.expected = self.path("disk.expect/DATA/VOL1")

    def serve(self, **options):
        try:
            server = Vsftpd(self.dir, **options)
        except RuntimeError as error:
            self.skipTest(f"SKIPPED: vsftpd cannot start here: {error}")
        self.addCleanup(server.stop)
        return server

    def recover(self, server, *args, expect_status=0):
        env = dict(os.environ, KESTREL_NSS_FTP_PASSWORD=server.password)
        result = self.cli("recover", *VOLUME, "--ftp", server.address, "--ftp-user", server.user, *args,
                          disks=self.images, expect_status=expect_status, env=env)
        self.assertNotIn(server.password, result.stdout + result.stderr + self.log_text())
        return result

    def test_a_volume_arrives_byte_for_byte_in_either_mode_at_a_relative_or_absolute_folder(self):
        server = self.serve()
        for case, args, stored in (("passive, relative", ["--ftp-passive", "--to", "passive"], "passive"),
                                   ("active, relative", ["--to", "active"], "active"),
                                   ("passive, absolute in the chroot", ["--ftp-passive", "--to", "/abs/out"], "abs/out")):
            with self.subTest(case):
                result = self.recover(server, *args)
                self.assertIn("Recovered Successfully", result.stdout)
                self.assertEqual(tree_differences(os.path.join(server.home, stored), self.expected), [])

    def test_a_dot_file_already_on_the_server_is_kept(self):
        server = self.serve()
        web = os.path.join(server.home, "out", "WEB")
        os.makedirs(web)
        htaccess = os.path.join(web, ".htaccess")
        with open(htaccess, "w") as own:
            own.write("the server's own")
        for path in (os.path.join(server.home, "out"), web, htaccess):
            shutil.chown(path, server.user, server.user)
        skipped = self.recover(server, "--to", "out", "--path", "/WEB", "--on-conflict", "skip", "--ftp-passive")
        self.assertIn("Skipped, already at the destination: 1", skipped.stdout)
        renamed = self.recover(server, "--to", "out", "--path", "/WEB", "--ftp-passive", expect_status=0)
        self.assertIn("Recovered Successfully", renamed.stdout)
        with open(htaccess) as kept:
            self.assertEqual(kept.read(), "the server's own")
        with open(os.path.join(web, "Copy(1)_.htaccess")) as recovered:
            self.assertEqual(recovered.read(), "recovered htaccess")

    def test_tls_with_the_servers_own_certificate(self):
        certificate = make_certificate(self.dir)
        server = self.serve(tls_cert=certificate)
        refused = self.recover(server, "--to", "out", expect_status=1)
        self.assertIn("Connection Failed: the server's certificate cannot be trusted", refused.stderr)
        result = self.recover(server, "--to", "out", "--ftp-tls", "--ftp-ca", certificate, "--ftp-passive")
        self.assertIn("Recovered Successfully", result.stdout)
        self.assertEqual(tree_differences(os.path.join(server.home, "out"), self.expected), [])


if __name__ == "__main__":
    unittest.main()
