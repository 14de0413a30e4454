# SPDX-License-Identifier: Apache-2.0
"""Debian's vsftpd for the tests: started on 127.0.0.1 on a free port with a configuration of the
test's own, for a local account made for the test and removed afterwards. Its home is chrooted,
so that "/" on the server is the account's home. vsftpd has no MLSD and hides dot files from LIST,
as it does for every user who installs it."""

import os
import shutil
import socket
import subprocess
import time
import uuid

from ftp_server import free_port

VSFTPD = "/usr/sbin/vsftpd"


def vsftpd_missing():
    """Why vsftpd cannot run here, or None."""
    if not os.path.exists(VSFTPD):
        return "SKIPPED: vsftpd is not installed"
    if os.geteuid() != 0:
        return "SKIPPED: vsftpd and a test account need root"
    for tool in ("useradd", "userdel", "chpasswd"):
        if not shutil.which(tool):
            return f"SKIPPED: {tool} is not installed"
    return None


class Vsftpd:
    """The server and its account; a context manager that stops the one and removes the other."""

    def __init__(self, folder, tls_cert=None):
        self.user = "kns" + uuid.uuid4().hex[:12]
        self.password = "Vs-" + uuid.uuid4().hex
        self.home = os.path.join(folder, "vsftpd-home")
        os.makedirs(self.home)
        os.chmod(folder, 0o755)  # the account reaches its home
        self._run(["useradd", "--no-create-home", "--home-dir", self.home, "--shell", "/bin/sh", self.user])
        self.process = None
        try:
            self._run(["chpasswd"], input=f"{self.user}:{self.password}\n")
            shutil.chown(self.home, self.user, self.user)
            self.port = free_port()
            self.address = f"127.0.0.1:{self.port}"
            self.process = subprocess.Popen([VSFTPD, self._configuration(folder, tls_cert)],
                                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            self._wait_for_port()
        except Exception:
            self.stop()
            raise

    @staticmethod
    def _run(command, input=None):
        result = subprocess.run(command, input=input, capture_output=True, text=True)
        if result.returncode != 0:
            raise RuntimeError(f"{command[0]}: {result.stderr.strip()}")

    def _configuration(self, folder, tls_cert):
        empty = os.path.join(folder, "vsftpd-empty")
        os.makedirs(empty)
        passive = free_port()
        settings = {
            "listen": "YES", "listen_ipv6": "NO", "listen_address": "127.0.0.1", "listen_port": self.port,
            "background": "NO", "anonymous_enable": "NO", "local_enable": "YES", "write_enable": "YES",
            "local_umask": "022", "chroot_local_user": "YES", "allow_writeable_chroot": "YES",
            "secure_chroot_dir": empty, "pam_service_name": "vsftpd", "seccomp_sandbox": "NO",
            "connect_from_port_20": "NO", "port_enable": "YES", "pasv_enable": "YES",
            "pasv_address": "127.0.0.1", "pasv_min_port": passive, "pasv_max_port": passive,
            "userlist_enable": "NO", "xferlog_enable": "NO", "vsftpd_log_file": os.path.join(folder, "vsftpd.log"),
        }
        if tls_cert:
            settings.update({"ssl_enable": "YES", "rsa_cert_file": tls_cert, "rsa_private_key_file": tls_cert,
                             "allow_anon_ssl": "NO", "force_local_logins_ssl": "YES",
                             "force_local_data_ssl": "YES", "require_ssl_reuse": "NO", "ssl_ciphers": "HIGH"})
        path = os.path.join(folder, "vsftpd.conf")
        with open(path, "w") as configuration:
            configuration.writelines(f"{key}={value}\n" for key, value in settings.items())
        return path

    def _wait_for_port(self):
        deadline = time.monotonic() + 10
        while True:
            if self.process.poll() is not None:
                raise RuntimeError("vsftpd did not start: " + self.process.stderr.read().strip())
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                    return
            except OSError:
                if time.monotonic() > deadline:
                    raise RuntimeError("vsftpd did not listen within 10 seconds")
                time.sleep(0.05)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=10)
        if self.process:
            self.process.stderr.close()
        # vsftpd's session processes may still run as the account for a moment.
        subprocess.run(["pkill", "-KILL", "-u", self.user], capture_output=True)
        subprocess.run(["userdel", self.user], capture_output=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
