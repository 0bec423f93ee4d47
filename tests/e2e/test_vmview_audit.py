"""vmview's folder audit: after a list is verified, the files beside it that it
doesn't name, the ones that moved, and Save Checksums bringing the list up to date."""
import subprocess

from harness import main
from vmview_harness import IDC_BANNER, IDC_VERDICT, VmviewTestCase

ID_SAVE, UPDATE_BUTTON = 40004, 100


class VmviewAudit(VmviewTestCase):
    def test_a_verified_folder_with_a_changed_a_new_and_a_renamed_file(self):
        for name in ["a.txt", "b.txt", "c.txt", "sub/d.txt"]:
            self.write(f"rel/{name}", name.encode())
        folder = self.dir / "rel"
        sums = subprocess.run(["sha256sum", "a.txt", "b.txt", "c.txt", "sub/d.txt"], cwd=folder, stdout=subprocess.PIPE,
                              check=True).stdout
        self.write("rel/SHA256SUMS", sums)
        self.write("rel/a.txt", b"changed")
        self.write("rel/new.txt", b"new")
        (folder / "c.txt").rename(folder / "sub" / "c renamed.txt")

        self.start(folder / "SHA256SUMS")
        self.driver("link", IDC_BANNER, 0)  # verify the files it lists
        self.idle_rows()
        self.assertIn("Find files that aren't in this list", self.driver("text", IDC_BANNER))
        self.driver("link", IDC_BANNER, 0)
        statuses = {row[0]: row[-1] for row in self.idle_rows()}
        self.assertEqual(statuses, {"a.txt": "FAILED", "b.txt": "OK (SHA-256)", "c.txt": "Moved to sub/c renamed.txt",
                                    "d.txt": "OK (SHA-256)", "new.txt": "Not listed",
                                    "c renamed.txt": "Moved from c.txt"})
        self.assertEqual(self.driver("text", IDC_VERDICT).strip(),
                         "The folder has changed: 2 OK, 1 FAILED, 1 moved, 1 not listed.")
        self.screenshot("vmview-audit.png")

        self.driver("post", ID_SAVE)
        self.assertEqual(self.driver("message", UPDATE_BUTTON).splitlines()[0], "Bring SHA256SUMS up to date?")
        self.assertEqual(self.driver("message").splitlines()[0], "The list is up to date.")
        checked = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=folder, stdout=subprocess.PIPE)
        self.assertEqual(checked.returncode, 0)
        self.assertEqual(sorted(checked.stdout.decode().splitlines()),
                         ["a.txt: OK", "b.txt: OK", "new.txt: OK", "sub/c renamed.txt: OK", "sub/d.txt: OK"])
        self.close()


if __name__ == "__main__":
    main()
