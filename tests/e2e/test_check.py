"""vmsum -c: result lines, summary and exit codes, against files that vmsum,
GNU sha256sum and other tools wrote."""
import os
import subprocess

from harness import VmsumTestCase, main

ABC_SHA256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"


class CheckMode(VmsumTestCase):
    def setUp(self):
        super().setUp()
        for name, data in [("a.txt", b"abc"), ("b c.txt", b"b"), ("sub/d.txt", b"d")]:
            self.write(name, data)

    def sha256sum_list(self, *names):
        output = subprocess.run(["sha256sum", *names], cwd=self.dir, stdout=subprocess.PIPE, check=True).stdout
        return self.write("SHA256SUMS", output)

    def test_all_ok_quiet_and_status(self):
        self.sha256sum_list("a.txt", "b c.txt", "sub/d.txt")
        run = self.vmsum("-c", "SHA256SUMS")
        self.assertEqual((run.code, run.out, run.err), (0, b"a.txt: OK\nb c.txt: OK\nsub/d.txt: OK\n", b""))
        self.assertEqual(self.vmsum("-c", "-q", "SHA256SUMS").out, b"")
        run = self.vmsum("--status", "-c", "SHA256SUMS")
        self.assertEqual((run.code, run.out, run.err), (0, b"", b""))

    def test_a_mismatch(self):
        self.sha256sum_list("a.txt", "b c.txt", "sub/d.txt")
        self.write("b c.txt", b"changed")
        run = self.vmsum("-c", "SHA256SUMS")
        self.assertEqual(run.code, 1)
        self.assertEqual(run.out, b"a.txt: OK\nb c.txt: FAILED\nsub/d.txt: OK\n")
        self.assertEqual(run.err, b"vmsum: 2 OK, 1 FAILED.\r\n")
        self.assertEqual(self.vmsum("-c", "-q", "SHA256SUMS").out, b"b c.txt: FAILED\n")
        run = self.vmsum("--status", "-c", "SHA256SUMS")
        self.assertEqual((run.code, run.out, run.err), (1, b"", b""))

    def test_missing_files(self):
        self.sha256sum_list("a.txt", "b c.txt")
        os.remove(self.dir / "b c.txt")
        run = self.vmsum("-c", "SHA256SUMS")
        self.assertEqual((run.code, run.out), (3, b"a.txt: OK\nb c.txt: MISSING\n"))
        self.assertEqual(run.err, b"vmsum: 1 OK, 1 missing.\r\n")
        run = self.vmsum("-c", "--ignore-missing", "SHA256SUMS")
        self.assertEqual((run.code, run.out, run.err), (0, b"a.txt: OK\n", b""))

    def test_a_mismatch_outweighs_missing_and_unreadable(self):
        self.write("SHA256SUMS", f"{'0' * 64}  a.txt\n{ABC_SHA256}  gone.txt\n{ABC_SHA256}  sub\n".encode())
        run = self.vmsum("-c", "SHA256SUMS")
        self.assertEqual(run.code, 1)
        lines = run.out.decode().splitlines()
        self.assertEqual(lines[:2], ["a.txt: FAILED", "gone.txt: MISSING"])
        self.assertTrue(lines[2].startswith("sub: UNREADABLE (") and lines[2].endswith(")"), lines)
        self.assertEqual(run.err, b"vmsum: 0 OK, 1 FAILED, 1 missing, 1 unreadable.\r\n")

    def test_checksum_files_without_lines_or_unreadable(self):
        self.write("empty.sha256", b"")
        run = self.vmsum("-c", "empty.sha256")
        self.assertEqual((run.code, run.out, run.err), (1, b"", b"vmsum: empty.sha256: No checksum lines found.\r\n"))
        run = self.vmsum("--status", "-c", "empty.sha256")
        self.assertEqual((run.code, run.err), (1, b"vmsum: empty.sha256: No checksum lines found.\r\n"))
        run = self.vmsum("-c", "absent.sha256")
        self.assertEqual(run.code, 3)
        self.assertTrue(run.err.startswith(b"vmsum: absent.sha256: "), run.err)
        self.assertTrue(run.err.endswith(b".\r\nvmsum: 0 OK, 1 unreadable.\r\n"), run.err)
        self.sha256sum_list("a.txt")
        self.assertEqual(self.vmsum("-c", "SHA256SUMS", "empty.sha256", "absent.sha256").code, 1)
        self.assertEqual(self.vmsum("-c", "SHA256SUMS", "absent.sha256").code, 3)

    def test_lines_that_are_not_checksum_lines(self):
        self.write("one.sha256", f"garbage\n{ABC_SHA256}  a.txt\n".encode())
        run = self.vmsum("-c", "one.sha256")
        self.assertEqual((run.code, run.out), (0, b"a.txt: OK\n"))
        self.assertEqual(run.err, b"vmsum: one.sha256: 1 line isn't a checksum line (first: line 1).\r\n")
        self.write("two.sha256", f"{ABC_SHA256}  a.txt\n\n# comment\nbad\nworse\n".encode())
        run = self.vmsum("-c", "two.sha256")
        self.assertEqual(run.err, b"vmsum: two.sha256: 2 lines aren't a checksum line (first: line 4).\r\n")
        self.assertEqual(self.vmsum("--status", "-c", "two.sha256").err, b"")

    def test_list_from_standard_input_resolves_against_the_current_folder(self):
        text = f"{ABC_SHA256}  a.txt\n".encode()
        for args in [["-c"], ["-c", "-"]]:
            run = self.vmsum(*args, stdin=text)
            self.assertEqual((run.code, run.out), (0, b"a.txt: OK\n"), args)

    def test_entries_resolve_against_the_checksum_files_folder(self):
        (self.dir / "lists").mkdir()
        self.write("lists/up.sha256", f"{ABC_SHA256}  ../a.txt\n".encode())
        run = self.vmsum("-c", "lists/up.sha256")
        self.assertEqual((run.code, run.out), (0, b"../a.txt: OK\n"))

    def test_a_checksum_file_listing_itself_is_skipped(self):
        run = self.vmsum("-r", ".")
        (self.dir / "SHA256SUMS").write_bytes(run.out + f"{'1' * 64}  SHA256SUMS\n".encode())
        run = self.vmsum("-c", "SHA256SUMS")
        self.assertEqual((run.code, run.err), (0, b""))
        self.assertNotIn(b"SHA256SUMS", run.out)

    def test_round_trip_in_every_readable_format_and_algorithm(self):
        self.write("\u65e5\u672c \u00e9.txt", "x".encode())
        for args, name in [(["-a", "all"], "all.txt"), (["-a", "md5"], "list.md5"), (["-a", "xxh3"], "x.xxh3"),
                           (["-f", "sfv"], "files.sfv"), (["-a", "blake3,crc32"], "mixed")]:
            with self.subTest(args=args):
                run = self.vmsum("-r", *args, ".")
                (self.dir / name).write_bytes(run.out)
                checked = self.vmsum("-c", name)
                self.assertEqual((checked.code, checked.err), (0, b""), checked.out)
                self.assertIn("\u65e5\u672c \u00e9.txt: OK\n".encode(), checked.out)

    def test_files_from_peer_tools(self):
        peers = [(["md5sum"], "MD5SUMS"), (["sha512sum", "--tag"], "tagged"), (["b3sum"], "b3.sums"),
                 (["xxhsum", "-H2"], "XXH128SUMS"), (["rhash", "--sfv"], "rhash.sfv"),
                 (["sha1sum"], "windows-lines.sha1")]
        for command, name in peers:
            with self.subTest(peer=command[0]):
                output = subprocess.run([*command, "a.txt", "b c.txt"], cwd=self.dir, stdout=subprocess.PIPE,
                                        check=True).stdout
                if name.startswith("windows"):
                    output = b"\xef\xbb\xbf" + output.replace(b"\n", b"\r\n")
                self.write(name, output)
                run = self.vmsum("-c", name)
                self.assertEqual((run.code, run.out, run.err), (0, b"a.txt: OK\nb c.txt: OK\n", b""))

    def test_clear_signed_list(self):
        body = f"{ABC_SHA256}  a.txt\n- {ABC_SHA256}  a.txt\n"
        self.write("SHA256SUMS.asc", ("-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n\n" + body +
                                      "-----BEGIN PGP SIGNATURE-----\n\nwsBcBAEBCAAQ\n=x9Yz\n"
                                      "-----END PGP SIGNATURE-----\n").encode())
        run = self.vmsum("-c", "SHA256SUMS.asc")
        # The made-up signature is reported, and only decides the exit code when one is required.
        self.assertEqual((run.code, run.out), (0, b"a.txt: OK\na.txt: OK\n"))
        self.assertTrue(run.err.startswith(b"vmsum: SHA256SUMS.asc: The signature is damaged"), run.err)

    def test_utf16_list(self):
        text = f"{ABC_SHA256}  a.txt\r\n"
        self.write("le.sha256", b"\xff\xfe" + text.encode("utf-16-le"))
        self.write("be.sha256", b"\xfe\xff" + text.encode("utf-16-be"))
        for name in ["le.sha256", "be.sha256"]:
            self.assertEqual(self.vmsum("-c", name).out, b"a.txt: OK\n", name)


if __name__ == "__main__":
    main()
