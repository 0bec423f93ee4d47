"""vmview in a real window under Xvfb: a driver program sends what a user's
actions send and reads back the list, the status line and the buttons."""
import os
import subprocess
import time

from harness import WINE_RUN, main
from vmview_harness import (ANCHORED, IDC_BANNER, IDC_CHECK_BLAKE3, IDC_CHECK_SHA256, IDC_DETAILS, IDC_EXPECTED, IDC_MORE,
                            IDC_PASTE, IDC_STATUS, IDC_VERDICT, ID_CLEAR, ID_REMOVE, ID_SHOW_LEGACY, ID_UPPERCASE, KEY,
                            MORE_CRC32, MORE_MD2, VMVIEW, VmviewTestCase, wine, windows_path)


class VmviewWindow(VmviewTestCase):
    def test_paths_on_the_command_line_reach_done_with_vmsum_digests(self):
        self.write("a.txt", b"abc")
        self.write("docs/big.bin", os.urandom(3 * 1024 * 1024 + 17))
        self.write("docs/deeper/c.txt", "Grüße".encode())
        self.start(self.dir / "a.txt", self.dir / "docs", self.dir / "nope.bin")
        self.assertEqual(self.columns(), ["Name", "Folder", "Size", "MD5", "SHA-1", "SHA-256", "Status"])
        rows = self.idle_rows()
        self.assertEqual([row[0] for row in rows], ["a.txt", "big.bin", "c.txt", "nope.bin"])
        for row, path in zip(rows, ["a.txt", "docs/big.bin", "docs/deeper/c.txt"]):
            self.assertEqual(row[6], "Done", row)
            self.assertEqual(row[3:6], self.vmsum_digests(self.dir / path), path)
        self.assertEqual(rows[0][2], "3 bytes")
        self.assertEqual(rows[1][2], "3.0 MB")
        self.assertEqual(rows[3][6], "Missing")
        self.assertEqual(rows[3][3:6], ["", "", ""])
        self.assertEqual(self.driver("text", IDC_STATUS).strip(), "4 files, 3.0 MB")
        self.close()

    def test_a_second_start_hands_its_paths_to_the_first_window(self):
        self.write("one.txt", b"1")
        self.write("two.txt", b"2")
        self.start(self.dir / "one.txt")
        second = subprocess.run([WINE_RUN, VMVIEW, "two.txt"], cwd=self.dir, timeout=60)
        self.assertEqual(second.returncode, 0)
        self.assertEqual([row[0] for row in self.idle_rows()], ["one.txt", "two.txt"])
        # Messages of another tag, or with an odd byte count, change nothing.
        self.assertEqual(self.driver("rawcopydata", "0x1234", "20").strip(), "0")
        self.assertEqual(self.driver("rawcopydata", "0x4C504D56", "19").strip(), "0")
        self.assertEqual(self.driver("handoff", "one.txt", "ONE.TXT").strip(), "1")  # already listed
        self.assertEqual(len(self.rows()), 2)
        self.close()

    def test_choosing_algorithms_adds_columns_and_their_digests(self):
        self.write("a.txt", b"abc")
        self.start(self.dir / "a.txt")
        self.idle_rows()
        self.driver("click", IDC_CHECK_BLAKE3)
        self.driver("command", MORE_CRC32)
        self.assertEqual(self.columns(), ["Name", "Folder", "Size", "CRC32", "MD5", "SHA-1", "SHA-256", "BLAKE3", "Status"])
        self.assertEqual(self.driver("text", IDC_MORE).strip(), "&More (+1)...")
        row = self.idle_rows()[0]
        self.assertEqual(row[3], "352441c2")
        self.assertEqual(row[7], "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85")
        self.assertEqual(row[8], "Done")
        # Unchecking SHA-256 and everything else leaves SHA-256 alone, checked.
        for command in [MORE_CRC32]:
            self.driver("command", command)
        for box in [1011, 1012, 1013, 1015]:
            self.driver("click", box)
        self.assertEqual(self.columns(), ["Name", "Folder", "Size", "SHA-256", "Status"])
        self.assertEqual(self.driver("checked", IDC_CHECK_SHA256).strip(), "1")
        self.close()

    def test_remove_and_clear(self):
        for name in ["a.txt", "b.txt", "c.txt"]:
            self.write(name, name.encode())
        self.start(self.dir / "a.txt", self.dir / "b.txt", self.dir / "c.txt")
        self.idle_rows()
        self.driver("select", 1)
        self.assertIn("b.txt\r\nFolder:", self.driver("text", IDC_DETAILS))
        self.driver("command", ID_REMOVE)
        self.assertEqual([row[0] for row in self.rows()], ["a.txt", "c.txt"])
        self.assertEqual(self.driver("text", IDC_DETAILS).strip(), "2 files. Select one to see its details.")
        self.driver("command", ID_CLEAR)
        self.assertEqual(self.rows(), [])
        self.assertEqual(self.driver("text", IDC_STATUS).strip(), "")
        self.close()

    def test_settings_survive_a_restart_and_bad_values_fall_back(self):
        self.write("a.txt", b"abc")
        self.start(self.dir / "a.txt")
        self.driver("command", ID_UPPERCASE)
        self.driver("command", ID_SHOW_LEGACY)
        self.driver("command", MORE_MD2)
        self.idle_rows()
        self.close()
        stored = wine("reg", "query", KEY).stdout.decode("utf-8", "replace")
        self.assertRegex(stored, r"Algorithms\s+REG_DWORD\s+0x200e")
        self.assertRegex(stored, r"Uppercase\s+REG_DWORD\s+0x1")
        self.assertRegex(stored, r"ShowLegacy\s+REG_DWORD\s+0x1")
        self.assertRegex(stored, r"Columns\s+REG_BINARY\s+C8000000A000000046000000")
        self.assertRegex(stored, r"Window\s+REG_BINARY")
        self.start(self.dir / "a.txt")
        self.assertEqual(self.columns(), ["Name", "Folder", "Size", "MD5", "SHA-1", "SHA-256", "MD2", "Status"])
        self.assertEqual(self.idle_rows()[0][3], "900150983CD24FB0D6963F7D28E17F72")
        self.close()

        wine("reg", "add", KEY, "/v", "Algorithms", "/t", "REG_DWORD", "/d", "0", "/f")
        wine("reg", "add", KEY, "/v", "ShowLegacy", "/t", "REG_DWORD", "/d", "0", "/f")
        wine("reg", "add", KEY, "/v", "Columns", "/t", "REG_BINARY", "/d", "0A000000" * 3 + "0A0000", "/f")
        self.start(self.dir / "a.txt")
        self.assertEqual(self.columns(), ["Name", "Folder", "Size", "MD5", "SHA-1", "SHA-256", "Status"])
        self.close()

    def test_dropped_files_become_rows(self):
        self.write("dropped.txt", b"drop")
        self.start()
        self.driver("drop", self.dir / "dropped.txt")
        time.sleep(0.5)
        self.assertEqual([row[0] for row in self.idle_rows()], ["dropped.txt"])
        self.close()

    def test_screenshot_and_layout_at_two_sizes(self):
        for name, size in [("setup.exe", 5 * 1024 * 1024), ("readme.txt", 2048), ("release.iso", 1536)]:
            self.write(name, os.urandom(size))
        self.start(*(self.dir / name for name in ["setup.exe", "readme.txt", "release.iso"]))
        self.idle_rows()
        self.driver("select", 0)

        def rects():
            return {cid: tuple(map(int, self.driver("rect", cid).split())) for cid in ANCHORED}

        def assert_no_overlap(placed):
            for a, ra in placed.items():
                for b, rb in placed.items():
                    if a < b:
                        overlap = ra[0] < rb[2] and rb[0] < ra[2] and ra[1] < rb[3] and rb[1] < ra[3]
                        self.assertFalse(overlap, f"controls {a} and {b} overlap: {ra} {rb}")

        original = rects()
        assert_no_overlap(original)
        self.screenshot("vmview.png")
        outer = original[1021]
        self.driver("resize", 1600, 1000)
        assert_no_overlap(rects())
        self.screenshot("vmview-large.png")
        self.driver("resize", 800, 500)
        self.driver("resize", 10, 10)  # held at the minimum size
        self.assertEqual(rects(), original, outer)
        self.close()


class CheckingDownloads(VmviewTestCase):
    def verdict(self):
        return self.driver("text", IDC_VERDICT).strip()

    def test_an_expected_hash_finds_its_file(self):
        for name in ["setup.exe", "readme.txt", "notes.txt"]:
            self.write(name, name.encode())
        self.start(*(self.dir / name for name in ["setup.exe", "readme.txt", "notes.txt"]))
        self.idle_rows()
        sha256 = subprocess.run(["sha256sum", "setup.exe"], cwd=self.dir, stdout=subprocess.PIPE).stdout.split()[0]
        self.driver("settext", IDC_EXPECTED, sha256.decode().upper())
        self.assertEqual(self.verdict(), "Match. The SHA-256 of setup.exe is the expected hash.")
        self.assertEqual(self.rows()[0][-1], "Match (SHA-256)")
        self.screenshot("vmview-match.png")
        # A BLAKE3 value is computed on demand, for every row.
        b3 = subprocess.run(["b3sum", "--no-names", "notes.txt"], cwd=self.dir, stdout=subprocess.PIPE).stdout.split()[0]
        self.driver("settext", IDC_EXPECTED, b3.decode())
        self.idle_rows()
        self.driver("activate")
        self.assertEqual(self.verdict(), "Match. The BLAKE3 of notes.txt is the expected hash.")
        self.driver("settext", IDC_EXPECTED, "0" * 64)
        self.assertEqual(self.verdict(), "No match. None of the 3 files has this hash.")
        self.screenshot("vmview-mismatch.png")
        self.driver("settext", IDC_EXPECTED, "not a hash")
        self.assertEqual(self.verdict(), "This doesn't look like a hash. Paste the hex or base64 value from the website.")
        self.close()

    def test_a_hash_on_the_clipboard_is_offered_and_compared(self):
        self.write("setup.exe", b"setup")
        self.start(self.dir / "setup.exe")
        self.idle_rows()
        sha256 = subprocess.run(["sha256sum", "setup.exe"], cwd=self.dir, stdout=subprocess.PIPE).stdout.split()[0].decode()
        self.driver("clipboard", "SHA256: " + sha256)
        self.driver("activate")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "1")
        self.assertEqual(self.driver("text", IDC_BANNER).strip(),
                         'The clipboard contains a SHA-256 hash.  <a id="a">Compare</a>    <a id="x">Dismiss</a>')
        self.driver("link", IDC_BANNER, 0)
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "0")
        self.assertEqual(self.verdict(), "Match. The SHA-256 of setup.exe is the expected hash.")
        # The same clipboard is not offered again; a CRC32 value never is.
        self.driver("settext", IDC_EXPECTED, "")
        self.driver("activate")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "0")
        self.driver("clipboard", "cbf43926")
        self.driver("activate")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "0")
        self.driver("clipboard", sha256)
        self.driver("click", IDC_PASTE)
        self.assertEqual(self.driver("text", IDC_EXPECTED).strip(), sha256)
        self.close()

    def test_verifying_a_checksum_file(self):
        for name in ["good.bin", "changed.bin", "gone.bin"]:
            self.write(name, name.encode())
        sums = subprocess.run(["sha256sum", "good.bin", "changed.bin", "gone.bin"], cwd=self.dir,
                              stdout=subprocess.PIPE).stdout
        self.write("SHA256SUMS", sums + b"this line is no checksum\n")
        self.write("changed.bin", b"different")
        os.remove(self.dir / "gone.bin")
        self.start(self.dir / "SHA256SUMS")
        self.assertEqual(self.driver("text", IDC_BANNER).strip(),
                         'This looks like a checksum file. <a id="a">Verify the files it lists</a>    <a id="x">Dismiss</a>')
        self.driver("link", IDC_BANNER, 0)
        rows = self.idle_rows()
        self.driver("activate")
        self.assertEqual([row[0] for row in rows], ["good.bin", "changed.bin", "gone.bin"])
        self.assertEqual([row[-1] for row in rows], ["OK (SHA-256)", "FAILED", "Missing"])
        self.assertEqual(self.verdict(), "Not all files match: 1 OK, 1 FAILED, 1 missing.")
        self.assertEqual(self.driver("text", IDC_BANNER).strip(),
                         "1 line of the checksum file aren't checksums and were skipped (first: line 4)."
                         '    <a id="x">Dismiss</a>')
        self.driver("select", 0)
        self.assertIn("Expected:\t", self.driver("text", IDC_DETAILS))
        self.screenshot("vmview-verification.png")
        # One file named like a checksum file is offered for verification; two files are not.
        self.write("checksums.txt", b"")
        self.write("other.txt", b"")
        self.driver("handoff", "checksums.txt", "other.txt")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "1")  # still the skipped-lines notice
        self.assertIn("skipped", self.driver("text", IDC_BANNER))
        self.driver("link", IDC_BANNER, 0)  # Dismiss
        self.driver("command", 40014)
        self.driver("handoff", "checksums.txt")
        self.assertEqual(self.driver("text", IDC_BANNER).strip(),
                         'This looks like a checksum file. <a id="a">Verify the files it lists</a>    <a id="x">Dismiss</a>')
        self.assertEqual(self.driver("text", IDC_STATUS).strip(), "1 file, 0 bytes")
        # Accepted, the offer finds no checksum lines: the row is gone, and so is its count.
        self.driver("link", IDC_BANNER, 0, "post")
        self.assertEqual(self.driver("message").splitlines()[0], "No checksums were found in this file.")
        self.assertEqual(self.rows(), [])
        self.assertEqual(self.driver("text", IDC_STATUS).strip(), "")
        self.close()


    def test_copying_and_comparing_selected_rows(self):
        self.write("a.txt", b"abc")
        self.write("copy of a.txt", b"abc")
        self.write("longer.txt", b"abcd")
        self.start(self.dir / "a.txt", self.dir / "copy of a.txt", self.dir / "longer.txt")
        self.idle_rows()
        self.driver("select", 0)
        self.driver("command", 40010)  # Ctrl+C with the list focused: Copy Hashes
        self.assertEqual(self.driver("getclipboard"),
                         "MD5: 900150983cd24fb0d6963f7d28e17f72\r\nSHA-1: a9993e364706816aba3e25717850c26c9cd0d89d\r\n"
                         "SHA-256: ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\r\n")
        self.driver("command", 41103)  # Copy SHA-256 from the context menu
        self.assertEqual(self.driver("getclipboard"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")
        self.driver("select", 0, 1)
        self.driver("command", 40101)  # Copy Line
        self.assertEqual(self.driver("getclipboard"),
                         "900150983cd24fb0d6963f7d28e17f72  a.txt\r\n900150983cd24fb0d6963f7d28e17f72  copy of a.txt\r\n")
        self.driver("command", 40107)  # Copy Path
        self.assertEqual(self.driver("getclipboard"),
                         f"{windows_path(self.dir / 'a.txt')}\r\n{windows_path(self.dir / 'copy of a.txt')}\r\n")
        self.driver("post", 40106)  # Compare These Two Files
        self.assertEqual(self.driver("message").splitlines()[:3], ["The two files are identical.", "a.txt", "copy of a.txt"])
        self.driver("select", 0, 2)
        self.driver("post", 40106)
        texts = self.driver("message").splitlines()
        self.assertEqual(texts[0], "The two files are different.")
        self.assertIn("Their sizes differ.", texts)
        self.close()

    def test_details_show_where_a_file_was_downloaded_from(self):
        self.write("setup.exe", b"MZ")
        # Wine keeps a file's alternate data stream as a file of that name beside it.
        self.write("setup.exe:Zone.Identifier",
                   b"[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.org/get\r\n"
                   b"HostUrl=https://cdn.example.org/setup.exe\r\n")
        self.start(self.dir / "setup.exe")
        self.idle_rows()
        self.driver("select", 0)
        details = self.driver("text", IDC_DETAILS)
        self.assertIn("\r\nDownloaded from:\thttps://cdn.example.org/setup.exe\r\n"
                      "From the page:\thttps://example.org/get", details)
        self.close()

    def test_hash_text_dialog(self):
        self.start()
        self.driver("post", 40015)
        self.driver("dialog", "Hash Text", "type", 1101, "abc")
        result = self.driver("dialog", "Hash Text", "text", 1105)
        self.assertEqual(result.splitlines()[0], "MD5:\t900150983cd24fb0d6963f7d28e17f72")
        self.assertTrue(result.endswith("3 bytes"))
        self.driver("dialog", "Hash Text", "click", 1104)  # a final line break, as echo adds
        echo = subprocess.run(["sha256sum"], input=b"abc\n", stdout=subprocess.PIPE).stdout.split()[0].decode()
        result = self.driver("dialog", "Hash Text", "text", 1105)
        self.assertIn("SHA-256:\t" + echo, result)
        self.assertTrue(result.endswith("4 bytes"))
        self.driver("dialog", "Hash Text", "select", 1102, 1)  # UTF-16 LE
        self.assertTrue(self.driver("dialog", "Hash Text", "text", 1105).endswith("8 bytes"))
        self.driver("dialog", "Hash Text", "click", 1106)
        self.assertFalse(self.driver("getclipboard").endswith("bytes"))
        self.screenshot("vmview-hash-text.png")
        self.driver("dialog", "Hash Text", "click", 2)
        self.close()

    def test_checksum_files_that_cannot_be_used_are_reported(self):
        self.write("a.txt", b"abc")
        self.write("empty.sha256", b"no checksums here\n")
        with open(self.dir / "huge.sha256", "wb") as huge:
            huge.truncate(64 * 1024 * 1024 + 1)
        self.start(self.dir / "a.txt")
        for name, instruction in [("empty.sha256", "No checksums were found in this file."),
                                  ("huge.sha256", "The checksum file can't be read.")]:
            self.driver("post", 40003)
            self.driver("filedialog", "Verify Checksum File", windows_path(self.dir / name), 0)
            texts = self.driver("message").splitlines()
            self.assertEqual(texts[0], instruction)
            self.assertEqual(texts[1], windows_path(self.dir / name))
        self.assertEqual(len(self.rows()), 1)  # nothing was added
        self.driver("command", 40014)
        self.driver("post", 40004)
        self.assertEqual(self.driver("message").splitlines()[:2],
                         ["There's nothing to save yet.", "Add files and wait until their checksums are calculated."])
        self.close()

    def test_saving_checksums_in_each_format(self):
        self.write("a.txt", b"abc")
        self.write("sub/b c.txt", b"spaces")
        self.start(self.dir / "a.txt", self.dir / "sub")
        self.driver("click", 1015)  # BLAKE3 too
        self.idle_rows()
        # Types offered: MD5, SHA-1, SHA-256, BLAKE3, then BSD, CSV and JSON.
        for index, name in [(2, "out.sha256"), (3, "out.b3"), (4, "out.digests"), (5, "out.csv"), (6, "out.json")]:
            self.driver("post", 40004)
            self.driver("filedialog", "Save Checksums", windows_path(self.dir / name), index)
        self.assertEqual(subprocess.run(["sha256sum", "-c", "out.sha256"], cwd=self.dir).returncode, 0)
        self.assertEqual(subprocess.run(["b3sum", "-c", "out.b3"], cwd=self.dir).returncode, 0)
        self.assertIn(b"sub/b c.txt", (self.dir / "out.sha256").read_bytes())
        checked = subprocess.run([WINE_RUN, os.environ["VMSUM_EXE"], "-c", "out.digests"], cwd=self.dir,
                                 stdout=subprocess.PIPE)
        self.assertEqual((checked.returncode, checked.stdout.count(b": OK")), (0, 8))
        self.assertTrue((self.dir / "out.csv").read_bytes().startswith(b"Path,Size,MD5,SHA-1,SHA-256,BLAKE3\n"))
        self.assertIn(b'"path": "sub/b c.txt", "size": 6', (self.dir / "out.json").read_bytes())
        self.close()


if __name__ == "__main__":
    main()
