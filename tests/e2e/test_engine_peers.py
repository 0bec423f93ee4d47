"""Digests of generated files, computed by vmsum.exe under Wine, equal those of
the native Linux tools: at block boundaries, beyond 64 MiB and beyond 4 GiB."""
import os
import random

from harness import TABLE_ORDER, VmsumTestCase, main, parse_bsd, peer_digest

MIB = 1 << 20


class EnginePeerCrossCheck(VmsumTestCase):
    def assert_matches_peers(self, name, algorithms):
        run = self.vmsum("-a", ",".join(algorithms), "--tag", name)
        self.assertEqual((run.code, run.err), (0, b""), name)
        lines = parse_bsd(run.out)
        self.assertEqual([tag for tag, _, _ in lines], [a.upper() for a in sorted(algorithms, key=TABLE_ORDER.index)])
        for (_, shown, value), algorithm in zip(lines, sorted(algorithms, key=TABLE_ORDER.index)):
            self.assertEqual(shown, name)
            self.assertEqual(value, peer_digest(algorithm, self.dir / name), f"{algorithm} of {name}")

    def test_block_boundary_sizes_with_every_peer_algorithm(self):
        generator = random.Random(1)
        every_peer = [a for a in TABLE_ORDER if a != "md2"]
        for size in [0, 1, MIB - 1, MIB, MIB + 1, 5 * MIB + 1]:
            name = f"random-{size}.bin"
            self.write(name, generator.randbytes(size))
            with self.subTest(size=size):
                self.assert_matches_peers(name, every_peer)

    def test_a_file_beyond_64_mebibytes(self):
        self.write("big.bin", random.Random(2).randbytes(64 * MIB + 12345))
        self.assert_matches_peers("big.bin", [a for a in TABLE_ORDER if a != "md2"])

    def test_a_sparse_file_beyond_4_gibibytes(self):
        # Counters and lengths must not wrap at 32 bits anywhere.
        path = self.dir / "sparse.bin"
        with open(path, "wb") as file:
            file.write(b"start")
            file.seek((4 << 30) + 777)
            file.write(b"end")
        self.assertGreater(os.path.getsize(path), 1 << 32)
        self.assert_matches_peers("sparse.bin", ["crc32", "md5", "xxh128"])


if __name__ == "__main__":
    main()
