"""Runs the real vmsum.exe under Wine and captures what it prints.

Each test case gets a fresh temporary folder under the build tree; vmsum runs
with that folder as its working directory. Standard output and standard error
come back as bytes, exactly as the program wrote them.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from dataclasses import dataclass
from pathlib import Path

VMSUM_EXE = os.environ["VMSUM_EXE"]
WINE_RUN = os.environ["WINE_RUN"]
TMP_ROOT = Path(os.environ.get("VM_TEST_TMP", tempfile.gettempdir()))

HINT = b'Run "vmsum --help" for the options.\r\n'


@dataclass
class Run:
    code: int
    out: bytes
    err: bytes


class VmsumTestCase(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        TMP_ROOT.mkdir(parents=True, exist_ok=True)
        self.dir = Path(tempfile.mkdtemp(prefix=type(self).__name__ + "-", dir=TMP_ROOT))

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def vmsum(self, *args, stdin=None, cwd=None):
        """Runs vmsum with these arguments; stdin is bytes to feed, or None for an empty input."""
        completed = subprocess.run(
            [WINE_RUN, VMSUM_EXE, *args],
            input=stdin if stdin is not None else b"",
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            cwd=cwd or self.dir,
            timeout=600,
        )
        return Run(completed.returncode, completed.stdout, completed.stderr)

    def write(self, name, data=b""):
        """Creates a file (and its folders) in the test folder; returns its path."""
        path = self.dir / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        return path

    def assertUsageError(self, run, message):
        self.assertEqual(run.code, 2)
        self.assertEqual(run.out, b"")
        self.assertEqual(run.err, b"vmsum: " + message.encode() + b"\r\n" + HINT)


def main():
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
