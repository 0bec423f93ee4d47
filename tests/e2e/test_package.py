"""The Explorer package in dist/: its manifest, block map and content types
meet the MSIX schemas, the manifest names the signing certificate's subject as
its publisher and one class for the menu entry and the COM server, the block
map describes the packed files, and osslsigncode accepts the signature but not
a package changed after signing. Runs on Linux alone, without Wine."""
import base64
import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
import zlib
from pathlib import Path

from harness import TMP_ROOT, main

PACKAGE = Path(os.environ["VM_RELEASE_PACKAGE"])
CERTIFICATE = Path(os.environ["VM_SIGNING_CERT"])
SCHEMAS = Path(os.environ["VM_TEST_DATA"]) / "appx-schemas"
SCHEMA_OF_PART = {
    "AppxManifest.xml": SCHEMAS / "Manifest" / "Schema" / "wrapper.xsd",
    "AppxBlockMap.xml": SCHEMAS / "BlockMap" / "schema" / "BlockMapSchema.xsd",
    "[Content_Types].xml": SCHEMAS / "[Content_Types]" / "opc-contentTypes.xsd",
}
FOOTPRINT = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
NAMESPACES = {
    "f": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
    "desktop5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
    "com": "http://schemas.microsoft.com/appx/manifest/com/windows10",
    "b": "http://schemas.microsoft.com/appx/2010/blockmap",
}
BLOCK_SIZE = 64 * 1024
LOCAL_HEADER_SIZE = 30


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=60)


def local_header_size(raw, info):
    """The size of a file's local header in the zip: its fixed part, name and extra field."""
    lengths = raw[info.header_offset + 26:info.header_offset + 30]
    return LOCAL_HEADER_SIZE + int.from_bytes(lengths[:2], "little") + int.from_bytes(lengths[2:], "little")


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        TMP_ROOT.mkdir(parents=True, exist_ok=True)
        cls.folder = Path(tempfile.mkdtemp(prefix="Package-", dir=TMP_ROOT))
        cls.archive = zipfile.ZipFile(PACKAGE)

    @classmethod
    def tearDownClass(cls):
        cls.archive.close()
        shutil.rmtree(cls.folder)

    def part(self, name):
        path = self.folder / name
        path.write_bytes(self.archive.read(name))
        return path

    def xml(self, name):
        return ElementTree.fromstring(self.archive.read(name))

    def test_the_parts_meet_their_schemas_and_an_unknown_element_fails(self):
        for name, schema in SCHEMA_OF_PART.items():
            with self.subTest(name):
                checked = run("xmllint", "--noout", "--schema", str(schema), str(self.part(name)))
                self.assertEqual(checked.returncode, 0, checked.stderr)
        broken = self.folder / "broken.xml"
        broken.write_text(self.part("AppxManifest.xml").read_text().replace(
            "<Properties>", "<Properties><Unknown/>"))
        checked = run("xmllint", "--noout", "--schema", str(SCHEMA_OF_PART["AppxManifest.xml"]), str(broken))
        self.assertNotEqual(checked.returncode, 0)
        self.assertIn("Unknown': This element is not expected", checked.stderr)

    def test_the_publisher_is_the_certificates_subject_and_one_class_serves_the_menu(self):
        # openssl's form of these attributes is Windows': the last one first, comma and space between.
        subject = run("openssl", "x509", "-in", str(CERTIFICATE), "-noout", "-subject",
                      "-nameopt", "utf8,sep_comma_plus_space,dn_rev,sname").stdout
        manifest = self.xml("AppxManifest.xml")
        self.assertEqual("subject=" + manifest.find("f:Identity", NAMESPACES).get("Publisher") + "\n", subject)

        verbs = manifest.findall(".//desktop5:ItemType/desktop5:Verb", NAMESPACES)
        classes = manifest.findall(".//com:SurrogateServer/com:Class", NAMESPACES)
        self.assertEqual(len(verbs), 2)
        self.assertEqual({verb.get("Clsid") for verb in verbs}, {entry.get("Id") for entry in classes})

    def test_the_block_map_describes_the_packed_files(self):
        raw = PACKAGE.read_bytes()
        files = self.xml("AppxBlockMap.xml").findall("b:File", NAMESPACES)
        self.assertEqual(sorted(file.get("Name") for file in files), sorted(set(self.archive.namelist()) - FOOTPRINT))
        for file in files:
            with self.subTest(file.get("Name")):
                info = self.archive.getinfo(file.get("Name"))
                data = self.archive.read(info)
                header_size = local_header_size(raw, info)
                self.assertEqual(int(file.get("Size")), len(data))
                self.assertEqual(int(file.get("LfhSize")), header_size)

                blocks = file.findall("b:Block", NAMESPACES)
                pieces = [data[i:i + BLOCK_SIZE] for i in range(0, len(data), BLOCK_SIZE)]
                self.assertEqual([block.get("Hash") for block in blocks],
                                 [base64.b64encode(hashlib.sha256(piece).digest()).decode() for piece in pieces])
                if info.compress_type == zipfile.ZIP_STORED:
                    self.assertEqual([block.get("Size") for block in blocks], [None] * len(blocks))
                    continue
                # Each compressed block inflates on its own to its piece of the file.
                packed = raw[info.header_offset + header_size:][:info.compress_size]
                start = 0
                for block, piece in zip(blocks, pieces):
                    end = start + int(block.get("Size"))
                    self.assertEqual(zlib.decompressobj(-15).decompress(packed[start:end]), piece)
                    start = end
                self.assertEqual(start, info.compress_size)

    def test_osslsigncode_accepts_the_signature_and_rejects_a_changed_byte(self):
        verified = run("osslsigncode", "verify", "-CAfile", str(CERTIFICATE), "-in", str(PACKAGE))
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)

        changed = bytearray(PACKAGE.read_bytes())
        logo = self.archive.getinfo("package-logo.png")  # stored: its bytes in the zip are the file's
        changed[logo.header_offset + local_header_size(changed, logo) + 100] ^= 1
        (self.folder / "changed.msix").write_bytes(changed)
        verified = run("osslsigncode", "verify", "-CAfile", str(CERTIFICATE), "-in", str(self.folder / "changed.msix"))
        self.assertNotEqual(verified.returncode, 0)
        self.assertIn("MISMATCH", verified.stdout)


if __name__ == "__main__":
    main()
