"""vmsum -j: computing, -c and --audit over random trees print the same bytes
and exit with the same code whatever the number of files hashed at once.

Each repetition makes a tree of its own seed, with large files among small
ones so that files finish out of list order, files held open by another
program, and lists naming folders and files that aren't there; every other
repetition runs beside two processes that keep both cores busy."""
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys

from harness import WINE_RUN, VmsumTestCase, main

SEED = 5300
REPETITIONS = 20
WORDS = ["Grüße", "日本語", "café ñ", "Ωμέγα", "☃ snow", "𝄞 music", "report", "a b", "IMG", "data", "x"]
MiB = 1 << 20


def small_size(rng):
    return rng.choice([0, rng.randint(1, 200), rng.randint(200, 64 << 10), rng.randint(64 << 10, 3 * MiB)])


def write(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


class Jobs(VmsumTestCase):
    def make_tree(self, rng, tree, number):
        """Writes a random tree; returns the relative names of its files and of its folders."""
        folders = [""]
        for i in range(rng.randint(3, 8)):
            parent = rng.choice(folders)
            if parent.count("/") < 3:
                folders.append(f"{parent}/{rng.choice(WORDS)} {i}".lstrip("/"))
        # Every fourth tree has more small files than vmsum keeps waiting for their turn.
        many = number % 4 == 3
        count = rng.randint(300, 360) if many else rng.randint(30, 80)
        sizes = [rng.randint(0, 4096) if many else small_size(rng) for _ in range(count)]
        sizes += [rng.randint(20 * MiB, 40 * MiB) for _ in range(rng.randint(1, 2))]
        rng.shuffle(sizes)
        files = []
        for i, size in enumerate(sizes):
            # In every third tree a large file comes first: the root's files go before its folders.
            if size >= 20 * MiB and number % 3 == 0 and not any(name.startswith("0 ") for name in files):
                files.append(f"0 large {i}.bin")
            else:
                files.append(f"{rng.choice(folders)}/{rng.choice(WORDS)} {i}.{rng.choice(['bin', 'txt'])}".lstrip("/"))
            write(tree / files[-1], rng.randbytes(size))
        folders.remove("")
        for folder in folders:
            (tree / folder).mkdir(parents=True, exist_ok=True)
        return files, folders

    def same_whatever_the_jobs(self, *args, cwd, rewrites=None):
        """Runs vmsum with -j 1, 2 and 4; asserts the last two print what the first does, and returns it.
        A file the runs rewrite is put back before each, and must come out the same too."""
        before = rewrites.read_bytes() if rewrites else None

        def outcome(jobs):
            if rewrites:
                rewrites.write_bytes(before)
            run = self.vmsum("-j", jobs, *args, cwd=cwd)
            return run, (run.code, run.out, run.err, rewrites.read_bytes() if rewrites else None)

        first, expected = outcome("1")
        for jobs in ["2", "4"]:
            self.assertEqual(outcome(jobs)[1], expected, f"-j {jobs} {args}")
        return first

    def check_compute(self, rng, tree, files, locked):
        bsd = rng.random() < 0.4
        run = self.same_whatever_the_jobs("-r", *(["-a", "md5,sha256", "--format", "bsd"] if bsd else []), ".",
                                          cwd=tree)
        self.assertEqual(run.code, 3)
        errors = run.err.decode().replace("\\", "/").splitlines()
        self.assertEqual(len(errors), len(locked), errors)
        for name in locked:
            self.assertTrue(any(line.startswith(f"vmsum: {name}: ") for line in errors), (name, errors))
        # What the peers print for the files, in vmsum's order.
        if bsd:
            names = [line.split(" (", 1)[1].rsplit(") = ", 1)[0] for line in run.out.decode().splitlines()[::2]]
        else:
            names = [line.split("  ", 1)[1] for line in run.out.decode().splitlines()]
        self.assertEqual(sorted(names), sorted(set(files) - set(locked)))
        peers = [subprocess.run([tool, *(["--tag"] if bsd else []), "--", *names], cwd=tree, stdout=subprocess.PIPE,
                                check=True).stdout.splitlines(keepends=True)
                 for tool in (["md5sum", "sha256sum"] if bsd else ["sha256sum"])]
        self.assertEqual(run.out, b"".join(line for lines in zip(*peers) for line in lines))
        # One expected hash against every file: its own file matches, the held ones can't be read.
        chosen = rng.choice(names)
        expected = hashlib.sha256((tree / chosen).read_bytes()).hexdigest()
        run = self.same_whatever_the_jobs("--expect", expected, *files, cwd=tree)
        self.assertEqual(run.code, 1)
        self.assertIn(f"MATCH (SHA-256): {chosen}\n".encode(), run.out)
        self.assertEqual(len(run.err.splitlines()), len(locked))

    def check_list(self, rng, tree, files, folders, locked):
        """Checks a list of the tree with entries for absent files, a folder, a file twice and a changed file;
        returns the changed file."""
        lines = subprocess.run(["sha256sum", "--", *files], cwd=tree, stdout=subprocess.PIPE,
                               check=True).stdout.decode().splitlines(keepends=True)
        rng.shuffle(lines)
        gone = [f"{rng.choice(folders)}/gone {i}.bin" for i in range(2)] + ["no such folder/gone.bin"]
        folder = rng.choice(folders)
        for line in [f"{rng.randbytes(32).hex()}  {name}\n" for name in gone + [folder]] + [rng.choice(lines)]:
            lines.insert(rng.randint(0, len(lines)), line)
        write(tree / "SHA256SUMS", "".join(lines).encode())
        changed = rng.choice([name for name in files if name not in locked])
        (tree / changed).write_bytes((tree / changed).read_bytes() + b"changed")

        run = self.same_whatever_the_jobs("-c", "SHA256SUMS", cwd=tree)
        self.assertEqual(run.code, 1)
        self.assertEqual(len(run.out.splitlines()), len(lines))
        for expected in ([f"{changed}: FAILED\n"] + [f"{name}: MISSING\n" for name in gone] +
                         [f"{name}: UNREADABLE (" for name in [folder, *locked]]):
            self.assertIn(expected.encode(), run.out)
        return changed

    def check_audit(self, rng, tree, folders, untouched, verbose):
        rng.shuffle(untouched)
        for name in untouched[:3]:
            (tree / name).unlink()
        for name in untouched[3:6]:
            (tree / name).write_bytes(rng.randbytes(rng.randint(0, 5000)))
        for i, name in enumerate(untouched[6:10]):
            target = tree / rng.choice([*folders, "moved ☃"]) / f"moved {i} {name.rsplit('/', 1)[-1]}"
            target.parent.mkdir(exist_ok=True)
            (tree / name).rename(target)
        for i in range(rng.randint(2, 6)):
            write(tree / rng.choice(folders) / f"new {i}.dat", rng.randbytes(small_size(rng)))
        write(tree / rng.choice(folders) / "new large.bin", rng.randbytes(rng.randint(10 * MiB, 20 * MiB)))

        run = self.same_whatever_the_jobs("--audit", "SHA256SUMS", *(["-v"] if verbose else []), cwd=tree)
        self.assertEqual(run.code, 1)
        verdicts = {re.search(r": ([A-Z]+)(?: \(.*\))?$", line).group(1) for line in run.out.decode().splitlines()}
        self.assertLessEqual({"CHANGED", "NEW", "MISSING", "MOVED", "UNREADABLE"}, verdicts)
        # The new files' digests go into the updated list, and sha256sum finds every line OK.
        run = self.same_whatever_the_jobs("--audit", "SHA256SUMS", "--update", cwd=tree, rewrites=tree / "SHA256SUMS")
        self.assertEqual(run.code, 1)
        self.assertEqual(subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=tree).returncode, 0)

    def repetition(self, number):
        rng = random.Random(SEED + number)
        tree = self.dir / f"tree {number}"
        files, folders = self.make_tree(rng, tree, number)
        busy = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2 * (number % 2))]
        lockers = []
        try:
            locked = rng.sample(files, rng.randint(1, 2))
            # Held open without sharing, as another program would, until killed.
            for name in locked:
                lockers.append(subprocess.Popen([WINE_RUN, os.environ["VMVIEW_DRIVER"], "lock",
                                                 name.replace("/", "\\"), "600"], cwd=tree, stdout=subprocess.PIPE))
            for name, locker in zip(locked, lockers):
                self.assertEqual(locker.stdout.readline(), b"locked\n", name)
            self.check_compute(rng, tree, files, locked)
            changed = self.check_list(rng, tree, files, folders, locked)
            untouched = [name for name in files if name not in locked and name != changed]
            self.check_audit(rng, tree, folders, untouched, verbose=number % 2 == 1)
        finally:
            for process in busy + lockers:
                process.kill()
                process.wait()
            for locker in lockers:
                locker.stdout.close()
            shutil.rmtree(tree)

    def test_the_same_output_whatever_the_jobs(self):
        for number in range(REPETITIONS):
            with self.subTest(repetition=number, seed=SEED + number):
                self.repetition(number)


if __name__ == "__main__":
    main()
