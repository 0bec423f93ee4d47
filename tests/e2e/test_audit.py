"""vmsum --audit against hashdeep's audit mode: each tool lists the same tree
at the same moment, the tree is changed, and both must find the same files
changed, new, gone and moved."""
import os
import random
import subprocess

from harness import WINE_RUN, VmsumTestCase, main


def hashdeep_findings(tree, known):
    """hashdeep -a -vv -k, mapped to vmsum's words. hashdeep names a move by a
    known file of the same content, not always the file that left, so moves are
    compared by where files went, and every listed name that left is compared
    as a set."""
    run = subprocess.run(["hashdeep", "-c", "sha256", "-r", "-l", "-a", "-vv", "-k", str(known), "."], cwd=tree,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    listed = {line.split(",", 2)[2].removeprefix("./") for line in known.read_text("utf-8").splitlines()
              if line and line[0].isdigit()}
    no_match, not_used, moved_to = set(), set(), set()
    for line in run.stdout.decode("utf-8").splitlines():
        name, _, verdict = line.rpartition(": ")
        if ": Moved from " in line:
            moved_to.add(line.split(": Moved from ")[0].removeprefix("./"))
        elif verdict == "No match":
            no_match.add(name.removeprefix("./"))
        elif verdict == "Known file not used":
            not_used.add(name.removeprefix("./"))
    present = {str(p.relative_to(tree)) for p in tree.rglob("*") if p.is_file()}
    return {"CHANGED": no_match & not_used, "NEW": no_match - listed, "MOVED TO": moved_to,
            "GONE": listed - present}


def vmsum_findings(output):
    findings = {"CHANGED": set(), "NEW": set(), "MOVED TO": set(), "GONE": set(), "UNCHANGED": set()}
    for line in output.decode("utf-8").splitlines():
        name, _, verdict = line.rpartition(": ")
        if verdict == "MOVED":
            old, new = name.split(" -> ")
            findings["GONE"].add(old)
            findings["MOVED TO"].add(new)
        elif verdict == "MISSING":
            findings["GONE"].add(name)
        else:
            findings[verdict].add(name)
    return findings


class Audit(VmsumTestCase):
    def make_tree(self, count):
        random.seed(16)
        names = [f"d{i % 17}/file {i}.bin" for i in range(count)] + ["Grüße/ünïcødé name.txt", "twin a.bin",
                                                                      "twin b.bin"]
        for name in names:
            self.write(f"tree/{name}", b"twin\n" if name.startswith("twin") else os.urandom(random.randint(1, 3000)))
        return self.dir / "tree"

    def test_findings_match_hashdeep_on_a_thousand_files(self):
        tree = self.make_tree(1000)
        self.write("tree/.hidden-notes", b"hidden\n")
        known = self.dir / "known.txt"
        known.write_bytes(subprocess.run(["hashdeep", "-c", "sha256", "-r", "-l", "."], cwd=tree,
                                         stdout=subprocess.PIPE, check=True).stdout)
        listed = self.vmsum("-r", "--hidden", ".", cwd=tree)
        (tree / "SHA256SUMS").write_bytes(listed.out)
        self.assertEqual(self.vmsum("--audit", "SHA256SUMS", "--hidden", cwd=tree).code, 0)

        files = sorted(str(p.relative_to(tree)) for p in tree.rglob("*.bin") if "twin" not in p.name)
        changed, removed, renamed = files[0:12], files[12:24], files[24:36]
        for name in changed:
            (tree / name).write_bytes(os.urandom(100))
        for name in removed:
            (tree / name).unlink()
        for i, name in enumerate(renamed):
            target = tree / (f"moved/into another folder {i}.bin" if i % 2 else name.replace(".bin", " renamed.bin"))
            target.parent.mkdir(exist_ok=True)
            (tree / name).rename(target)
        for i in range(12):
            self.write(f"tree/new/n\u00e9w {i}.dat", os.urandom(50 + i))
        (tree / "twin b.bin").rename(tree / "twin c.bin")  # one of two identical files
        (tree / "Grüße/ünïcødé name.txt").rename(tree / "Grüße/renamed ünïcødé.txt")

        run = self.vmsum("--audit", "SHA256SUMS", "--hidden", "-v", cwd=tree)
        self.assertEqual(run.code, 1, run.err)
        ours = vmsum_findings(run.out)
        theirs = hashdeep_findings(tree, known)
        theirs["NEW"].discard("SHA256SUMS")  # vmsum's list, made after hashdeep's
        for kind in ["CHANGED", "NEW", "MOVED TO", "GONE"]:
            self.assertEqual(ours[kind], theirs[kind], kind)
        self.assertEqual(len(ours["CHANGED"]), 12)
        self.assertEqual(len(ours["MOVED TO"]), 14)
        self.assertEqual(len(ours["UNCHANGED"]), 1003 + 1 - 36 - 2)
        self.assertEqual(run.err, b"vmsum: 966 unchanged, 12 changed, 12 new, 12 missing, 14 moved.\r\n")

        # The update: read back by sha256sum with every line OK, and nothing left to find.
        old_list = (tree / "SHA256SUMS").read_bytes()
        (tree / "SHA256SUMS.vmsum-new").mkdir()  # where the new list would be written: the write fails
        run = self.vmsum("--audit", "SHA256SUMS", "--hidden", "--update", cwd=tree)
        self.assertEqual(run.code, 3)
        self.assertIn(b"The old list is unchanged.", run.err)
        self.assertEqual((tree / "SHA256SUMS").read_bytes(), old_list)
        (tree / "SHA256SUMS.vmsum-new").rmdir()
        run = self.vmsum("--audit", "SHA256SUMS", "--hidden", "--update", cwd=tree)
        self.assertEqual(run.code, 1)
        self.assertTrue(run.err.endswith(b"vmsum: SHA256SUMS: Updated.\r\n"), run.err)
        updated = (tree / "SHA256SUMS").read_bytes().splitlines()
        old_lines = old_list.splitlines()
        kept = [line for line in updated if line in set(old_lines)]
        self.assertEqual(kept, [line for line in old_lines if line in set(updated)])  # unchanged ones keep their order
        self.assertEqual(len(kept), 966)
        self.assertTrue(all(b"  new/" in line for line in updated[-12:]), updated[-12:])  # new files at the end
        checked = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=tree, stdout=subprocess.PIPE)
        self.assertEqual(checked.returncode, 0)
        self.assertEqual(checked.stdout.count(b": OK\n"), 1003 + 1 - 12 + 12)
        self.assertEqual(self.vmsum("--audit", "SHA256SUMS", "--hidden", cwd=tree).code, 0)

    def test_hidden_files_folders_and_usage(self):
        tree = self.make_tree(3)
        self.write("SHA256SUMS", self.vmsum("-r", ".", cwd=tree).out)
        self.write("tree/.dot-file", b"hidden")  # dot-files count as hidden
        for more, out in [([], b""), (["--hidden"], b".dot-file: NEW\n")]:
            run = self.vmsum("--audit", "SHA256SUMS", "tree", *more)
            self.assertEqual((run.code, run.out), (1 if out else 0, out), more)
        # The list's own folder is the root unless one is given; a list with its signature is no new file.
        self.write("tree/SHA256SUMS", self.vmsum("-r", ".", cwd=tree).out + b"0" * 64 + b"  SHA256SUMS.asc\n")
        self.write("tree/SHA256SUMS.asc", b"signature")
        run = self.vmsum("--audit", "tree/SHA256SUMS")
        self.assertEqual((run.code, run.out, run.err), (0, b"", b"vmsum: 6 unchanged.\r\n"))
        self.assertUsageError(self.vmsum("--audit"), "--audit needs the checksum file to audit against.")
        self.assertUsageError(self.vmsum("--audit", "tree/SHA256SUMS", "a", "b"), "--audit takes one folder at most.")
        self.assertUsageError(self.vmsum("--audit", "SHA256SUMS", "tree", "--update"),
                              "--update works on the list's own folder. Leave out the folder.")
        run = self.vmsum("--audit", "absent.sha256")
        self.assertEqual(run.code, 3)
        # A file another program holds open without sharing is unreadable; that alone makes the exit code 3.
        locker = subprocess.Popen([WINE_RUN, os.environ["VMVIEW_DRIVER"], "lock", "tree\\twin a.bin", "20"],
                                  cwd=self.dir, stdout=subprocess.PIPE)
        try:
            self.assertEqual(locker.stdout.readline(), b"locked\n")
            run = self.vmsum("--audit", "tree/SHA256SUMS")
            self.assertEqual(run.code, 3, run.out)
            self.assertTrue(run.out.startswith(b"twin a.bin: UNREADABLE ("), run.out)
        finally:
            locker.kill()
            locker.wait()
            locker.stdout.close()
        # A clear-signed list is not rewritten: its signature wouldn't hold.
        signed = self.write("tree/SIGNED", b"-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n\n" +
                            (tree / "SHA256SUMS").read_bytes() + b"-----BEGIN PGP SIGNATURE-----\n\nAAAA\n"
                            b"-----END PGP SIGNATURE-----\n")
        (tree / "d0" / "file 0.bin").write_bytes(b"changed")
        before = signed.read_bytes()
        run = self.vmsum("--audit", "tree/SIGNED", "--update")
        self.assertEqual(run.code, 1)
        self.assertIn(b"d0/file 0.bin: CHANGED\n", run.out)
        self.assertIn(b"wouldn't hold", run.err)
        self.assertEqual(signed.read_bytes(), before)
        self.assertNotIn(b"PGP", (tree / "SIGNED.updated").read_bytes())


if __name__ == "__main__":
    main()
