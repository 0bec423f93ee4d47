"""The progress line of large files, on a real console: `script` gives Wine a
terminal, so vmsum's standard error is a console there."""
import os
import subprocess

from harness import VMSUM_EXE, WINE_RUN, VmsumTestCase, main

MIB = 1 << 20


class ConsoleProgress(VmsumTestCase):
    def run_on_console(self, shell_command):
        """Runs a shell command on a pseudo-terminal; returns what reached the terminal."""
        typescript = self.dir / "typescript"
        subprocess.run(["script", "-q", "-e", "-c", shell_command, str(typescript)], cwd=self.dir, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=300)
        return typescript.read_bytes()

    def vmsum_command(self, name, redirect):
        return f"'{WINE_RUN}' '{VMSUM_EXE}' -a crc32 {name} {redirect}"

    def test_a_64_mebibyte_file_shows_progress_and_clears_it(self):
        self.write("big.bin", os.urandom(64 * MIB))
        screen = self.run_on_console(self.vmsum_command("big.bin", "> sums"))
        self.assertIn(b"1%  big.bin", screen)
        self.assertIn(b"\r", screen)
        self.assertEqual((self.dir / "sums").read_bytes().split(b"  ")[1], b"big.bin\n")

    def test_one_byte_less_shows_nothing(self):
        self.write("almost.bin", os.urandom(64 * MIB - 1))
        screen = self.run_on_console(self.vmsum_command("almost.bin", "> sums"))
        self.assertNotIn(b"%  almost.bin", screen)

    def test_redirected_standard_error_gets_no_progress(self):
        self.write("big.bin", os.urandom(64 * MIB))
        screen = self.run_on_console(self.vmsum_command("big.bin", "2> errors"))
        self.assertNotIn(b"%  big.bin", screen)
        self.assertIn(b"  big.bin", screen)  # the checksum line itself reaches the console
        self.assertEqual((self.dir / "errors").read_bytes(), b"")


if __name__ == "__main__":
    main()
