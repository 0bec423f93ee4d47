"""vmsum's informational switches, usage errors and option parsing."""
from harness import VmsumTestCase, main

HELP = b"""vmsum 2.0.0, the command-line tool of Verimond

Compute checksums:
  vmsum [options] <files, folders, wildcards or ->
    -a, --algorithm <list>  Algorithms, comma separated, or "all" (default sha256)
    -r, --recursive         Include subfolders of folders and wildcard folders
        --hidden            Include hidden and system files
    -f, --format <name>     gnu (default for one algorithm), bsd (default for several),
                            sfv, csv or json
    -u, --upper             Upper-case hex digits
    -                       Read standard input

Verify checksum files (SHA256SUMS, *.sha256, *.md5, *.sfv, BSD tagged files...):
  vmsum -c <checksum files>
    -q, --quiet             Don't print a line for each file that is OK
        --status            Print nothing. The exit code tells the result
        --ignore-missing    Don't report files that don't exist
        --key <file>        Trust the keys in this file for this run: OpenPGP,
                            minisign or signify (.pub, or the RW... key text),
                            SSH (.pub or allowed_signers)
        --signature <file>  The list's detached signature (else found beside it)
        --require-signature Fail unless a trusted key signed the list

Audit a folder: what changed, appeared, vanished or moved since the list was made:
  vmsum --audit <checksum file> [folder]
    -v, --verbose           Also list the files that are unchanged
        --update            Bring the list up to date (a signed one into NAME.updated)

Check who signed a file (OpenPGP, minisign, signify or SSH; in place or beside it):
  vmsum --verify-signature <files> [--key <file>] [--signature <file>]
  vmsum --trust-key <key file> | --list-keys | --forget-key <fingerprint or key ID>

Sigstore bundles (NAME.sigstore.json, NAME.sigstore, NAME.bundle), checked offline,
with -c or --verify-signature:
        --certificate-identity <id>     Trust this signer (e-mail or URI) for this
        --certificate-oidc-issuer <url> run, signed in with this identity provider
        --trusted-root <file>           Use this trusted_root.json for this run
        --key <file>                    A cosign public key (PEM file)
  vmsum --verify-signature --signature <bundle> sha256:<hex>  (a digest, not a file)
  vmsum --trust-identity <id> --certificate-oidc-issuer <url>
  vmsum --trust-repository <url> --certificate-oidc-issuer <url>
  vmsum --forget-key <identity or repository>

Compare with an expected hash (the algorithm is detected from its length or prefix):
  vmsum --expect <hash> <files>
  vmsum --expect "<hash>  <file name>"

Hash a string (UTF-8):
  vmsum --text <string> [-a <list>]

Several files at once (computing, -c, --expect and --audit):
    -j, --jobs <n>          Hash up to n files at once, at most one per core.
                            Default: up to 4 from an SSD, 2 over the network,
                            one at a time from a hard disk or an unknown drive

  vmsum --list-algorithms | --help | --version

Exit codes: 0 all OK, 1 a hash didn't match, 2 wrong usage, 3 a file couldn't be read.
Output uses '/' in paths and LF line ends, so Linux sha256sum -c reads it too.
More: https://verimond.example/
"""

ALGORITHMS = (
    b"crc32     CRC32     32 bits   for detecting corruption, not for security\n"
    b"md5       MD5       128 bits  for detecting corruption, not for security\n"
    b"sha1      SHA-1     160 bits  for detecting corruption, not for security\n"
    b"sha256    SHA-256   256 bits  \n"
    b"sha384    SHA-384   384 bits  \n"
    b"sha512    SHA-512   512 bits  \n"
    b"sha3-256  SHA3-256  256 bits  \n"
    b"sha3-384  SHA3-384  384 bits  \n"
    b"sha3-512  SHA3-512  512 bits  \n"
    b"blake3    BLAKE3    256 bits  \n"
    b"xxh64     XXH64     64 bits   for detecting corruption, not for security\n"
    b"xxh3      XXH3-64   64 bits   for detecting corruption, not for security\n"
    b"xxh128    XXH128    128 bits  for detecting corruption, not for security\n"
    b"md2       MD2       128 bits  for detecting corruption, not for security\n"
    b"md4       MD4       128 bits  for detecting corruption, not for security\n"
)

TEXT_WITH_FILES = "--text hashes the string only. Leave out the file names."
ONE_MODE = "Use only one of --check, --expect and --text."
JOBS = "--jobs needs the number of files to hash at once, 1 or more."


class InformationalSwitches(VmsumTestCase):
    def test_help_text_byte_for_byte_from_every_spelling(self):
        for switch in ["-h", "--help", "-?", "/?", "--help=yes"]:
            run = self.vmsum(switch)
            self.assertEqual((run.code, run.out, run.err), (0, HELP, b""), switch)

    def test_version(self):
        run = self.vmsum("--version")
        self.assertEqual((run.code, run.out, run.err), (0, b"vmsum 2.0.0\n", b""))

    def test_algorithm_list(self):
        run = self.vmsum("--list-algorithms")
        self.assertEqual((run.code, run.out, run.err), (0, ALGORITHMS, b""))

    def test_switches_end_the_run_before_later_arguments(self):
        run = self.vmsum("--help", "--frobnicate", "-c", "--text", "x")
        self.assertEqual((run.code, run.out), (0, HELP))
        run = self.vmsum("--version", "-a", "nonsense")
        self.assertEqual((run.code, run.out), (0, b"vmsum 2.0.0\n"))


class UsageErrors(VmsumTestCase):
    def test_every_usage_error_message(self):
        cases = [
            (["--frobnicate"], "Unknown option --frobnicate."),
            (["--frobnicate=3"], "Unknown option --frobnicate."),
            (["-fcsv"], "Unknown option -fcsv."),
            (["-a=md5"], "Unknown option -a=md5."),
            (["-x", "--help"], "Unknown option -x."),
            (["-H"], "Unknown option -H."),
            (["-a"], "--algorithm needs a list, for example -a sha256,md5."),
            (["--algorithms"], "--algorithm needs a list, for example -a sha256,md5."),
            (["-a", "md5,foo,sha1"], 'Unknown algorithm "foo". Run "vmsum --list-algorithms" to see them.'),
            (["--algorithm= sha3-256 , blake 2 "], 'Unknown algorithm "blake 2". Run "vmsum --list-algorithms" to see them.'),
            (["-f"], "--format must be gnu, bsd, sfv, csv or json."),
            (["-f", "xml"], "--format must be gnu, bsd, sfv, csv or json."),
            (["--format= gnu"], "--format must be gnu, bsd, sfv, csv or json."),
            (["--format="], "--format must be gnu, bsd, sfv, csv or json."),
            (["--expect"], "--expect needs the expected hash."),
            (["a.txt", "--expect"], "--expect needs the expected hash."),
            (["--text"], "--text needs the string to hash."),
            (["-j"], JOBS),
            (["--jobs", "0"], JOBS),
            (["-j", "-1"], JOBS),
            (["--jobs=2x"], JOBS),
            (["-j", "257"], JOBS),
            (["-j", "+2"], JOBS),
            (["-c", "--expect", "abc"], ONE_MODE),
            (["--text", "x", "--check"], ONE_MODE),
            (["--text", "x", "--expect", "y", "-c"], ONE_MODE),
            (["--text", "x", "file.txt"], TEXT_WITH_FILES),
            (["--text=", "-"], TEXT_WITH_FILES),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                self.assertUsageError(self.vmsum(*args), message)

    def test_first_error_wins(self):
        self.assertUsageError(self.vmsum("-a", "bogus", "--frobnicate"),
                              'Unknown algorithm "bogus". Run "vmsum --list-algorithms" to see them.')


class OptionParsing(VmsumTestCase):
    """A later unknown option proves that everything before it was accepted."""

    def accepted(self, *args):
        self.assertUsageError(self.vmsum(*args, "--zz"), "Unknown option --zz.")

    def test_format_names_in_any_case_inline_or_separate(self):
        for args in [["--format=JSON"], ["--format", "Tag"], ["-f", "csv"], ["-f", "SFV"],
                     ["--format=bsd"], ["-f", "gnu"], ["--tag"]]:
            with self.subTest(args=args):
                self.accepted(*args)

    def test_jobs_from_one_to_256(self):
        for args in [["-j", "1"], ["--jobs", "4"], ["--jobs=256"], ["-j", "007"]]:
            with self.subTest(args=args):
                self.accepted(*args)

    def test_algorithm_lists_accumulate_and_tolerate_empty_items(self):
        for args in [["-a", "md5", "-a", "sha1"], ["-a", "sha256,,md5,"], ["-a", ""], ["--algorithm=all"],
                     ["-a", " md5 , sha-1 "], ["-a", "b3,crc,xxh3_64bits,sha2-256"]]:
            with self.subTest(args=args):
                self.accepted(*args)

    def test_compatibility_options_are_ignored(self):
        self.accepted("-b", "--binary", "-t", "--text-mode", "--strict", "-w", "--warn",
                      "-r", "--recursive", "--hidden", "-u", "--upper", "-q", "--quiet",
                      "--status", "--ignore-missing")

    def test_values_are_taken_whatever_they_look_like(self):
        # "--expect -" takes "-" as the hash; "-a -x" would fail on "-x" as an algorithm.
        self.accepted("--expect", "-")
        self.assertUsageError(self.vmsum("-a", "--zz"),
                              'Unknown algorithm "--zz". Run "vmsum --list-algorithms" to see them.')

    def test_double_dash_ends_options(self):
        # After "--", options, "/?" and a second "--" are all inputs: --text then refuses them.
        for after in [["-a"], ["--"], ["/?"], ["--help"]]:
            with self.subTest(after=after):
                self.assertUsageError(self.vmsum("--text", "x", "--", *after), TEXT_WITH_FILES)

    def test_single_characters_and_plain_words_are_inputs(self):
        for inputs in [["-"], ["a"], ["/"], ["C:\\x"]]:
            with self.subTest(inputs=inputs):
                self.assertUsageError(self.vmsum("--text", "x", *inputs), TEXT_WITH_FILES)

    def test_later_text_and_expect_values_replace_earlier_ones(self):
        self.accepted("--text", "a", "--text", "b")
        self.accepted("--expect", "a", "--expect=b")


if __name__ == "__main__":
    main()
