"""Makes the Explorer package: the manifest from AppxManifest.xml.in, packed
with the logo into an MSIX and signed.

    sparse_package.py VERSION FOLDER PACKAGE

FOLDER (in the build folder) gets the manifest, the unsigned package, the
signing certificate (signing-cert.pem) and, without VM_SIGNING_PFX, the
throw-away key; PACKAGE is the signed verimond-VERSION-explorer.msix."""
import sys
from pathlib import Path
from xml.sax.saxutils import escape

import msix_archive
import package_signing

HERE = Path(__file__).resolve().parent
LOGO = "package-logo.png"


def manifest(version, publisher):
    text = (HERE / "AppxManifest.xml.in").read_text(encoding="utf-8")
    return text.replace("@VERSION@", version).replace("@PUBLISHER@", escape(publisher, {'"': "&quot;"})).encode()


def main(version, folder, package):
    folder, package = Path(folder), Path(package)
    pfx, password, certificate = package_signing.signing_key(folder)
    text = manifest(version, package_signing.windows_subject(certificate))
    (folder / "AppxManifest.xml").write_bytes(text)
    unsigned = folder / "unsigned.msix"
    unsigned.write_bytes(msix_archive.pack([(LOGO, (HERE / LOGO).read_bytes()), ("AppxManifest.xml", text)]))
    package.parent.mkdir(parents=True, exist_ok=True)
    package_signing.sign(unsigned, package, pfx, password)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
