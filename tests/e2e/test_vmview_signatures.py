"""vmview and who published a download: the signature of a verified list, the
list found beside one dropped file, trusting a key from the window, and the
Trusted Signing Keys dialog."""
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from harness import TMP_ROOT, main
from vmview_harness import IDC_BANNER, IDC_DETAILS, IDC_VERDICT, WINE_PREFIX, VmviewTestCase, windows_path

TRUST_BUTTON, CANCEL = 100, 2
ID_TRUSTED_KEYS, IDC_TK_LIST, IDC_TK_REMOVE = 40027, 1201, 1202
KEYS_DIALOG = "Trusted Signing Keys"
UID = "Verimond Release <release@example.org>"
EXPIRED_UID = "Verimond Old Release <old@example.org>"


def spaced(fpr):
    return " ".join(fpr[i:i + 4] for i in range(0, len(fpr), 4))


def store_folders():
    return list(WINE_PREFIX.glob("drive_c/users/*/AppData/Roaming/Verimond/Trusted Keys"))


class Signer:
    """Two throw-away keys made with gpg: a valid one, and one that expired in 2020."""

    def __init__(self, folder):
        self.home = folder / "gnupg"
        self.home.mkdir(mode=0o700)
        self.gpg("--quick-gen-key", UID, "ed25519", "sign", "never")
        self.gpg("--quick-gen-key", EXPIRED_UID, "ed25519", "sign", "1d", time="20200101T000000!")
        self.fpr = self.fingerprint(UID)
        self.expired_fpr = self.fingerprint(EXPIRED_UID)
        self.key = folder / "release-key.asc"
        self.key.write_bytes(self.gpg("--armor", "--export", self.fpr))
        self.expired_key = self.gpg("--armor", "--export", self.expired_fpr)

    def gpg(self, *args, time=None):
        faked = ["--faked-system-time", time] if time else []
        return subprocess.run(["gpg", "--homedir", str(self.home), "--batch", "--yes", "--pinentry-mode", "loopback",
                               "--passphrase", "", *faked, *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              check=True).stdout

    def fingerprint(self, uid):
        listing = self.gpg("--with-colons", "--fingerprint", "=" + uid).decode()
        return next(line.split(":")[9] for line in listing.splitlines() if line.startswith("fpr:"))

    def sign(self, path, fpr=None, time=None):
        self.gpg("--local-user", (fpr or self.fpr) + "!", "--detach-sign", "--output", str(path) + ".gpg", str(path),
                 time=time)

    def stop(self):
        subprocess.run(["gpgconf", "--homedir", str(self.home), "--kill", "all"], check=False)


SIGNER = None


def setUpModule():
    global SIGNER
    TMP_ROOT.mkdir(parents=True, exist_ok=True)
    SIGNER = Signer(Path(tempfile.mkdtemp(prefix="vmview-keys-", dir=TMP_ROOT)))


def tearDownModule():
    SIGNER.stop()
    shutil.rmtree(SIGNER.home.parent, ignore_errors=True)


class VmviewSignatures(VmviewTestCase):
    def setUp(self):
        super().setUp()
        self.forget_keys()

    def tearDown(self):
        super().tearDown()
        self.forget_keys()

    def forget_keys(self):
        for folder in store_folders():
            for fpr in [SIGNER.fpr, SIGNER.expired_fpr]:
                (folder / f"{fpr}.asc").unlink(missing_ok=True)

    def trust_with_vmsum(self):
        run = subprocess.run([os.environ["WINE_RUN"], os.environ["VMSUM_EXE"], "--trust-key", str(SIGNER.key)],
                             stdout=subprocess.PIPE, timeout=120)
        self.assertEqual(run.returncode, 0, run.stdout)

    def download(self, folder="dl"):
        """download.iso with a SHA256SUMS listing it, signed beside it."""
        (self.dir / folder).mkdir(exist_ok=True)
        self.write(f"{folder}/download.iso", os.urandom(200_000))
        sums = subprocess.run(["sha256sum", "download.iso"], cwd=self.dir / folder, stdout=subprocess.PIPE,
                              check=True).stdout
        self.write(f"{folder}/SHA256SUMS", b"0" * 64 + b"  other.iso\n" + sums)
        return self.dir / folder

    def assertVerdict(self, expected):
        """The verdict line comes to read expected: the search and the checks run on threads of their own."""
        for _ in range(40):
            self.driver("wait-idle")
            text = self.driver("text", IDC_VERDICT).strip()
            if text == expected:
                return
            time.sleep(0.25)
        self.assertEqual(text, expected)

    def test_one_drop_finds_the_signed_list_and_a_key_can_be_trusted_from_the_window(self):
        folder = self.download()
        SIGNER.sign(folder / "SHA256SUMS")
        self.start(folder / "download.iso")
        # Signed by a key nobody trusted yet: the notice says which key, and offers to trust a key file.
        self.assertVerdict("download.iso matches SHA256SUMS (line 2), but the list is signed by a key you don't "
                           "trust yet.")
        banner = self.driver("text", IDC_BANNER)
        self.assertIn(f"untrusted key ({spaced(SIGNER.fpr[-16:])})", banner)
        self.screenshot("vmview-signature-unknown-key.png")
        self.driver("link", IDC_BANNER, 0, "post")
        self.driver("filedialog", "Trust a Signing Key", windows_path(SIGNER.key), 0)
        self.driver("message", "keep")
        self.screenshot("vmview-trust-key-dialog.png")
        texts = self.driver("message", TRUST_BUTTON).splitlines()
        self.assertEqual(texts[0], "Trust this key to sign the downloads you check?")
        self.assertIn(UID, texts)
        self.assertIn("Fingerprint: " + spaced(SIGNER.fpr), texts)
        self.assertTrue(any(text.startswith("Created: ") and text.endswith(", Ed25519") for text in texts), texts)
        # The verdict turns good without adding anything again.
        self.assertVerdict(f"download.iso matches SHA256SUMS (line 2), which is signed by {UID}.")
        self.driver("select", 0)
        self.assertIn(f"Signed by:\t{UID} ({spaced(SIGNER.fpr)})", self.driver("text", IDC_DETAILS))
        self.screenshot("vmview-signature-good.png")
        self.close()

    def test_a_list_changed_after_signing_and_a_key_that_expired(self):
        folder = self.download()
        SIGNER.sign(folder / "SHA256SUMS")
        self.trust_with_vmsum()
        # A signature added together with the list, from another folder, is the list's.
        (self.dir / "elsewhere").mkdir()
        shutil.move(folder / "SHA256SUMS.gpg", self.dir / "elsewhere" / "SHA256SUMS.gpg")
        self.start(self.dir / "elsewhere" / "SHA256SUMS.gpg")
        self.driver("handoff", "dl/SHA256SUMS")
        self.driver("link", IDC_BANNER, 0)
        self.assertVerdict("Not all files match: 1 OK, 1 missing.")
        self.driver("select", 2)
        self.assertIn(f"Signed by:\t{UID} ({spaced(SIGNER.fpr)})", self.driver("text", IDC_DETAILS))
        self.close()

        shutil.move(self.dir / "elsewhere" / "SHA256SUMS.gpg", folder / "SHA256SUMS.gpg")
        with open(folder / "SHA256SUMS", "ab") as sums:
            sums.write(b"# added later\n")
        self.start(folder / "SHA256SUMS")
        self.driver("link", IDC_BANNER, 0)
        self.assertVerdict("Don't trust these files: the checksum list's signature is BAD, whatever the hashes say.")
        self.screenshot("vmview-signature-bad.png")
        self.close()

        # A key trusted before it expired, whose list was signed while it was valid.
        old = self.download("old")
        SIGNER.sign(old / "SHA256SUMS", SIGNER.expired_fpr, time="20200101T120000!")
        store = store_folders()[0]
        (store / f"{SIGNER.expired_fpr}.asc").write_bytes(SIGNER.expired_key)
        self.start(old / "download.iso")
        self.assertVerdict("download.iso matches SHA256SUMS (line 2), but the list's signing key or signature "
                           "has expired.")
        self.screenshot("vmview-signature-expired.png")
        self.close()

    def test_a_bare_hash_beside_the_file_and_a_mismatch(self):
        folder = self.dir / "bare"
        self.write("bare/download.iso", b"the download\n")
        digest = subprocess.run(["sha256sum", "download.iso"], cwd=folder, stdout=subprocess.PIPE).stdout.split()[0]
        self.write("bare/download.iso.sha256", digest + b"\n")
        self.start(folder / "download.iso")
        self.assertVerdict("download.iso matches download.iso.sha256.")
        self.screenshot("vmview-found-bare-hash.png")
        self.close()

        self.write("bare/download.iso", b"a changed download\n")
        self.start(folder / "download.iso")
        self.assertVerdict("download.iso doesn't match download.iso.sha256. Don't use it.")
        self.screenshot("vmview-found-mismatch.png")
        self.close()

        # Files inside a folder added as a whole are not looked up.
        self.start(folder)
        self.assertEqual([row[-1] for row in self.idle_rows()], ["Done", "Done"])
        self.assertEqual(self.driver("text", IDC_VERDICT).strip(), "")
        self.close()


    def test_a_key_file_given_to_the_window_and_the_trusted_keys_dialog(self):
        # A key file on the command line (or dropped) is an offer to trust it, not a row.
        self.start(SIGNER.key)
        texts = self.driver("message", TRUST_BUTTON).splitlines()
        self.assertIn("Fingerprint: " + spaced(SIGNER.fpr), texts)
        self.assertEqual(self.rows(), [])
        self.driver("drop", SIGNER.key)
        self.assertEqual(self.driver("message").splitlines()[0], "This key is already trusted.")
        expired = self.write("old-key.asc", SIGNER.expired_key)
        self.driver("drop", expired)
        self.assertEqual(self.driver("message").splitlines()[0], "This key expired on 2020-01-02. It can't be trusted.")
        self.assertFalse((store_folders()[0] / f"{SIGNER.expired_fpr}.asc").exists())
        # A second start hands the key over and returns before the question is answered.
        self.assertEqual(self.driver("handoff", SIGNER.key).strip(), "1")
        self.assertEqual(self.driver("message").splitlines()[0], "This key is already trusted.")

        self.driver("post", ID_TRUSTED_KEYS)
        rows = [row.split("\t") for row in self.driver("dialog", KEYS_DIALOG, "rows", IDC_TK_LIST).splitlines()]
        mine = [i for i, row in enumerate(rows) if row[0] == UID]
        self.assertEqual(len(mine), 1, rows)
        self.assertEqual(rows[mine[0]][1:], [spaced(SIGNER.fpr), time.strftime("%Y-%m-%d", time.gmtime())])
        self.screenshot("vmview-trusted-keys.png")
        self.driver("dialog", KEYS_DIALOG, "pick", IDC_TK_LIST, mine[0])
        self.driver("dialog", KEYS_DIALOG, "click", IDC_TK_REMOVE)
        rows = self.driver("dialog", KEYS_DIALOG, "rows", IDC_TK_LIST).splitlines()
        self.assertFalse(any(row.startswith(UID) for row in rows), rows)
        self.screenshot("vmview-trusted-keys-removed.png")
        self.driver("dialog", KEYS_DIALOG, "click", CANCEL)
        self.assertFalse((store_folders()[0] / f"{SIGNER.fpr}.asc").exists())
        self.close()


if __name__ == "__main__":
    main()
