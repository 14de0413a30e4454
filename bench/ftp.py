#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Recovery onto an FTP server: how close does it come to curl uploading the same files?

Builds a volume of files of mixed sizes (1 KiB to 100 MiB, several extents each; 256 MiB, or the
size in MiB given as the first argument or in BENCH_SIZE_MIB, 1024 for the full benchmark) and a
volume of 10,000 files of 1 KiB with kestrel-nss-mkimage, starts pyftpdlib on 127.0.0.1 with its
home folder in BENCH_OUT (default /dev/shm), and in the same run
  - recovers each volume onto the server with `kestrel-nss-cli recover --ftp` (active mode, its
    default), and
  - uploads the same files (as mkimage wrote them out) with one `curl -T` run per volume, one
    connection for all its files, in active mode too (`--ftp-port -`).
Each contender runs several times, alternating, after the server's folder is emptied; the best
time of each counts. Targets: at least 0.9 of curl's throughput for the mixed sizes, at most 2
times curl's time for the small files."""

import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "integration"))

from common import CLI, MKIMAGE, MiB, Comparison, best_of, print_table, size_argument  # noqa: E402
from ftp_server import FtpServer, pyftpdlib_missing  # noqa: E402
import recovery  # noqa: E402

SMALL_FILES = 10000
MIXED_TARGET = 0.9
SMALL_TARGET = 2.0


def small_layout():
    entries = [{"path": f"/SMALL/f{index:05d}.dat", "size": 1024} for index in range(SMALL_FILES)]
    pool = {"name": "BENCH", "volumes": [{"names": ["DATA"], "entries": entries}]}
    return {"disks": [{"partitions": [{"pool": pool}, {"sizeSectors": 2048}]}]}


def build(folder, name, layout):
    """The image and the folder of the files it holds, as mkimage writes them out."""
    import json
    import subprocess
    layout_path = os.path.join(folder, name + ".json")
    with open(layout_path, "w") as file:
        json.dump(layout, file)
    image, expect = os.path.join(folder, name + ".img"), os.path.join(folder, name + ".expect")
    subprocess.run([MKIMAGE, "--layout", layout_path, "--out", image, "--expect", expect], check=True,
                   stdout=subprocess.DEVNULL)
    return image, os.path.join(expect, "BENCH", "DATA")


def curl_config(folder, name, files_root, server):
    """A curl config that uploads every file under files_root into /curl on the server; the
    password stays out of the command line."""
    config = os.path.join(folder, name + ".curl")
    with open(config, "w") as out:
        out.write(f'user = "{server.user}:{server.password}"\nftp-port = "-"\nftp-create-dirs\nsilent\nshow-error\n')
        for folder_path, _, names in sorted(os.walk(files_root)):
            relative = os.path.relpath(folder_path, files_root)
            for file_name in sorted(names):
                remote = "/".join(part for part in ("curl", relative, file_name) if part != ".")
                out.write(f'upload-file = "{os.path.join(folder_path, file_name)}"\n'
                          f'url = "ftp://{server.address}/{remote}"\n')
    return config


def measure(folder, home, server, name, layout, rounds):
    image, files_root = build(folder, name, layout)
    total = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(files_root) for f in fs)
    env = dict(os.environ, KESTREL_NSS_LOG=os.devnull, KESTREL_NSS_FTP_PASSWORD=server.password)
    contenders = {
        "recover --ftp": ([CLI, "recover", "--image", image, "--ftp", server.address, "--ftp-user", server.user,
                           "--to", "/recover"], env),
        "curl -T": (["curl", "-K", curl_config(folder, name, files_root, server)], None),
    }

    def empty_server():
        for entry in os.listdir(home):
            shutil.rmtree(os.path.join(home, entry))

    best = best_of(rounds, contenders, empty_server)
    empty_server()
    return best, total


def main():
    missing = pyftpdlib_missing()
    if missing:
        print(missing)
        return 0
    size = size_argument(256 * MiB)
    with tempfile.TemporaryDirectory(prefix="kestrel-bench-", dir=os.environ.get("BENCH_DIR", "/var/tmp")) as folder, \
            tempfile.TemporaryDirectory(prefix="kestrel-ftp-", dir=os.environ.get("BENCH_OUT", "/dev/shm")) as home, \
            FtpServer(home) as server:
        mixed, mixed_bytes = measure(folder, home, server, "mixed", recovery.layout(size), rounds=3)
        small, small_bytes = measure(folder, home, server, "small", small_layout(), rounds=3)
    comparisons = [
        Comparison("ftp mixed", "warm", "recover --ftp", mixed["recover --ftp"][0], "curl -T", mixed["curl -T"][0],
                   mixed_bytes, MIXED_TARGET, higher=True),
        Comparison("ftp small", "warm", "recover --ftp", small["recover --ftp"][0], "curl -T", small["curl -T"][0],
                   small_bytes, SMALL_TARGET, higher=False),
    ]
    met = print_table(comparisons)
    print(f"mixed: {mixed_bytes / MiB:.0f} MiB in {sum(c for c, _, _ in recovery.files(size))} files; "
          f"small: {SMALL_FILES} files of 1 KiB")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
