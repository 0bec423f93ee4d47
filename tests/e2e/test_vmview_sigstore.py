"""vmview and a download signed with Sigstore: one drop of a wheel beside its
bundle, checked against the built-in production trust root; its signer
trusted from the notice, by repository; listed and forgotten in the Trusted
Signing Keys dialog; and a bundle over another file."""
import shutil
import time
from pathlib import Path

from harness import main
import test_vmview_formats as formats
from vmview_harness import IDC_BANNER, VmviewTestCase

ID_TRUSTED_KEYS, IDC_TK_LIST, IDC_TK_REMOVE, CANCEL = 40027, 1201, 1202, 2
TRUST_IDENTITY, TRUST_REPOSITORY = 100, 101
KEYS_DIALOG = "Trusted Signing Keys"
PRODUCTION = Path(__file__).resolve().parent.parent / "data" / "sigstore" / "production"
WHEEL = "bundle_v3_github.whl"
IDENTITY = "https://github.com/trailofbits/rfc8785.py/.github/workflows/release.yml@refs/tags/v0.1.2"
REPOSITORY = "https://github.com/trailofbits/rfc8785.py"
ISSUER = "https://token.actions.githubusercontent.com"
WORKFLOW = "a workflow of github.com/trailofbits/rfc8785.py"


class VmviewSigstore(VmviewTestCase):
    # The window's verdict, its colour and the details pane are read as for the other formats.
    assertVerdict = formats.VmviewSignatureFormats.assertVerdict
    assertVerdictColour = formats.VmviewSignatureFormats.assertVerdictColour
    signed_by = formats.VmviewSignatureFormats.signed_by

    def tearDown(self):
        super().tearDown()
        for folder in formats.store_folders():
            for path in folder.glob("sigstore-*.signer"):
                path.unlink()

    def wheel(self, bundle_of=WHEEL):
        (self.dir / "dl").mkdir(exist_ok=True)
        shutil.copy(PRODUCTION / WHEEL, self.dir / "dl" / WHEEL)
        shutil.copy(PRODUCTION / f"{bundle_of}.sigstore", self.dir / "dl" / f"{WHEEL}.sigstore")
        return self.dir / "dl" / WHEEL

    def test_one_drop_an_untrusted_signer_trusted_by_repository_then_forgotten(self):
        self.start()
        self.driver("drop", self.wheel())
        self.assertVerdict(f"{WHEEL} is signed by {WORKFLOW} with Sigstore, a signer you don't trust yet.")
        self.assertIn(f'{WHEEL} is signed with Sigstore by a signer you don\'t trust yet.  <a id="g">Trust this '
                      'signer...</a>', self.driver("text", IDC_BANNER))
        self.assertEqual(self.signed_by(), f"Signed by:\tA signer you don't trust yet: {IDENTITY} "
                                           f"(Sigstore, issuer {ISSUER}, logged 2024-03-19 22:41 UTC)")
        self.screenshot("vmview-sigstore-unknown-signer.png")

        self.driver("link", IDC_BANNER, 0, "post")
        self.driver("message", "keep")
        self.screenshot("vmview-sigstore-trust-question.png")
        texts = self.driver("message", TRUST_REPOSITORY).splitlines()
        self.assertEqual(texts[0], "Trust this signer to sign the downloads you check?")
        for line in (f"Identity: {IDENTITY}", f"Signed in at: {ISSUER}", f"Repository: {REPOSITORY}",
                     "Ref: refs/tags/v0.1.2", f"Workflow: {IDENTITY}"):
            self.assertIn(line, texts)
        self.assertIn("Trust every release of this repository", texts)

        self.assertVerdict(f"{WHEEL} is signed by {WORKFLOW}, logged 2024-03-19.")
        self.assertEqual(self.signed_by(), f"Signed by:\t{IDENTITY} (Sigstore, issuer {ISSUER}, logged 2024-03-19 22:41 UTC)")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "0")
        self.screenshot("vmview-sigstore-good.png")
        self.assertVerdictColour("vmview-sigstore-good.png", formats.MATCH_TEXT)

        self.driver("post", ID_TRUSTED_KEYS)
        rows = [row.split("\t") for row in self.driver("dialog", KEYS_DIALOG, "rows", IDC_TK_LIST).splitlines()]
        mine = [i for i, row in enumerate(rows) if row[0] == f"Every release of {REPOSITORY}"]
        self.assertEqual(len(mine), 1, rows)
        self.assertEqual(rows[mine[0]][1:], [f"Sigstore, issuer {ISSUER}", time.strftime("%Y-%m-%d", time.gmtime())])
        self.screenshot("vmview-sigstore-trusted-keys.png")
        self.driver("dialog", KEYS_DIALOG, "pick", IDC_TK_LIST, mine[0])
        self.driver("dialog", KEYS_DIALOG, "click", IDC_TK_REMOVE)
        rows = self.driver("dialog", KEYS_DIALOG, "rows", IDC_TK_LIST).splitlines()
        self.assertFalse(any(row.startswith("Every release of") for row in rows), rows)
        self.driver("dialog", KEYS_DIALOG, "click", CANCEL)
        self.assertEqual(list(formats.store_folders()[0].glob("sigstore-*.signer")), [])
        # Forgotten, the signer is unknown again.
        self.assertVerdict(f"{WHEEL} is signed by {WORKFLOW} with Sigstore, a signer you don't trust yet.")
        self.close()

    def test_a_bundle_of_another_file(self):
        self.start()
        self.driver("drop", self.wheel(bundle_of="python-3.12.5/Python-3.12.5.tgz"))
        self.assertVerdict(f"Don't trust {WHEEL}: its signature is BAD.")
        self.assertEqual(self.signed_by(), "Signed by:\tBAD signature (Sigstore): don't trust this file")
        self.screenshot("vmview-sigstore-bad.png")
        self.assertVerdictColour("vmview-sigstore-bad.png", formats.MISMATCH_TEXT)
        self.close()


if __name__ == "__main__":
    main()
