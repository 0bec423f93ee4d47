"""vmview and a download's own signature in the formats besides OpenPGP: a
minisign key pasted into the Trusted Signing Keys dialog, an SSH key trusted
from the allowed_signers file beside the download, and a changed download.
Keys and signatures are made at test time by minisign and ssh-keygen."""
import base64
import hashlib
import os
import subprocess
import time

from harness import main
from vmview_harness import IDC_BANNER, IDC_DETAILS, IDC_VERDICT, SCREENSHOTS, WINE_PREFIX, VmviewTestCase

TRUST_BUTTON, CANCEL = 100, 2
ID_TRUSTED_KEYS, IDC_TK_LIST, IDC_TK_TEXT, IDC_TK_TRUST = 40027, 1201, 1205, 1206
KEYS_DIALOG, TRUST_DIALOG = "Trusted Signing Keys", "Trust a Signing Key"
COMMENT = "Verimond Release 1.0"
PRINCIPAL = "release@example.org"
# The verdict line's colours in light mode: a match's green, a mismatch's red.
MATCH_TEXT, MISMATCH_TEXT = (16, 124, 16), (196, 43, 28)


def store_folders():
    return list(WINE_PREFIX.glob("drive_c/users/*/AppData/Roaming/Verimond/Trusted Keys"))


def run(*args, cwd):
    subprocess.run(args, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=True, timeout=60)


class MinisignSigner:
    def __init__(self, folder):
        self.folder = folder
        run("minisign", "-G", "-W", "-p", "k.pub", "-s", "k.sec", cwd=folder)
        comment, self.key = (folder / "k.pub").read_text().splitlines()
        self.id = comment.rsplit(" ", 1)[1]  # "untrusted comment: minisign public key <ID>"
        self.store_names = [f"minisign-{self.id}.pub"]

    def sign(self, path):
        run("minisign", "-S", "-s", self.folder / "k.sec", "-m", path, "-t", COMMENT, cwd=self.folder)


class SshSigner:
    def __init__(self, folder):
        self.folder = folder
        run("ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "release key", "-f", "id", cwd=folder)
        self.public = (folder / "id.pub").read_text().strip()
        self.fingerprint = subprocess.run(["ssh-keygen", "-lf", folder / "id.pub"], stdout=subprocess.PIPE, text=True,
                                          check=True).stdout.split()[1]
        stem = "ssh-" + hashlib.sha256(base64.b64decode(self.public.split()[1])).hexdigest()
        self.store_names = [stem + ending for ending in (".pub", ".allowed")]

    def sign(self, path):
        run("ssh-keygen", "-Y", "sign", "-f", self.folder / "id", "-n", "file", path, cwd=self.folder)


class VmviewSignatureFormats(VmviewTestCase):
    def setUp(self):
        super().setUp()
        (self.dir / "keys").mkdir()
        self.signers = []

    def tearDown(self):
        super().tearDown()
        for folder in store_folders():
            for signer in self.signers:
                for name in signer.store_names:
                    for path in folder.iterdir():
                        if path.name.lower() == name.lower():
                            path.unlink()

    def signer(self, kind):
        made = kind(self.dir / "keys")
        self.signers.append(made)
        return made

    def download(self, signer, folder="dl"):
        path = self.write(f"{folder}/file.zip", os.urandom(100_000))
        signer.sign(path)
        return path

    def assertVerdict(self, expected):
        """The verdict line comes to read expected: the search and the check run on threads of their own."""
        for _ in range(40):
            self.driver("wait-idle")
            text = self.driver("text", IDC_VERDICT).strip()
            if text == expected:
                return
            time.sleep(0.25)
        self.assertEqual(text, expected)

    def assertVerdictColour(self, screenshot, colour):
        """The verdict line of the screenshot is written in this colour (the bold of a match or a mismatch)."""
        left, top = map(int, self.driver("client").split()[:2])
        l, t, r, b = map(int, self.driver("rect", IDC_VERDICT).split())
        ppm = subprocess.run(["convert", str(SCREENSHOTS / screenshot), "-crop", f"{r - l}x{b - t}+{left + l}+{top + t}",
                              "+repage", "-depth", "8", "ppm:-"], stdout=subprocess.PIPE, check=True).stdout
        data = ppm.split(maxsplit=4)[4]
        pixels = {tuple(data[i:i + 3]) for i in range(0, len(data) - 2, 3)}
        self.assertIn(colour, pixels)
        self.assertNotIn(MATCH_TEXT if colour == MISMATCH_TEXT else MISMATCH_TEXT, pixels)

    def drop(self, path):
        self.start()
        self.driver("drop", path)

    def signed_by(self):
        self.driver("select", 0)
        return next(line for line in self.driver("text", IDC_DETAILS).splitlines() if line.startswith("Signed by:"))

    def test_a_minisign_signature_and_its_key_pasted_into_the_trusted_keys_dialog(self):
        signer = self.signer(MinisignSigner)
        path = self.download(signer)
        self.drop(path)
        self.assertVerdict("file.zip is signed by a key you don't trust yet.")
        banner = self.driver("text", IDC_BANNER)
        self.assertIn(f"file.zip is signed by an untrusted key (minisign key {signer.id}).", banner)
        self.assertNotIn("allowed_signers", banner)
        self.assertEqual(self.signed_by(), f"Signed by:\tAn unknown key (minisign key {signer.id})")
        self.screenshot("vmview-format-minisign-unknown-key.png")

        self.driver("post", ID_TRUSTED_KEYS)
        self.driver("dialog", KEYS_DIALOG, "type", IDC_TK_TEXT, signer.key)
        # Trust asks first, in a task dialog of its own: the click returns only once that is answered.
        click = subprocess.Popen([os.environ["WINE_RUN"], os.environ["VMVIEW_DRIVER"], "dialog", KEYS_DIALOG, "click",
                                  str(IDC_TK_TRUST)], cwd=self.dir, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.driver("dialog", TRUST_DIALOG, "click", TRUST_BUTTON)
        self.assertEqual(click.wait(timeout=60), 0)
        rows = [row.split("\t") for row in self.driver("dialog", KEYS_DIALOG, "rows", IDC_TK_LIST).splitlines()]
        self.assertIn([f"minisign public key {signer.id}", f"minisign key {signer.id}",
                       time.strftime("%Y-%m-%d", time.gmtime())], rows)
        self.assertEqual(self.driver("dialog", KEYS_DIALOG, "text", IDC_TK_TEXT), "")
        self.screenshot("vmview-format-minisign-trusted-keys.png")
        self.driver("dialog", KEYS_DIALOG, "click", CANCEL)

        # Closing the dialog checks the signature again.
        self.assertVerdict(f"file.zip is signed by {COMMENT}.")
        self.assertEqual(self.signed_by(), f"Signed by:\t{COMMENT} (minisign key {signer.id})")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "0")  # the notice went with the unknown key
        self.screenshot("vmview-format-minisign-good.png")
        self.assertVerdictColour("vmview-format-minisign-good.png", MATCH_TEXT)
        self.close()

    def test_an_ssh_signature_trusted_from_the_allowed_signers_file_beside_it(self):
        signer = self.signer(SshSigner)
        path = self.download(signer)
        self.write("dl/allowed_signers", f'{PRINCIPAL} namespaces="file" {signer.public}\n'.encode())
        self.drop(path)
        self.assertVerdict("file.zip is signed by a key you don't trust yet.")
        banner = self.driver("text", IDC_BANNER)
        self.assertIn(f"file.zip is signed by an untrusted key (SSH key {signer.fingerprint}).", banner)
        self.assertIn("Trust allowed_signers...", banner)
        self.driver("link", IDC_BANNER, 0, "post")
        self.driver("message", "keep")
        self.screenshot("vmview-format-ssh-trust-question.png")
        texts = self.driver("message", TRUST_BUTTON).splitlines()
        self.assertEqual(texts[0], "Trust this key to sign the downloads you check?")
        self.assertIn(f"For {PRINCIPAL}, namespaces file", texts)
        self.assertIn(f"Fingerprint: {signer.fingerprint}", texts)

        self.assertVerdict(f"file.zip is signed by {PRINCIPAL}.")
        self.assertEqual(self.signed_by(), f"Signed by:\t{PRINCIPAL} (SSH key {signer.fingerprint})")
        self.screenshot("vmview-format-ssh-good.png")
        self.assertVerdictColour("vmview-format-ssh-good.png", MATCH_TEXT)
        self.close()

    def test_a_download_changed_after_signing(self):
        signer = self.signer(MinisignSigner)
        path = self.download(signer)
        trusted = subprocess.run([os.environ["WINE_RUN"], os.environ["VMSUM_EXE"], "--trust-key",
                                  str(self.dir / "keys" / "k.pub")], stdout=subprocess.PIPE, timeout=120)
        self.assertEqual(trusted.returncode, 0, trusted.stdout)
        data = bytearray(path.read_bytes())
        data[5000] ^= 1
        path.write_bytes(data)
        self.drop(path)
        self.assertVerdict("Don't trust file.zip: its signature is BAD.")
        self.assertEqual(self.signed_by(), f"Signed by:\tBAD signature by minisign key {signer.id}: don't trust this file")
        self.screenshot("vmview-format-bad.png")
        self.assertVerdictColour("vmview-format-bad.png", MISMATCH_TEXT)
        self.close()


if __name__ == "__main__":
    main()
