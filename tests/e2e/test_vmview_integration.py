"""vmview's ties to the system, under Wine: signatures and download origins
in the details pane, the Explorer menu and Send To entries, and the About and
command-line tool dialogs."""
import os
import shutil
import subprocess
from pathlib import Path

from harness import main
from vmview_harness import (IDC_BANNER, IDC_DETAILS, VMVIEW, VmviewTestCase, registry_values, send_to_shortcuts, wine,
                            windows_path)

VERB_KEYS = [r"HKCU\Software\Classes\*\shell\ZentaroVerimond", r"HKCU\Software\Classes\Directory\shell\ZentaroVerimond"]
MACHINE_VERB = r"HKLM\Software\Classes\*\shell\ZentaroVerimond"
COMMAND_CLASS = "{85DCD2AE-E77E-4EF0-B3E2-263220A37A16}"
EXTENSION_CLASSES = [r"HKCU\Software\Classes\CLSID\{E66E602F-3A0F-4147-A590-EC59B687265F}",
                     rf"HKCU\Software\Classes\CLSID\{COMMAND_CLASS}"]
PAGE_HANDLER = r"HKCU\Software\Classes\*\shellex\PropertySheetHandlers\Verimond"
ID_EXPLORER_MENU, ID_SEND_TO, ID_ABOUT, ID_CLI_TOOL = 40024, 40025, 40032, 40034
IDC_LINKS, IDCLOSE = 1053, 8
ADDED_TEXTS = ['"Calculate checksums" is now in the Explorer menu of files and folders.',
               "On Windows 11 it's under \"Show more options\". It points at this copy of the program. "
               "If you move the program, Verimond offers to update the entry."]


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


class ExplorerIntegration(VmviewTestCase):
    def tearDown(self):
        super().tearDown()
        for key in VERB_KEYS + [MACHINE_VERB, *EXTENSION_CLASSES, PAGE_HANDLER]:
            wine("reg", "delete", key, "/f", check=False)
        for shortcut in send_to_shortcuts():
            shortcut.unlink()

    def copy_program(self, folder, with_extension=False):
        (self.dir / folder).mkdir()
        shutil.copy(VMVIEW, self.dir / folder / "vmview.exe")
        if with_extension:
            shutil.copy(os.environ["VMSHELL_DLL"], self.dir / folder / "vmshell.dll")
        return self.dir / folder / "vmview.exe"

    def assertEntriesPointAt(self, program):
        """The verb starts this copy; with the shell extension beside it, the
        extension's classes are this copy's DLL and its command handles the verb."""
        quoted = '"' + windows_path(program) + '"'
        extension = program.parent / "vmshell.dll"
        handler = {"ExplorerCommandHandler": COMMAND_CLASS} if extension.exists() else {}
        for key in VERB_KEYS:
            self.assertEqual(registry_values(key), {"": "Calculate checksums", "Icon": quoted + ",0", **handler})
            self.assertEqual(registry_values(key + r"\command"), {"": quoted + ' "%1"'})
        for key in EXTENSION_CLASSES:
            expected = {"": windows_path(extension), "ThreadingModel": "Apartment"} if extension.exists() else None
            self.assertEqual(registry_values(key + r"\InprocServer32"), expected)
        self.assertEqual(registry_values(PAGE_HANDLER) is not None, extension.exists())
        shortcuts = send_to_shortcuts()
        self.assertEqual(len(shortcuts), 1)
        self.assertIn(windows_path(program).encode("utf-16-le"), shortcuts[0].read_bytes())

    def test_toggling_writes_and_removes_the_entries(self):
        program = self.copy_program("tools", with_extension=True)
        self.start(program=program)
        self.driver("post", ID_EXPLORER_MENU)
        self.assertEqual(self.driver("message").splitlines()[-3:-1], ADDED_TEXTS)
        self.driver("command", ID_SEND_TO)
        self.assertEntriesPointAt(program)
        # Menus can't be read from another process under Wine: the check marks are shown in a picture.
        self.driver("menu", "o")
        self.screenshot("vmview-options-menu.png")
        self.driver("escape")
        self.driver("escape")

        self.driver("command", ID_EXPLORER_MENU)  # removing shows no dialog
        self.driver("command", ID_SEND_TO)
        for key in [*VERB_KEYS, *EXTENSION_CLASSES, PAGE_HANDLER]:
            self.assertIsNone(registry_values(key))
        self.assertEqual(send_to_shortcuts(), [])
        self.close()

    def test_another_copy_is_replaced_and_an_entry_for_all_users_left_alone(self):
        other = self.copy_program("other")
        program = self.copy_program("tools")
        wine("reg", "add", VERB_KEYS[0] + r"\command", "/ve", "/d", f'"{windows_path(other)}" "%1"', "/f")
        self.start(program=program)
        self.assertEqual(self.driver("visible", IDC_BANNER), "0\n")  # another existing copy is not stale
        self.driver("post", ID_EXPLORER_MENU)
        self.driver("message")
        self.assertEqual(registry_values(VERB_KEYS[0] + r"\command"), {"": f'"{windows_path(program)}" "%1"'})
        self.close()

        for key in VERB_KEYS:
            wine("reg", "delete", key, "/f")
        wine("reg", "add", MACHINE_VERB + r"\command", "/ve", "/d", r'"C:\Gone\vmview.exe" "%1"', "/f")
        self.start(program=program)
        self.assertEqual(self.driver("visible", IDC_BANNER), "0\n")  # never stale for all users
        self.close()

    def test_a_moved_program_offers_to_repair_or_remove_its_entries(self):
        program = self.copy_program("first", with_extension=True)
        self.start(program=program)
        self.driver("post", ID_EXPLORER_MENU)
        self.driver("message")
        self.driver("command", ID_SEND_TO)
        self.close()

        shutil.move(self.dir / "first", self.dir / "second")
        program = self.dir / "second" / "vmview.exe"
        self.start(program=program)
        self.assertEqual(self.driver("visible", IDC_BANNER), "1\n")
        self.assertIn("point at a copy of Verimond that no longer exists", self.driver("text", IDC_BANNER))
        self.driver("link", IDC_BANNER, 0)  # Use this copy
        self.assertEqual(self.driver("visible", IDC_BANNER), "0\n")
        self.assertEntriesPointAt(program)
        self.close()
        self.start(program=program)
        self.assertEqual(self.driver("visible", IDC_BANNER), "0\n")
        self.close()

        shutil.move(self.dir / "second", self.dir / "third")
        self.start(program=self.dir / "third" / "vmview.exe")
        self.assertEqual(self.driver("visible", IDC_BANNER), "1\n")
        self.driver("link", IDC_BANNER, 1)  # Remove them
        for key in [*VERB_KEYS, *EXTENSION_CLASSES, PAGE_HANDLER]:
            self.assertIsNone(registry_values(key))
        self.assertEqual(send_to_shortcuts(), [])
        self.close()


class AboutAndCommandLineTool(VmviewTestCase):
    def test_about(self):
        self.start()
        self.driver("post", ID_ABOUT)
        texts = self.driver("message", "keep")
        self.assertIn("Verimond 2.0.0", texts)
        self.assertIn("Freeware from Zentaro.", texts)
        self.assertIn("Portable copy in " + windows_path(Path(VMVIEW).parent), texts)
        self.assertIn("Other algorithms come from Windows.", texts)
        self.screenshot("vmview-about.png")
        self.driver("message")
        self.driver("link", IDC_LINKS, 1, "post")  # the link at the bottom opens the same dialog
        self.assertIn("Verimond 2.0.0", self.driver("message"))
        self.close()

    def test_command_line_tool_with_and_without_vmsum(self):
        program = self.dir / "tools" / "vmview.exe"
        program.parent.mkdir()
        shutil.copy(VMVIEW, program)
        self.start(program=program)
        self.driver("link", IDC_LINKS, 0, "post")
        texts = self.driver("message", IDCLOSE)
        self.assertIn("Command-line tool (vmsum)", texts)
        self.assertIn("vmsum.exe comes with the setup and in the portable verimond-2.0.0-win64.zip.", texts)
        self.assertIn("Get vmsum", texts)
        self.assertNotIn("Open a command prompt here", texts)
        self.close()

        shutil.copy(os.environ["VMSUM_EXE"], self.dir / "tools" / "vmsum.exe")
        self.start(program=program)
        self.driver("post", ID_CLI_TOOL)
        texts = self.driver("message", "keep")
        self.assertIn("Open a command prompt here", texts)
        self.assertIn("Open the program folder", texts)
        self.assertIn("vmsum.exe is in the program folder, next to vmview.exe: " + windows_path(program.parent), texts)
        self.screenshot("vmview-command-line-tool.png")
        self.assertNotIn("cmd.exe", self.driver("processes").split())
        self.driver("message", 100)
        for _ in range(50):
            if "cmd.exe" in self.driver("processes").split():
                break
        else:
            self.fail("no command prompt was started")
        wine("taskkill", "/f", "/im", "cmd.exe", check=False)
        self.close()


if __name__ == "__main__":
    main()
