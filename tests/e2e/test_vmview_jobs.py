"""vmview hashing several files at once: the rows end as they do one file at a
time, each file in flight shows its progress, and Cancel reaches every one."""
import hashlib
import subprocess
import time

from harness import WINE_RUN, main
from vmview_harness import DRIVER, ID_CLEAR, ID_REMOVE, IDC_CANCEL, IDC_STATUS, KEY, VmviewTestCase, wine

LARGE = 768 * 1024 * 1024


class VmviewJobs(VmviewTestCase):
    def set_jobs(self, jobs):
        wine("reg", "add", KEY, "/v", "Jobs", "/t", "REG_DWORD", "/d", str(jobs), "/f")

    def test_rows_end_the_same_one_file_at_a_time_and_several(self):
        sizes = [0, 1, 70000, 3 * 1024 * 1024, 300, 9 * 1024 * 1024 + 5, 4096, 12]
        for index, size in enumerate(sizes):
            self.write(f"tree/f{index} ü.bin", bytes((index * 7 + i) % 251 for i in range(size)))
        self.write("tree/sub/locked.bin", b"locked")
        locker = subprocess.Popen([WINE_RUN, DRIVER, "lock", str(self.dir / "tree/sub/locked.bin"), "60"],
                                  cwd=self.dir, stdout=subprocess.PIPE)
        try:
            self.assertEqual(locker.stdout.readline(), b"locked\n")
            ends = {}
            for jobs in (1, 2):
                self.set_jobs(jobs)
                self.start(self.dir / "tree", self.dir / "absent.bin")
                ends[jobs] = self.idle_rows()
                self.close()
        finally:
            locker.kill()
            locker.wait()
            locker.stdout.close()
        self.assertEqual(ends[2], ends[1])
        by_name = {row[0]: row for row in ends[1]}
        for index, size in enumerate(sizes):
            content = bytes((index * 7 + i) % 251 for i in range(size))
            self.assertIn(hashlib.sha256(content).hexdigest(), by_name[f"f{index} ü.bin"])
        self.assertNotEqual(by_name["locked.bin"][-1], "Done")
        self.assertEqual(len(ends[1]), len(sizes) + 2)

    def wait_for_two_in_flight(self):
        deadline = time.monotonic() + 60
        while True:
            status = self.driver("text", IDC_STATUS).strip()
            hashing = [row[0] for row in self.rows() if row[-1] == "Hashing"]
            if status.count(".iso (") == 2 and len(hashing) == 2:
                return status, hashing
            self.assertLess(time.monotonic(), deadline, f"never two in flight: {status!r}, {hashing}")
            time.sleep(0.2)

    def test_several_large_files_in_flight_and_remove_cancel_and_clear_reach_them(self):
        (self.dir / "large").mkdir()
        for index in range(5):
            with open(self.dir / f"large/big{index}.iso", "wb") as file:
                file.truncate(LARGE)  # sparse: hashing, not the disk, sets the pace
        self.set_jobs(2)
        self.start(self.dir / "large")
        self.driver("resize", 1260, 640)
        status, hashing = self.wait_for_two_in_flight()
        self.assertRegex(status, r"^Hashing big\d\.iso \(\d+%\), big\d\.iso \(\d+%\), 3 more")
        self.screenshot("vmview-two-in-flight.png")

        # Removing one file in flight leaves the other running and starts the next.
        names = [row[0] for row in self.rows()]
        self.driver("select", names.index(hashing[0]))
        self.driver("command", ID_REMOVE)
        _, now = self.wait_for_two_in_flight()
        self.assertNotIn(hashing[0], [row[0] for row in self.rows()])
        self.assertIn(hashing[1], now)

        cancelled = time.monotonic()
        self.driver("click", IDC_CANCEL)
        rows = self.idle_rows()
        self.assertLess(time.monotonic() - cancelled, 5)
        self.assertEqual([row[-1] for row in rows], ["Cancelled"] * 4)
        self.assertTrue(self.driver("text", IDC_STATUS).startswith("4 files, "))
        self.screenshot("vmview-two-in-flight-cancelled.png")
        self.close()

        self.start(self.dir / "large")
        self.wait_for_two_in_flight()
        cleared = time.monotonic()
        self.driver("command", ID_CLEAR)
        self.assertEqual(self.idle_rows(), [])
        self.assertLess(time.monotonic() - cleared, 5)
        self.assertEqual(self.driver("text", IDC_STATUS).strip(), "")
        self.close()


if __name__ == "__main__":
    main()
