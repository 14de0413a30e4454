# SPDX-License-Identifier: Apache-2.0
"""A disk the user may not read: the desktop program opens it through udisks2 as polkit allows,
and the command line says who may read it. The test starts a system bus, polkit and udisks2 of its
own (and udev, when none runs), puts the demo disk on a loop device, lets polkit allow the user
nobody and no one else, and runs the desktop program's suite tst_DiskBroker as nobody and as daemon.
Where this cannot be set up (not root, no loop device, a program missing) it is SKIPPED."""

import contextlib
import os
import pwd
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import CLI, MKIMAGE

SUITE = os.environ.get("KESTREL_DISK_BROKER_TEST", "")
POLKITD = "/usr/lib/polkit-1/polkitd"
UDISKSD = "/usr/libexec/udisks2/udisksd"
UDEVD = "/lib/systemd/systemd-udevd"
RULES = "/etc/polkit-1/rules.d/10-kestrel-nss-test.rules"

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
"""

# polkit lets nobody open disks through udisks2; every other user is refused.
RULE = """polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.freedesktop.udisks2.open-device") == 0 && subject.user == "nobody")
    return polkit.Result.YES;
});
"""


def missing_requirement():
    if os.geteuid() != 0:
        return "not root: the test starts a system bus, udisks2 and a loop device"
    if not SUITE or not os.path.exists(SUITE):
        return "tst_DiskBroker is not built (the desktop program needs Qt 6)"
    for program in [POLKITD, UDISKSD, UDEVD]:
        if not os.path.exists(program):
            return program + " is not installed (scripts/install-deps installs udisks2)"
    for program in ["dbus-daemon", "losetup", "setpriv", "udevadm", "gdbus"]:
        if not shutil.which(program):
            return program + " is not installed"
    if os.path.exists(RULES):
        return RULES + " exists: another run of this test is going on"
    return None


def as_user(user, group, command, env):
    return subprocess.run(["setpriv", f"--reuid={user}", f"--regid={group}", "--clear-groups",
                           "env", *[f"{key}={value}" for key, value in env.items()], *command],
                          capture_output=True, text=True, timeout=300)


class DiskThroughUdisks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        reason = missing_requirement()
        if reason:
            raise unittest.SkipTest("SKIPPED: " + reason)
        cls.stack = contextlib.ExitStack()
        try:
            cls.set_up()
        except BaseException:
            cls.stack.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.stack.close()

    @classmethod
    def set_up(cls):
        cls.folder = cls.stack.enter_context(tempfile.TemporaryDirectory())
        os.chmod(cls.folder, 0o755)
        cls.image = os.path.join(cls.folder, "disk0.img")
        subprocess.run([MKIMAGE, "--layout", "demo", "--out", cls.image,
                        "--out", os.path.join(cls.folder, "disk1.img")], check=True,
                       capture_output=True)
        os.chmod(cls.image, 0o644)
        attached = subprocess.run(["losetup", "-f", "--show", "-r", cls.image],
                                  capture_output=True, text=True)
        if attached.returncode != 0:
            raise unittest.SkipTest("SKIPPED: no loop device: " + attached.stderr.strip())
        cls.device = attached.stdout.strip()
        cls.stack.callback(subprocess.run, ["losetup", "-d", cls.device], capture_output=True)
        os.chown(cls.device, 0, 6)  # root:disk, mode 660, as udev leaves a disk
        os.chmod(cls.device, 0o660)
        cls.start_udev()
        cls.bus = cls.start_bus()
        with open(RULES, "w") as rules:
            rules.write(RULE)
        cls.stack.callback(os.remove, RULES)
        cls.start_daemon([POLKITD, "--no-debug"])
        cls.start_daemon([UDISKSD])
        cls.wait_for_udisks()

    @classmethod
    def start_udev(cls):
        """udisks2 lists only the devices udev has seen; a container often runs no udev."""
        if not cls.udev_answers():
            udevd = subprocess.Popen([UDEVD], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            cls.stack.callback(cls.stop, udevd)
            for _ in range(100):
                if cls.udev_answers():
                    break
                time.sleep(0.1)
        name = os.path.basename(cls.device)
        subprocess.run(["udevadm", "trigger", "--action=add", f"--sysname-match={name}"],
                       check=True)
        subprocess.run(["udevadm", "settle", "--timeout=20"], check=True)

    @staticmethod
    def udev_answers():
        return subprocess.run(["udevadm", "control", "--ping", "--timeout=2"],
                              capture_output=True).returncode == 0

    @classmethod
    def start_bus(cls):
        config = os.path.join(cls.folder, "bus.conf")
        socket = os.path.join(cls.folder, "system_bus_socket")
        with open(config, "w") as file:
            file.write(BUS_CONFIG.format(socket=socket))
        cls.start_daemon(["dbus-daemon", "--nofork", "--config-file=" + config])
        for _ in range(100):
            if os.path.exists(socket):
                break
            time.sleep(0.1)
        return "unix:path=" + socket

    @classmethod
    def start_daemon(cls, command):
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=getattr(cls, "bus", ""))
        log = open(os.path.join(cls.folder, os.path.basename(command[0]) + ".log"), "w")
        cls.stack.callback(log.close)
        daemon = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT)
        cls.stack.callback(cls.stop, daemon)

    @staticmethod
    def stop(process):
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

    @classmethod
    def wait_for_udisks(cls):
        call = ["gdbus", "call", "--system", "--dest", "org.freedesktop.UDisks2", "--object-path",
                "/org/freedesktop/UDisks2/Manager", "--method",
                "org.freedesktop.UDisks2.Manager.ResolveDevice", f"{{'path': <'{cls.device}'>}}",
                "{}"]
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=cls.bus)
        for _ in range(100):
            found = subprocess.run(call, env=env, capture_output=True, text=True)
            if "block_devices" in found.stdout:
                return
            time.sleep(0.2)
        raise unittest.SkipTest("SKIPPED: udisks2 did not list the loop device: " +
                                found.stdout + found.stderr)

    def run_suite(self, user, group, expect):
        home = os.path.join(self.folder, "home-" + user)  # the user's own, for Qt's settings
        os.mkdir(home, 0o700)
        os.chown(home, pwd.getpwnam(user).pw_uid, -1)
        log = os.path.join(home, "KestrelNSSLogReport.txt")
        env = {"DBUS_SYSTEM_BUS_ADDRESS": self.bus, "KESTREL_NSS_DISKS": self.device,
               "KESTREL_NSS_LOG": log, "KESTREL_BROKER_EXPECT": expect,
               "KESTREL_BROKER_IMAGE": self.image, "QT_QPA_PLATFORM": "offscreen",
               "HOME": home, "XDG_RUNTIME_DIR": home}
        for name in ["ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "PATH"]:
            if name in os.environ:
                env[name] = os.environ[name]
        return as_user(user, group, [SUITE], env)

    def test_a_user_polkit_allows_sees_the_disk_udisks_opened(self):
        result = self.run_suite("nobody", "nogroup", "opens")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("PASS   : kestrel::guitest::DiskBrokerTest::"
                      "theMediaPageListsTheDiskThatUdisksOpened()", result.stdout)
        self.assertIn("PASS   : kestrel::guitest::DiskBrokerTest::"
                      "withoutTheBrokerTheRefusalSaysWhoMayReadTheDevice()", result.stdout)

    def test_a_user_polkit_refuses_is_told_why(self):
        result = self.run_suite("daemon", "daemon", "refused")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("PASS   : kestrel::guitest::DiskBrokerTest::aRefusalOfPolkitIsSaid()",
                      result.stdout)

    def test_the_command_line_never_asks_udisks_and_says_who_may_read_the_disk(self):
        env = {"DBUS_SYSTEM_BUS_ADDRESS": self.bus, "KESTREL_NSS_DISKS": self.device,
               "KESTREL_NSS_LOG": "/dev/null", "PATH": os.environ["PATH"]}
        for name in ["ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"]:
            if name in os.environ:
                env[name] = os.environ[name]
        result = as_user("nobody", "nogroup", [CLI, "disks"], env)
        self.assertIn(f'{self.device}: permission denied (run as root, or join the group "disk", '
                      "which may read the device)", result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main()
