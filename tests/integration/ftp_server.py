# SPDX-License-Identifier: Apache-2.0
"""A real FTP server for the tests: pyftpdlib on 127.0.0.1 on a free port, one user with a
password, a home folder in a temporary directory. Run as a process of its own, so that a test
can start it, stop it, or watch it go; the desktop program's tests start it the same way.

    /usr/bin/python3 ftp_server.py --home DIR [--user U] [--tls-cert PEM] [--tls-required]
                                   [--drop-after N [--gone-after-drop]] [--read-only FOLDER]...
                                   [--keep-short NAME] [--no-mlsd] [--no-rename] [--stall-after N]

The password comes from KESTREL_TEST_FTP_PASSWORD. The port is printed as the first line of
standard output once the server listens."""

import argparse
import os
import subprocess
import sys

PYTHON = "/usr/bin/python3"
HERE = os.path.dirname(os.path.abspath(__file__))


def pyftpdlib_missing():
    """Why the server cannot run here, or None."""
    probe = subprocess.run([PYTHON, "-c", "import pyftpdlib"], capture_output=True)
    return None if probe.returncode == 0 else "SKIPPED: /usr/bin/python3 lacks pyftpdlib (python3-pyftpdlib)"


class FtpServer:
    """The server as a child process; a context manager that stops it on leaving."""

    def __init__(self, home, user="kestrel", password="Pw-8c1d-never-shown", tls_cert=None,
                 tls_required=False, drop_after=None, gone_after_drop=False, read_only=(), keep_short=None,
                 no_mlsd=False, stall_after=None, no_rename=False):
        self.home, self.user, self.password = home, user, password
        command = [PYTHON, os.path.join(HERE, "ftp_server.py"), "--home", home, "--user", user]
        if tls_cert:
            command += ["--tls-cert", tls_cert]
        if tls_required:
            command.append("--tls-required")
        if drop_after is not None:
            command += ["--drop-after", str(drop_after)]
        if gone_after_drop:
            command.append("--gone-after-drop")
        for folder in read_only:
            command += ["--read-only", folder]
        if keep_short:
            command += ["--keep-short", keep_short]
        if no_mlsd:
            command.append("--no-mlsd")
        if no_rename:
            command.append("--no-rename")
        if stall_after is not None:
            command += ["--stall-after", str(stall_after)]
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                        env=dict(os.environ, KESTREL_TEST_FTP_PASSWORD=password))
        line = self.process.stdout.readline()
        if not line.strip().isdigit():
            self.stop()
            raise RuntimeError("the test FTP server did not start")
        self.port = int(line)
        self.address = f"127.0.0.1:{self.port}"

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=10)
        self.process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def free_port():
    """A port nothing listens on (it was free a moment ago)."""
    import socket
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def make_certificate(folder):
    """A self-signed certificate for 127.0.0.1 and its key in one PEM file, made now."""
    from OpenSSL import crypto
    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.get_subject().CN = "127.0.0.1"
    cert.set_serial_number(int.from_bytes(os.urandom(8), "big"))
    cert.gmtime_adj_notBefore(-60)
    cert.gmtime_adj_notAfter(24 * 3600)
    cert.set_issuer(cert.get_subject())
    cert.set_pubkey(key)
    cert.add_extensions([crypto.X509Extension(b"subjectAltName", False, b"IP:127.0.0.1"),
                         crypto.X509Extension(b"basicConstraints", True, b"CA:TRUE")])
    cert.sign(key, "sha256")
    path = os.path.join(folder, "server.pem")
    with open(path, "wb") as pem:
        pem.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
        pem.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
    return path


def serve(arguments):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler, TLS_DTPHandler, TLS_FTPHandler
    from pyftpdlib.servers import FTPServer

    authorizer = DummyAuthorizer()
    authorizer.add_user(arguments.user, os.environ["KESTREL_TEST_FTP_PASSWORD"], arguments.home,
                        perm="elradfmwMT")
    for folder in arguments.read_only:
        authorizer.override_perm(arguments.user, os.path.join(arguments.home, folder), "elr", recursive=True)

    control, data = (TLS_FTPHandler, TLS_DTPHandler) if arguments.tls_cert else (FTPHandler, DTPHandler)

    class Data(data):
        """Cuts the whole connection, once, when an upload has passed the given byte count; the
        server may then go away altogether. Or stops reading an upload past a byte count."""
        dropped = False

        def readable(self):
            # An upload past the given byte count is never read again: the server stalls.
            if arguments.stall_after is not None and self.tot_bytes_received > arguments.stall_after:
                return False
            # curl starts TLS on a data connection before it sends STOR, while pyftpdlib reads
            # nothing there until STOR (pyftpdlib issue 604): let the handshake be read.
            return getattr(self, "_ssl_accepting", False) or super().readable()

        def handle_read(self):
            super().handle_read()
            if arguments.drop_after is not None and not Data.dropped \
                    and self.tot_bytes_received > arguments.drop_after:
                Data.dropped = True
                self.cmd_channel.close()
                if arguments.gone_after_drop:
                    os._exit(0)

        if not arguments.tls_cert:
            handle_read_event = handle_read  # the plain handler binds it to its own handle_read

    refused = {"MLSD"} if arguments.no_mlsd else set()
    refused |= {"RNFR", "RNTO"} if arguments.no_rename else set()

    class Handler(control):
        """May lose the last byte of every file stored (or renamed) under one name, after confirming
        it whole, and may know no MLSD, or no renaming."""

        def on_file_received(self, path):
            self.keep_short(path)

        def ftp_RNTO(self, path):
            super().ftp_RNTO(path)
            self.keep_short(path)

        def keep_short(self, path):
            if os.path.basename(path) == arguments.keep_short and os.path.isfile(path):
                os.truncate(path, max(0, os.path.getsize(path) - 1))

        if refused:
            proto_cmds = {verb: help for verb, help in control.proto_cmds.items() if verb not in refused}

    Handler.authorizer = authorizer
    Handler.dtp_handler = Data
    Handler.permit_foreign_addresses = False
    if arguments.tls_cert:
        Handler.certfile = arguments.tls_cert
        Handler.tls_control_required = arguments.tls_required
        Handler.tls_data_required = arguments.tls_required
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--user", default="kestrel")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-required", action="store_true")
    parser.add_argument("--drop-after", type=int)
    parser.add_argument("--gone-after-drop", action="store_true")
    parser.add_argument("--read-only", action="append", default=[])
    parser.add_argument("--keep-short")
    parser.add_argument("--no-mlsd", action="store_true")
    parser.add_argument("--no-rename", action="store_true")
    parser.add_argument("--stall-after", type=int)
    import logging
    logging.basicConfig(level=logging.CRITICAL)
    sys.exit(serve(parser.parse_args()))
