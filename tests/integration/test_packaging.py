# SPDX-License-Identifier: Apache-2.0
"""What a distribution installs beside the programs: the manual pages name every option the
programs' --help lists, --version answers, the shell completions offer the commands, options and
their values (bash's by running its completion functions, fish's through fish itself), and the
desktop entry and AppStream metainfo pass their validators."""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import CLI, MKIMAGE

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MAN = os.path.join(TOP, "docs", "man")
COMPLETION = os.path.join(TOP, "packaging", "completion")
LINUX = os.path.join(TOP, "packaging", "linux")
APP_ID = "org.kestrelvarnoak.KestrelNSS"

COMMANDS = ["disks", "drives", "ls", "recover", "cat", "find", "disk-scan", "save-scan", "image",
            "clone", "mount", "hexdump", "raid-detect", "report"]


def run(arguments, **kwargs):
    return subprocess.run(arguments, capture_output=True, text=True, **kwargs)


def help_options(program, *command):
    """The long options that --help lists, without --help itself."""
    listed = run([program, *command, "--help"]).stdout
    return sorted(set(re.findall(r"^\s+(?:-\w,)?(--[a-z][a-z0-9-]*)", listed, re.M)) - {"--help"})


def man_text(page):
    with open(os.path.join(MAN, page), encoding="utf-8") as file:
        return file.read().replace("\\-", "-")


class ManualPages(unittest.TestCase):
    def test_every_option_and_command_that_help_lists_is_on_the_page(self):
        page = man_text("kestrel-nss-cli.1")
        for command in [None, *COMMANDS]:
            with self.subTest(command=command):
                if command:
                    self.assertRegex(page, r"\b%s\b" % re.escape(command))
                for option in help_options(CLI, *([command] if command else [])):
                    self.assertIn(option, page, f"{command}: {option} is not on the page")
        page = man_text("kestrel-nss-mkimage.1")
        for command in [[], ["stripe"]]:
            for option in help_options(MKIMAGE, *command):
                self.assertIn(option, page, f"kestrel-nss-mkimage {command}: {option}")
        self.assertIn("--version", man_text("kestrel-nss.1"))

    def test_the_pages_format_without_a_warning(self):
        for page in ["kestrel-nss.1", "kestrel-nss-cli.1", "kestrel-nss-mkimage.1"]:
            with self.subTest(page=page):
                result = run(["man", "--warnings=all", "-l", os.path.join(MAN, page)],
                             env={**os.environ, "MANWIDTH": "80"})
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(result.stderr, "")

    def test_version_names_the_project_version(self):
        for program, name in [(CLI, "kestrel-nss-cli"), (MKIMAGE, "kestrel-nss-mkimage")]:
            result = run([program, "--version"])
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertRegex(result.stdout, r"^%s \d+\.\d+\.\d+( \(git [0-9a-z.-]+\))?\n$" % name)


BASH_HARNESS = r"""
source /usr/share/bash-completion/bash_completion
source "$COMPLETION/kestrel-nss-cli.bash"
compopt() { :; }  # only a completion that readline started may set its options
# Completes the line as readline would hand it over: the words split at blanks and at the
# word-break characters ":" and "=", the cursor at the end.
complete_line() {
  local line=$1 rest=$1
  COMP_LINE=$line COMP_POINT=${#line} COMP_WORDS=() COMPREPLY=()
  while [[ $rest =~ ^[[:space:]]*([^[:space:]:=]+|[:=]) ]]; do
    COMP_WORDS+=("${BASH_REMATCH[1]}")
    rest=${rest:${#BASH_REMATCH[0]}}
  done
  [[ $line =~ [[:space:]:=]$ ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  complete -p "${COMP_WORDS[0]}" >/dev/null
  local function=$(complete -p "${COMP_WORDS[0]}" | sed -E 's/.* -F ([^ ]+) .*/\1/')
  "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
  printf '%s\n' "${COMPREPLY[@]}"
}
complete_line "$1"
"""


@unittest.skipUnless(os.path.exists("/usr/share/bash-completion/bash_completion"),
                     "SKIPPED: bash-completion is not installed")
class BashCompletion(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.bin = os.path.join(cls.folder.name, "bin")
        os.mkdir(cls.bin)
        for program in [CLI, MKIMAGE]:
            os.symlink(os.path.abspath(program), os.path.join(cls.bin, os.path.basename(program)))
        cls.disks = [os.path.join(cls.folder.name, f"disk{n}.img") for n in range(2)]
        subprocess.run([MKIMAGE, "--layout", "demo", "--out", cls.disks[0], "--out",
                        cls.disks[1]], check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def complete(self, line):
        env = {**os.environ, "PATH": self.bin + ":" + os.environ["PATH"],
               "COMPLETION": COMPLETION, "KESTREL_NSS_DISKS": ":".join(self.disks),
               "KESTREL_NSS_LOG": os.path.join(self.folder.name, "log.txt")}
        result = run(["bash", "-c", BASH_HARNESS, "harness", line], env=env, cwd=self.folder.name)
        self.assertEqual(result.stderr, "", line)
        return sorted(filter(None, result.stdout.split("\n")))

    def test_commands_and_every_option_help_lists(self):
        self.assertEqual(self.complete("kestrel-nss-cli "), sorted(COMMANDS + ["--help"]))
        self.assertEqual(self.complete("kestrel-nss-cli re"), ["recover", "report"])
        for command in COMMANDS:
            with self.subTest(command=command):
                offered = self.complete(f"kestrel-nss-cli {command} --")
                self.assertEqual(sorted(set(help_options(CLI, command)) - set(offered)), [])
        self.assertIn("--leave-out", self.complete("kestrel-nss-mkimage stripe --"))
        self.assertEqual(self.complete("kestrel-nss-mkimage stripe --layout right-"),
                         ["right-asymmetric", "right-symmetric"])

    def test_option_values(self):
        self.assertEqual(self.complete("kestrel-nss-cli recover --on-conflict "),
                         ["overwrite", "rename", "skip"])
        self.assertEqual(self.complete("kestrel-nss-cli image --format "), ["e01", "raw"])
        self.assertEqual(self.complete("kestrel-nss-cli image --compression f"), ["fast"])
        self.assertEqual(self.complete("kestrel-nss-cli ls --disk "), ["0", "1"])

    def test_pools_and_volumes_come_from_the_source_on_the_line(self):
        image = self.disks[0]
        self.assertEqual(self.complete(f"kestrel-nss-cli ls --image {image} --pool "),
                         ["ARCHIVE", "DATA"])
        self.assertEqual(self.complete(f"kestrel-nss-cli ls --image {image} --pool DATA --volume "),
                         ["USERS", "VOL1"])
        self.assertEqual(self.complete(f"kestrel-nss-cli recover --disk 0 --volume B"), ["BACKUP"])
        self.assertEqual(self.complete(f"kestrel-nss-cli ls --disk 1 --pool "), [])

    def test_raid_sets_and_file_names(self):
        # readline keeps what comes before the last ":" or "=": the candidates are what follows.
        self.assertEqual(self.complete("kestrel-nss-cli ls --raid level=5,lay"), ["5,layout="])
        self.assertEqual(self.complete("kestrel-nss-cli ls --raid level=5,layout=left-s"),
                         ["left-symmetric"])
        self.assertEqual(self.complete("kestrel-nss-cli ls --raid au"), ["auto:"])
        self.assertEqual(self.complete("kestrel-nss-cli ls --raid auto:disk0.img,mis"),
                         ["disk0.img,missing"])
        self.assertEqual(self.complete("kestrel-nss-cli ls --image disk"),
                         ["disk0.img", "disk1.img"])
        self.assertEqual(self.complete("kestrel-nss-cli raid-detect disk1"), ["disk1.img"])


@unittest.skipUnless(shutil.which("fish"), "SKIPPED: fish is not installed")
class FishCompletion(unittest.TestCase):
    def test_commands_options_and_values(self):
        script = (f"source {COMPLETION}/kestrel-nss-cli.fish; "
                  f"source {COMPLETION}/kestrel-nss-mkimage.fish; "
                  "complete -C 'kestrel-nss-cli recover --on-conflict '; "
                  "complete -C 'kestrel-nss-cli image --'; "
                  "complete -C 'kestrel-nss-mkimage stripe --level '")
        result = run(["fish", "--no-config", "-c", script])
        self.assertEqual(result.stderr, "")
        offered = {line.split("\t")[0] for line in result.stdout.splitlines()}
        for expected in ["overwrite", "rename", "skip", "--format", "--segment-size", "span", "6"]:
            self.assertIn(expected, offered)


class OtherShellsAndTheDesktop(unittest.TestCase):
    @unittest.skipUnless(shutil.which("zsh"), "SKIPPED: zsh is not installed")
    def test_the_zsh_completion_parses(self):
        result = run(["zsh", "-n", os.path.join(COMPLETION, "_kestrel-nss-cli")])
        self.assertEqual((result.returncode, result.stderr), (0, ""))

    @unittest.skipUnless(shutil.which("desktop-file-validate"),
                         "SKIPPED: desktop-file-utils is not installed")
    def test_the_desktop_entry_is_valid(self):
        result = run(["desktop-file-validate", os.path.join(LINUX, APP_ID + ".desktop")])
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))

    @unittest.skipUnless(shutil.which("appstreamcli"), "SKIPPED: appstream is not installed")
    def test_the_metainfo_is_valid_and_shows_screenshots_that_exist(self):
        metainfo = os.path.join(LINUX, APP_ID + ".metainfo.xml")
        result = run(["appstreamcli", "validate", "--no-net", metainfo])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(metainfo, encoding="utf-8") as file:
            shots = re.findall(r"<image>[^<]*/screenshots/([^<]+)</image>", file.read())
        self.assertGreaterEqual(len(shots), 3)
        for shot in shots:
            self.assertTrue(os.path.exists(os.path.join(TOP, "docs", "screenshots", shot)), shot)


class LicenceHeaders(unittest.TestCase):
    SOURCE = re.compile(r"(\.(cpp|h|py|cmake|supp|sh|in)|/CMakeLists\.txt|^CMakeLists\.txt)$")

    def test_every_source_file_names_its_licence(self):
        """Each file of code, build rules and scripts carries an SPDX identifier in its first lines,
        so that a file copied out of the tree still says under which licence it came."""
        listed = run(["git", "-C", TOP, "ls-files"])
        if listed.returncode != 0:
            self.skipTest("SKIPPED: the tree is not a git checkout")
        missing = []
        for path in listed.stdout.split():
            full = os.path.join(TOP, path)
            with open(full, "rb") as file:
                head = file.read(400)
            if not (self.SOURCE.search(path) or head.startswith(b"#!")):
                continue
            if b"SPDX-License-Identifier: Apache-2.0" not in b"\n".join(head.split(b"\n")[:3]):
                missing.append(path)
        self.assertEqual(missing, [])


if __name__ == "__main__":
    unittest.main()
