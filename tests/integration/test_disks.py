# SPDX-License-Identifier: Apache-2.0
"""Media discovery through `kestrel-nss-cli disks` and `drives` on disks that mkimage builds."""

import errno
import json
import os
import stat
import subprocess
import unittest

from harness import CLI, ImageTestCase, disk, file, partition, pool, volume


def volumes_of(listing):
    return {p["name"]: [v["name"] for v in p["volumes"]] for d in listing for p in d["pools"]}


class DisksTest(ImageTestCase):
    def test_lists_exactly_what_the_layout_put_on_the_disks(self):
        layout = {"disks": [
            disk(bootSignature=False, sizeMiB=2),
            disk(partition(pool("DATA", volume("VOL1"), volume(["US", "ERS"]), volume(["A", "B", "C"]))),
                 partition(pool("ARCHIVE", volume("BACKUP", recordKind=2), volume("GONE", deleted=True)),
                           sizeSectors=40960),
                 partition(sizeSectors=2048)),
        ]}
        images, manifest = self.mkimage(layout)
        listing = self.cli_json("disks", disks=images)
        self.assertEqual([d["disk"] for d in listing], [0, 1])
        self.assertFalse(listing[0]["netware"])
        self.assertEqual(listing[0]["pools"], [])
        self.assertEqual(listing[1]["path"], "\\\\.\\PhysicalDrive1")
        self.assertEqual(listing[1]["device"], images[1], "the image or device it stands for, beside it")
        self.assertEqual(volumes_of(listing), {"DATA": ["VOL1", "USERS", "ABC"], "ARCHIVE": ["BACKUP"]})
        expected = manifest["disks"][1]["partitions"]
        for found, made in zip(listing[1]["pools"], expected):
            self.assertEqual(found["start"], made["headerSector"] * 512)
            self.assertEqual(found["link"], made["link"])
            made_volumes = [v for v in made["pool"]["volumes"] if not v["deleted"]]
            self.assertEqual([v["rootBlock"] for v in found["volumes"]], [v["rootBlock"] for v in made_volumes])
        log = self.log_text()
        self.assertEqual(log.count("\nReading Netware partitions in disk"), 1)
        self.assertIn("\nCompleted Reading the Netware Partitions and Pools in Disks.", log)
        self.assertIn("\nStarted Kestrel Varnoak Novell (NSS) on", log)
        self.assertIn("\nClosed Kestrel Varnoak NSS successfullly on", log)
        self.assertIn(images[1], self.cli("disks", disks=images).stdout)

    def test_chains_of_partition_headers(self):
        layout = {"disks": [
            disk(partition(pool("FIRST", volume("V1"))), partition(pool("SECOND", volume("V2"))),
                 partition(pool("LAST", volume("V3")))),
            disk(partition(pool("ALONE", volume("V4")))),
        ]}
        images, _ = self.mkimage(layout)
        listing = self.cli_json("disks", disks=images)
        self.assertEqual([p["name"] for p in listing[0]["pools"]], ["FIRST", "SECOND"],
                         "the last header of a chain is not examined for a pool")
        self.assertEqual(listing[1]["pools"], [], "a first header with link 0 shows no pool")

    def test_damaged_disks(self):
        layout = {"disks": [
            disk(partition(pool("NOSPB", volume("V"), superBlock=False)), partition(pool("OK", volume("W"))),
                 partition(sizeSectors=2048)),
            disk(partition(pool("ZEROED", volume("V"))), partition(sizeSectors=2048), damage={"zeroBootSector": True}),
            disk(partition(pool("BROKEN", volume("V")), link=0x7FFFFFF0), partition(sizeSectors=2048)),
            disk(partition(pool("CUT", volume("V"))), partition(sizeSectors=2048), damage={"truncateBytes": 1 << 20}),
        ]}
        images, _ = self.mkimage(layout)
        result = self.cli("disks", "--json", disks=images, expect_status=1)
        listing = json.loads(result.stdout)
        for cut in ("Disk2", "Disk3"):
            self.assertIn(f"{cut}: 1 sectors could not be read: what they hold is missing; the scan is incomplete",
                          result.stderr, "a chain that leads past the end may have lost pools")
        self.assertEqual(volumes_of([listing[0]]), {"OK": ["W"]}, "no \"SPB5\": no pool")
        self.assertFalse(listing[1]["netware"])
        self.assertEqual(volumes_of([listing[2]]), {"BROKEN": ["V"]}, "a link past the end ends the chain")
        self.assertEqual(listing[3]["pools"], [], "a truncated image ends cleanly")

    def test_missing_disk_ends_discovery_but_not_the_drive_list(self):
        images, _ = self.mkimage({"disks": [disk(partition(pool("P", volume("V")))) for _ in range(3)]})
        disks = [images[0], images[1], "", images[2]]
        self.assertEqual([d["disk"] for d in self.cli_json("disks", disks=disks)], [0, 1])
        drives = self.cli_json("drives", disks=disks)
        self.assertEqual([d["disk"] for d in drives], [0, 1, 3])
        self.assertEqual(drives[2]["drive"], 0x83)
        self.assertEqual(drives[2]["sectors"], os.path.getsize(images[2]) // 512)
        self.assertTrue(all(d["kind"] == "fixed" for d in drives))

    def test_image_files_as_sources(self):
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1"))), partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout)
        self.assertEqual(volumes_of(self.cli_json("disks", "--image", images[0])), {"DATA": ["VOL1"]})
        pool_images, _ = self.mkimage(layout, name="pool", pool_image="DATA")
        listing = self.cli_json("disks", "--image", pool_images[0])
        self.assertEqual(volumes_of(listing), {"DATA": ["VOL1"]})
        self.assertEqual(listing[0]["pools"][0]["start"], 0, "a pool image is its own pool, read from offset 0")

    def test_output_that_cannot_be_written_fails_the_command(self):
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1", file("/a.txt", "a")))), partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout)
        environment = dict(os.environ, KESTREL_NSS_LOG=self.log, KESTREL_NSS_DISKS=images[0])
        for command in (["disks"], ["disks", "--json"], ["disk-scan", "--disk", "0"], ["ls", "--disk", "0", "--json"],
                        ["find", "--disk", "0", "*"]):
            with open("/dev/full", "w") as full:
                result = subprocess.run([CLI, *command], stdout=full, stderr=subprocess.PIPE, text=True,
                                        env=environment)
            self.assertEqual(result.returncode, 1, command)
            self.assertIn("standard output could not be written", result.stderr, command)

    def test_a_path_that_is_not_utf8_is_listed_with_a_replacement_character(self):
        layout = {"disks": [disk(partition(pool("DATA", volume("VOL1"))), partition(sizeSectors=2048))]}
        images, _ = self.mkimage(layout)
        latin1 = os.path.join(os.fsencode(self.dir), b"caf\xe9.img")
        os.link(images[0], latin1)
        environment = dict(os.environ, KESTREL_NSS_LOG=self.log)
        environment = {os.fsencode(k): os.fsencode(v) for k, v in environment.items()}
        environment[b"KESTREL_NSS_DISKS"] = latin1
        for command in ([b"disks", b"--json"], [b"disks", b"--image", latin1, b"--json"]):
            result = subprocess.run([os.fsencode(CLI), *command], capture_output=True, env=environment)
            self.assertEqual(result.returncode, 0, result.stderr)
            listing = json.loads(result.stdout.decode("utf-8"))
            self.assertTrue(listing[0]["device"].endswith("caf\ufffd.img"), listing[0]["device"])

    def test_bad_command_lines_and_missing_files(self):
        self.assertEqual(self.cli("frobnicate", expect_status=2).returncode, 2)
        result = self.cli("disks", "--image", self.path("absent.img"), expect_status=1)
        self.assertIn("absent.img", result.stderr)

    def test_without_a_command_the_commands_are_listed_as_help_lists_them(self):
        result = self.cli(expect_status=2)
        listed = self.cli("--help").stdout
        commands = listed[listed.index("Subcommands:"):]
        self.assertRegex(commands, r"\n\s+disks\s+\S")
        self.assertIn(commands, result.stderr)
        self.assertTrue(result.stderr.endswith("kestrel-nss-cli: a command is required\n"), result.stderr)
        self.assertEqual(result.stdout, "")

    def test_root_whom_the_device_policy_refuses_is_told_so(self):
        refused = self.disk_node_the_system_refuses_root()
        if not refused:
            self.skipTest("SKIPPED: not root, or the system lets root read its disks")
        node, error = refused
        result = self.cli("disks", disks=[node], expect_status=None)
        said = result.stdout + result.stderr
        self.assertIn(f"{node}: refused even to root by the system's device policy ({os.strerror(error)})",
                      said)
        self.assertNotIn("run as root", said)

    def disk_node_the_system_refuses_root(self):
        """A node in the test's folder of a whole disk of the machine that root may not open (as in a
        container whose device policy leaves the disks out), with the error; None when there is none."""
        if os.geteuid() != 0:
            return None
        for name in sorted(os.listdir("/sys/block")):
            if name.startswith(("loop", "ram", "zram")):
                continue
            with open(f"/sys/block/{name}/dev") as numbers:
                major, minor = map(int, numbers.read().split(":"))
            node = self.path(name)
            try:
                os.mknod(node, 0o400 | stat.S_IFBLK, os.makedev(major, minor))
                os.close(os.open(node, os.O_RDONLY))
            except OSError as error:
                if error.errno in (errno.EPERM, errno.EACCES) and os.path.exists(node):
                    return node, error.errno
        return None


if __name__ == "__main__":
    unittest.main()
