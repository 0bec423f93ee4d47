"""vmview's ties to the system, under Wine: signatures and download origins
in the details pane, the Explorer menu and Send To entries, and the About and
command-line tool dialogs."""
import os
import shutil
import subprocess

from harness import main
from vmview_harness import IDC_DETAILS, VmviewTestCase


def signer_files(folder):
    """A throw-away certificate and key made with openssl."""
    key, certificate = folder / "key.pem", folder / "cert.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate,
                    "-days", "2", "-subj", "/CN=Verimond Test Signer"], check=True, capture_output=True)
    return key, certificate


class FileDetails(VmviewTestCase):
    def details_of(self, row):
        self.driver("select", row)
        for _ in range(50):
            details = self.driver("text", IDC_DETAILS)
            if "Checking..." not in details:
                return details
        self.fail("the signature check did not finish: " + details)

    def signature_of(self, row):
        lines = [line for line in self.details_of(row).splitlines() if line.startswith("Signature:\t")]
        self.assertEqual(len(lines), 1)
        return lines[0].removeprefix("Signature:\t")

    def test_signatures_as_the_trust_services_report_them(self):
        key, certificate = signer_files(self.dir)
        shutil.copy(os.environ["VMSUM_EXE"], self.dir / "plain.exe")
        subprocess.run(["osslsigncode", "sign", "-certs", certificate, "-key", key, "-n", "Verimond test",
                        "-in", self.dir / "plain.exe", "-out", self.dir / "signed.exe"], check=True, capture_output=True)
        changed = bytearray((self.dir / "signed.exe").read_bytes())
        changed[0x400] ^= 1
        self.write("changed.exe", bytes(changed))
        self.write("readme.txt", b"Read me first.\r\n")
        self.write("gone.exe", b"MZ" + bytes(100))
        # Wine keeps a file's alternate data stream as a file of that name beside it.
        self.write("signed.exe:Zone.Identifier", b"[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://downloads.example.org/signed.exe\r\n")
        names = ["plain.exe", "signed.exe", "changed.exe", "readme.txt", "gone.exe"]
        self.start(*(self.dir / name for name in names))
        self.idle_rows()
        self.assertEqual(self.signature_of(0), "Not signed")
        self.assertEqual(self.signature_of(3), "Not applicable (this file type has no digital signature)")
        # Windows itself does not trust a self-made root; Wine's chain policy accepts it.
        self.assertIn(self.signature_of(1), ["Signed by Verimond Test Signer, valid",
                                             "Signed by Verimond Test Signer, but Windows doesn't trust the certificate"])
        self.assertRegex(self.signature_of(2),
                         r"^Signed( by Verimond Test Signer)?, but the signature is not valid \(the file was changed after signing\)$")
        (self.dir / "gone.exe").unlink()
        self.assertEqual(self.signature_of(4), "Can't be checked")
        details = self.details_of(1)
        self.assertIn("\nSignature:\tSigned by Verimond Test Signer", details)
        self.assertIn("\nDownloaded from:\thttps://downloads.example.org/signed.exe", details)
        self.assertLess(details.index("Signature:"), details.index("Downloaded from:"))
        self.screenshot("vmview-details-signature-origin.png")
        self.close()


if __name__ == "__main__":
    main()
