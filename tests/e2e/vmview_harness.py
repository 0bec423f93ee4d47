"""Starts vmview under Wine on the virtual screen and drives it through the
test driver program, which sends what a user's actions send."""
import os
import subprocess
import time
from pathlib import Path

from harness import VmsumTestCase, WINE_RUN, parse_bsd

VMVIEW = os.environ["VMVIEW_EXE"]
DRIVER = os.environ["VMVIEW_DRIVER"]
SCREENSHOTS = Path(os.environ["VM_SCREENSHOTS"])
KEY = r"HKCU\Software\Zentaro\Verimond"

IDC_MORE, IDC_STATUS, IDC_CHECK_BLAKE3, IDC_CHECK_SHA256, IDC_DETAILS = 1016, 1050, 1015, 1013, 1040
IDC_BANNER, IDC_EXPECTED, IDC_PASTE, IDC_VERDICT, IDC_CANCEL = 1020, 1031, 1032, 1033, 1052
ID_REMOVE, ID_CLEAR, ID_UPPERCASE, ID_SHOW_LEGACY = 40013, 40014, 40020, 40021
MORE_CRC32, MORE_MD2 = 41000, 41013
ANCHORED = [1001, 1016, 1021, 1031, 1032, 1040, 1041, 1042, 1043, 1050, 1053]
WINE_PREFIX = Path(WINE_RUN).parent / "wineprefix"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def wine(*args, check=True):
    """Runs a Windows command of the prefix (reg, regsvr32, cmd), each of which
    may be run again. Now and then Wine ends a process with 1 before it ran at
    all, saying nothing: such a run is tried again, at most three times in all."""
    for _ in range(3):
        run = subprocess.run([WINE_RUN, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        if run.returncode != 1 or run.stdout or run.stderr:
            break
    if check and run.returncode != 0:
        raise subprocess.CalledProcessError(run.returncode, run.args, run.stdout, run.stderr)
    return run


def registry_values(key):
    """{value name: data} of a registry key (the default value under ""); None when the key is absent."""
    run = wine("reg", "query", key, check=False)
    if run.returncode != 0:
        return None
    values = {}
    for line in run.stdout.decode("utf-8", "replace").splitlines():
        parts = line.strip().split("    ")
        if len(parts) == 3 and parts[1].startswith("REG_"):
            values["" if parts[0] == "(Default)" else parts[0]] = parts[2]
    return values


def send_to_shortcuts():
    return list(WINE_PREFIX.glob("drive_c/users/*/AppData/Roaming/Microsoft/Windows/SendTo/Verimond.lnk"))


class VmviewTestCase(VmsumTestCase):
    """Starts and drives one vmview window per test, with fresh settings."""

    def setUp(self):
        super().setUp()
        wine("reg", "delete", KEY, "/f", check=False)
        self.process = None

    def tearDown(self):
        if self.process and self.process.poll() is None:
            self.driver("close", check=False)
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
        super().tearDown()

    def start(self, *paths, program=VMVIEW):
        # A window that never showed because Wine ended the process before it
        # ran (see driver) gets one more start; one that is still running, or
        # a second failure, fails the test.
        for attempt in range(2):
            self.process = subprocess.Popen([WINE_RUN, str(program), *map(str, paths)], cwd=self.dir,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            found = subprocess.run([WINE_RUN, DRIVER, "find"], cwd=self.dir, capture_output=True, timeout=180)
            if found.returncode == 0:
                return
            if self.process.poll() is None:
                break
        self.driver("find")

    def driver(self, *args, check=True):
        for attempt in range(3):
            run = subprocess.run([WINE_RUN, DRIVER, *map(str, args)], cwd=self.dir, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=180)
            # Now and then Wine ends a process with 1 before it ran at all (nothing on
            # standard error): the driver's own failures always say why.
            if run.returncode != 1 or run.stderr or not check:
                break
            time.sleep(0.5)
        if check:
            self.assertEqual(run.returncode, 0, f"{args}: {run.stderr.decode()}")
        return run.stdout.decode("utf-8")

    def rows(self):
        return [line.split("\t") for line in self.driver("rows").splitlines()]

    def columns(self):
        return self.driver("columns").splitlines()

    def idle_rows(self):
        self.driver("wait-idle")
        return self.rows()

    def close(self):
        self.driver("close")
        self.assertEqual(self.process.wait(timeout=20), 0)

    def screenshot(self, name):
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)
        time.sleep(0.5)
        subprocess.run(["import", "-window", "root", str(SCREENSHOTS / name)], check=True, timeout=60)

    def vmsum_digests(self, path, algorithms="md5,sha1,sha256"):
        run = subprocess.run([WINE_RUN, os.environ["VMSUM_EXE"], "-a", algorithms, "--tag", str(path)],
                             stdout=subprocess.PIPE, check=True)
        return [value for _, _, value in parse_bsd(run.stdout)]
