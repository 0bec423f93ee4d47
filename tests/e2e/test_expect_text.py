"""vmsum --expect and --text."""
import hashlib
import subprocess

from harness import VmsumTestCase, main

ABC_SHA256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"
ABC_SHA3_256 = "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532"
ABC_BLAKE3 = "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"


class ExpectMode(VmsumTestCase):
    def setUp(self):
        super().setUp()
        self.write("a.txt", b"abc")
        self.write("b.txt", b"bbb")
        self.write("sub/c.txt", b"abc")

    def test_the_matching_candidate_is_named(self):
        for value, name in [(ABC_SHA256, "SHA-256"), (ABC_SHA3_256, "SHA3-256"), (ABC_BLAKE3, "BLAKE3"),
                            (ABC_SHA256.upper(), "SHA-256"), ("0x352441C2", "CRC32"),
                            ("78:af:5f:94:89:2f:39:50", "XXH3-64"), ("MD5: 900150983cd24fb0d6963f7d28e17f72", "MD5"),
                            ("sha256-ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", "SHA-256")]:
            with self.subTest(value=value):
                run = self.vmsum("--expect", value, "a.txt")
                self.assertEqual((run.code, run.out, run.err), (0, f"MATCH ({name}): a.txt\n".encode(), b""))

    def test_several_files_and_exit_code_precedence(self):
        run = self.vmsum("--expect", ABC_SHA256, "a.txt", "sub\\c.txt")
        self.assertEqual((run.code, run.out), (0, b"MATCH (SHA-256): a.txt\nMATCH (SHA-256): sub\\c.txt\n"))
        run = self.vmsum("--expect", ABC_SHA256, "a.txt", "b.txt")
        self.assertEqual((run.code, run.out), (1, b"MATCH (SHA-256): a.txt\nNO MATCH: b.txt\n"))
        run = self.vmsum("--expect", ABC_SHA256, "a.txt", "gone.txt")
        self.assertEqual((run.code, run.out), (3, b"MATCH (SHA-256): a.txt\n"))
        self.assertTrue(run.err.startswith(b"vmsum: gone.txt: ") and run.err.endswith(b".\r\n"))
        # A mismatch wins over read errors, before or after them.
        self.assertEqual(self.vmsum("--expect", ABC_SHA256, "gone.txt", "b.txt").code, 1)
        self.assertEqual(self.vmsum("--expect", ABC_SHA256, "b.txt", "gone.txt", "*.nothing").code, 1)
        self.assertEqual(self.vmsum("--expect", ABC_SHA256, "a.txt", "*.nothing").code, 3)

    def test_folders_and_recursion(self):
        run = self.vmsum("--expect", ABC_SHA256, "-r", ".")
        self.assertEqual(run.out, b"MATCH (SHA-256): a.txt\nNO MATCH: b.txt\nMATCH (SHA-256): sub\\c.txt\n")

    def test_status_prints_nothing(self):
        for files, code in [(["a.txt"], 0), (["a.txt", "b.txt"], 1)]:
            run = self.vmsum("--status", "--expect", ABC_SHA256, *files)
            self.assertEqual((run.code, run.out, run.err), (code, b"", b""))

    def test_standard_input(self):
        run = self.vmsum("--expect", ABC_SHA256, "-", stdin=b"abc")
        self.assertEqual((run.code, run.out), (0, b"MATCH (SHA-256): -\n"))

    def test_a_pasted_checksum_line_names_its_file(self):
        for line in [ABC_SHA256 + "  a.txt", ABC_SHA256 + " *a.txt", "SHA256 (a.txt) = " + ABC_SHA256]:
            with self.subTest(line=line):
                run = self.vmsum("--expect", line)
                self.assertEqual((run.code, run.out), (0, b"MATCH (SHA-256): a.txt\n"))
        run = self.vmsum("--expect", ABC_SHA256 + "  a.txt", "b.txt")
        self.assertEqual((run.code, run.out), (1, b"NO MATCH: b.txt\n"))

    def test_usage_errors(self):
        self.assertUsageError(self.vmsum("--expect", "not a hash", "a.txt"), '"not a hash" doesn\'t look like a hash.')
        self.assertUsageError(self.vmsum("--expect", "abcd" * 7, "a.txt"),
                              '"' + "abcd" * 7 + '" doesn\'t look like a hash.')
        self.assertUsageError(self.vmsum("--expect", ABC_SHA256), "--expect needs the file to compare.")


class TextMode(VmsumTestCase):
    def test_one_algorithm_prints_the_digest_alone(self):
        for text in ["abc", "", "Gr\u00fc\u00dfe aus K\u00f6ln \u65e5\u672c"]:
            with self.subTest(text=text):
                run = self.vmsum("--text", text)
                expected = subprocess.run(["sha256sum"], input=text.encode("utf-8"), stdout=subprocess.PIPE).stdout
                self.assertEqual((run.code, run.out), (0, expected.split()[0] + b"\n"))

    def test_several_algorithms_and_upper_case(self):
        run = self.vmsum("--text", "abc", "-a", "sha1,md5", "-u")
        self.assertEqual(run.out, b"MD5  900150983CD24FB0D6963F7D28E17F72\n"
                                  b"SHA-1  A9993E364706816ABA3E25717850C26C9CD0D89D\n")
        run = self.vmsum("--text=", "-a", "crc32")
        self.assertEqual(run.out, b"00000000\n")
        run = self.vmsum("-a", "sha3-512", "--text", "\u00e9")
        self.assertEqual(run.out, hashlib.sha3_512("\u00e9".encode()).hexdigest().encode() + b"\n")


if __name__ == "__main__":
    main()
