"""vmshell.dll under Wine. A host loads the DLL by its path as Explorer does
and shows the Checksums page in a property sheet: its digests against the
peers', the verdict for a pasted hash, Cancel, unloading, and many sheets
opened and closed. The menu entry's commands for each kind of file, and
vmview started through its hand-off. Registration for everyone and for one
user, and Wine's own Properties dialog with the page registered. Wine reads
COM classes only under HKLM, so the tests that need Wine's shell to find the
DLL register it there."""
import hashlib
import os
import re
import subprocess
import time
from pathlib import Path

from harness import main, parse_bsd
from test_vmview_colours import luminance, pixels, text_contrast
from vmview_harness import KEY, SCREENSHOTS, VmviewTestCase, registry_values, wine, windows_path

HOST = os.environ["SHELL_HOST"]
DLL = os.environ["VMSHELL_DLL"]
PAGE_CLASS = "{E66E602F-3A0F-4147-A590-EC59B687265F}"
COMMAND_CLASS = "{85DCD2AE-E77E-4EF0-B3E2-263220A37A16}"
MD5, SHA1, SHA256, BLAKE3 = 1, 2, 3, 9
PEERS = {"MD5": "md5sum", "SHA-1": "sha1sum", "SHA-256": "sha256sum", "BLAKE3": "b3sum"}
COMMANDS = [("Calculate checksums", "Open the selected items in Verimond and hash them"),
            ("Verify checksum file", "Check the files this checksum file lists"),
            ("Check who signed this", "Check the signature of this download or its checksum file"),
            ("Compare with the copied hash", "Compare the selected files with the hash on the clipboard")]
ECF_HASSUBCOMMANDS = 1
THEME_MANAGER = r"HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager"
GIB = 1024 ** 3


def extension_keys(root):
    return [rf"{root}\Software\Classes\*\shell\ZentaroVerimond", rf"{root}\Software\Classes\Directory\shell\ZentaroVerimond",
            rf"{root}\Software\Classes\CLSID\{PAGE_CLASS}", rf"{root}\Software\Classes\CLSID\{COMMAND_CLASS}",
            rf"{root}\Software\Classes\*\shellex\PropertySheetHandlers\Verimond"]


def regsvr32(*switches):
    wine("regsvr32", "/s", *switches, windows_path(DLL))


def peer_digests(path):
    return {name: subprocess.run([tool, str(path)], stdout=subprocess.PIPE, check=True).stdout.split()[0].decode()
            for name, tool in PEERS.items()}


def unescaped(text):
    """The host's one-line form of a text, back to its lines."""
    return re.sub(r"\\(.)", lambda escape: "\n" if escape.group(1) == "n" else escape.group(1), text)


def page_digests(details):
    """{algorithm: digest} of each file's block of the details text."""
    blocks = []
    for block in unescaped(details).split("\n\n"):
        lines = [line.split("\t") for line in block.split("\n")]
        blocks.append({fields[0].rstrip(":"): fields[1] for fields in lines if len(fields) == 2 and fields[0][:-1] in PEERS})
    return blocks


class Host:
    """The host program, a command a line."""

    def __init__(self):
        # Unmanaged windows close at once; a managed one waits two seconds for
        # a window manager the virtual screen doesn't have.
        wine("reg", "add", r"HKCU\Software\Wine\AppDefaults\shell_host.exe\X11 Driver", "/v", "Managed", "/d", "N",
             "/f")
        self.process = subprocess.Popen([os.environ["WINE_RUN"], HOST, windows_path(DLL)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)

    def __call__(self, *words):
        self.process.stdin.write(("\t".join(map(str, words)) + "\n").encode())
        self.process.stdin.flush()
        return self.process.stdout.readline().decode().rstrip("\r\n")

    def open(self, *paths):
        assert self("open", *map(windows_path, paths)) == "ok"

    def settled_verdict(self):
        """The verdict once the candidates for the pasted hash are hashed too."""
        assert self("wait") == "idle"
        return self("text", "verdict")

    def usage(self):
        handles, memory = self("usage").split()
        return int(handles), int(memory)

    def quit(self):
        self("quit")
        self.process.wait(timeout=30)
        self.process.stdin.close()
        self.process.stdout.close()


class ShellTestCase(VmviewTestCase):
    def setUp(self):
        super().setUp()
        wine("reg", "add", KEY, "/v", "Algorithms", "/t", "REG_DWORD", "/d",
             str(sum(1 << bit for bit in (MD5, SHA1, SHA256, BLAKE3))), "/f")
        self.host = Host()

    def tearDown(self):
        self.host.quit()
        super().tearDown()


class ChecksumsPage(ShellTestCase):
    def big_file(self):
        block = os.urandom(1024 * 1024)
        with open(self.dir / "big.iso", "wb") as big:
            for index in range(GIB // len(block)):
                big.write(block[:-4] + index.to_bytes(4, "little"))
        return self.dir / "big.iso"

    def test_digests_equal_the_peers(self):
        files = [self.write("small.txt", b"hello\n"), self.write("empty.dat", b""),
                 self.write("Grüße – ½ 日本.txt", "non-ASCII name\n".encode()), self.big_file()]
        for path in files[:3]:
            with self.subTest(path.name):
                self.host.open(path)
                self.assertEqual(self.host("wait"), "idle")
                self.assertEqual(page_digests(self.host("text", "details")), [peer_digests(path)])
        # Several files at once, the large one among them; Copy puts every digest on the clipboard, tagged.
        self.host.open(*files)
        self.assertEqual(self.host("wait"), "idle")
        self.assertEqual(page_digests(self.host("text", "details")), [peer_digests(path) for path in files])
        self.host("click", "copy")
        copied = parse_bsd(unescaped(self.host("getclipboard")).encode())
        self.assertEqual(sorted((name, value) for _, name, value in copied),
                         sorted((path.name, value) for path in files for value in peer_digests(path).values()))
        self.host("close")
        self.assertEqual(self.host("unload"), "S_OK")

    def test_a_pasted_hash_matches_or_not_in_vmview_words_light_and_high_contrast(self):
        path = self.write("setup.exe", b"installer\n" * 100)
        sha256 = hashlib.sha256(path.read_bytes()).hexdigest()
        wrong = sha256[:-1] + ("0" if sha256[-1] != "0" else "1")
        for scheme in ["light", "contrast"]:
            if scheme == "contrast":
                # Windows draws without visual styles in high contrast: so does Wine without its theme.
                self.host.quit()
                active = (registry_values(THEME_MANAGER) or {}).get("ThemeActive", "1")
                wine("reg", "add", THEME_MANAGER, "/v", "ThemeActive", "/d", "0", "/f")
                self.addCleanup(wine, "reg", "add", THEME_MANAGER, "/v", "ThemeActive", "/d", active, "/f")
                self.host = Host()
                self.host("contrast", "on")
            try:
                self.check_verdicts(path, scheme, {"match": sha256, "mismatch": wrong})
            finally:
                if scheme == "contrast":
                    self.host("contrast", "off")

    def check_verdicts(self, path, scheme, texts):
        """The page shows vmview's verdicts for a pasted hash, readable in the screenshot of each."""
        self.host.open(path)
        self.host("wait")
        for name, verdict in [("match", "Match. The SHA-256 of setup.exe is the expected hash."),
                              ("mismatch", "No match. setup.exe has a different SHA-256, SHA3-256 and BLAKE3.")]:
            text = texts[name]
            with self.subTest(scheme=scheme, verdict=name):
                self.assertEqual(self.host("clipboard", text), "ok")
                self.host("click", "paste")
                self.assertEqual(self.host.settled_verdict(), verdict)
                screenshot = f"shell-page-{scheme}-{name}.png"
                self.screenshot(screenshot)
                rect = tuple(map(int, self.host("rect", "verdict").split()))
                self.assertGreaterEqual(text_contrast(pixels(SCREENSHOTS / screenshot, rect)), 4.5)
                details = pixels(SCREENSHOTS / screenshot, tuple(map(int, self.host("rect", "details").split())))
                background = sum(luminance(pixel) for pixel in details) / len(details)
                self.assertTrue(background < 0.25 if scheme == "contrast" else background > 0.75, background)
        self.host("close")

    def test_a_signed_list_beside_the_download_gives_the_one_drop_verdict(self):
        download = self.write("release.iso", b"release\n" * 1000)
        sha256 = hashlib.sha256(download.read_bytes()).hexdigest()
        self.write("SHA256SUMS", f"{sha256}  release.iso\n".encode())
        subprocess.run(["minisign", "-G", "-W", "-p", "k.pub", "-s", "k.sec"], cwd=self.dir, check=True,
                       capture_output=True)
        subprocess.run(["minisign", "-S", "-s", "k.sec", "-m", "SHA256SUMS"], cwd=self.dir, check=True,
                       capture_output=True)
        # A hash on the clipboard is offered as in vmview; the list's signature then takes the notice.
        self.assertEqual(self.host("clipboard", "SHA256: " + "ab" * 32), "ok")
        self.host.open(self.write("notes.txt", b"notes\n"))
        self.assertEqual(self.host("text", "notice"), 'The clipboard contains a SHA-256 hash.  <a id="a">Compare</a>'
                                                      '    <a id="x">Dismiss</a>')
        self.host.open(download)
        for _ in range(100):
            details = unescaped(self.host("text", "details"))
            if "Signed by:" in details and "Checking" not in details:
                break
            time.sleep(0.2)
        self.assertEqual(self.host("text", "verdict"),
                         "release.iso matches SHA256SUMS (line 1), but the list is signed by a key you don't trust yet.")
        self.assertIn(f"Expected:\t{sha256} (SHA256SUMS, line 1)", details)
        self.assertIn("Signed by:", details)
        self.assertTrue(self.host("text", "notice").startswith("SHA256SUMS is signed by an untrusted key (minisign key "))

    def test_cancel_stops_a_long_hash_and_the_dll_unloads_once_its_threads_end(self):
        big = self.big_file()
        self.host.open(big)
        time.sleep(0.5)
        self.assertEqual(self.host("visible", "cancel"), "1")
        cancelled = time.monotonic()
        self.host("click", "cancel")
        self.assertEqual(self.host("wait"), "idle")
        self.assertLess(time.monotonic() - cancelled, 5)
        self.assertNotIn("SHA-256:", self.host("text", "details"))
        self.assertEqual(self.host("visible", "hash"), "1")
        # Closed while it hashes: the page's threads end, then the DLL may go.
        self.host("click", "hash")
        self.assertEqual(self.host("visible", "cancel"), "1")
        self.host("close")
        self.assertEqual(self.host("unload"), "S_OK")

    def test_open_and_close_cycles_leave_handles_and_memory_flat(self):
        """Wine's property sheet itself keeps some 24 KB a sheet: the page is
        measured against a sheet of the same template without the DLL's code."""
        path = self.write("small.txt", b"hello\n")
        self.host("cycles", 10, windows_path(path))
        self.host("bare", 10)
        handles, memory = self.host.usage()
        self.assertEqual(self.host("cycles", 200, windows_path(path)), "done")
        page_handles, page_memory = self.host.usage()
        self.assertEqual(self.host("bare", 200), "done")
        _, bare_memory = self.host.usage()
        print(f"200 cycles: handles {handles} -> {page_handles}; memory +{page_memory - memory} bytes with the page, "
              f"+{bare_memory - page_memory} bytes with the bare sheet")
        self.assertLessEqual(page_handles, handles + 2)
        self.assertLess((page_memory - memory) - (bare_memory - page_memory), 200 * 1536)
        self.assertEqual(self.host("unload"), "S_OK")

    def test_wines_properties_dialog_shows_the_page(self):
        regsvr32()
        try:
            path = self.write("download.iso", b"download\n")
            self.assertIn("Checksums", self.host("properties", windows_path(path)).split("\t"))
            self.screenshot("shell-properties-dialog.png")
            self.host("close")
        finally:
            regsvr32("/u")


class ExplorerMenu(ShellTestCase):
    def menu(self, *paths):
        """{title: shown} of the entry's commands, after checking the entry itself."""
        fields = self.host("menu", *map(windows_path, paths)).split("\t")
        self.assertEqual(fields[0], "Verimond||shown")
        self.assertEqual(fields[1], f"flags={ECF_HASSUBCOMMANDS}")
        commands = [field.split("|") for field in fields[2:]]
        self.assertEqual([(title, tip) for title, tip, _ in commands], COMMANDS)
        return {title: state == "shown" for title, _, state in commands}

    def shown(self, *paths):
        return [title for title, shown in self.menu(*paths).items() if shown]

    def test_commands_fit_the_selection(self):
        notes = self.write("notes.txt", b"notes\n")
        download = self.write("release.iso", b"release\n")
        self.write("SHA256SUMS", f"{hashlib.sha256(b'release').hexdigest()}  other.iso\n"
                                 f"{hashlib.sha256(b'release' + bytes([10])).hexdigest()}  release.iso\n".encode())
        self.write("SHA256SUMS.asc", b"-----BEGIN PGP SIGNATURE-----\n")
        tool = self.write("tool.zip", b"tool\n")
        signature = self.write("tool.zip.minisig", b"untrusted comment: signature\n")
        (self.dir / "folder").mkdir()
        self.assertEqual(self.host("clipboard", ""), "ok")
        calculate, verify, signer, compare = (title for title, _ in COMMANDS)
        self.assertEqual(self.shown(notes), [calculate])
        self.assertEqual(self.shown(self.dir / "folder"), [calculate])
        self.assertEqual(self.shown(self.dir / "SHA256SUMS"), [calculate, verify, signer])  # signed beside it
        self.assertEqual(self.shown(download), [calculate, signer])  # in a signed list beside it
        self.assertEqual(self.shown(tool), [calculate, signer])  # its own signature beside it
        self.assertEqual(self.shown(signature), [calculate, signer])  # the signature itself
        self.assertEqual(self.shown(notes, tool), [calculate])  # signers are checked one file at a time
        (self.dir / "SHA256SUMS.asc").unlink()
        self.assertEqual(self.shown(download), [calculate])  # listed, but the list isn't signed
        self.assertEqual(self.host("clipboard", "SHA256: " + "ab" * 32), "ok")
        self.assertEqual(self.shown(notes, self.dir / "folder"), [calculate, compare])
        self.host("clipboard", "not a hash")
        self.assertEqual(self.shown(notes), [calculate])

    def test_invoking_a_command_hands_its_items_to_the_open_window(self):
        notes = self.write("notes.txt", b"notes\n")
        tool = self.write("tool.zip", b"tool\n")
        signature = self.write("tool.zip.minisig", b"untrusted comment: signature\n")
        self.start()
        self.assertEqual(self.host("invoke", 0, windows_path(notes)), "0x00000000")
        self.assertEqual(self.wait_for_rows(1)[0][0], "notes.txt")
        # "Check who signed this" on a signature opens the file it signs.
        self.assertEqual(self.host("invoke", 2, windows_path(signature)), "0x00000000")
        self.assertEqual([row[0] for row in self.wait_for_rows(2)], ["notes.txt", "tool.zip"])
        self.assertEqual(self.driver("processes").count("vmview.exe"), 1)
        self.assertTrue(tool.exists())

    def wait_for_rows(self, count):
        for _ in range(100):
            rows = self.idle_rows()
            if len(rows) >= count:
                return rows
            time.sleep(0.2)
        self.fail(f"expected {count} rows, got {rows}")


class Registration(ShellTestCase):
    def assertRegistered(self, root):
        folder = windows_path(Path(DLL).parent)
        verbs, classes, handler = extension_keys(root)[:2], extension_keys(root)[2:4], extension_keys(root)[4]
        for verb in verbs:
            self.assertEqual(registry_values(verb), {"": "Calculate checksums", "Icon": f'"{folder}\\vmview.exe",0',
                                                     "ExplorerCommandHandler": COMMAND_CLASS})
            self.assertEqual(registry_values(verb + r"\command"), {"": f'"{folder}\\vmview.exe" "%1"'})
        for key in classes:
            self.assertEqual(registry_values(key + r"\InprocServer32"),
                             {"": windows_path(DLL), "ThreadingModel": "Apartment"})
        self.assertEqual(registry_values(handler), {"": PAGE_CLASS})

    def assertNothingLeft(self, root):
        for key in extension_keys(root):
            self.assertIsNone(registry_values(key), key)

    def test_for_everyone_and_for_one_user_then_nothing_left(self):
        for root, switches in [("HKLM", []), ("HKCU", ["/n", "/i:user"])]:
            with self.subTest(root):
                regsvr32(*switches)
                self.assertRegistered(root)
                self.assertNothingLeft("HKCU" if root == "HKLM" else "HKLM")
                regsvr32("/u", *switches)
                self.assertNothingLeft(root)


if __name__ == "__main__":
    main()
