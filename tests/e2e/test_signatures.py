"""vmsum and OpenPGP signatures: its verdict on documents GnuPG signed (and
damaged afterwards) next to gpgv's, Debian's real InRelease, signed checksum
files in check mode, the trusted-key store, usage errors and hostile
signature files."""
import datetime
import hashlib
import os
import random
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

import openpgp_corpus
from harness import HINT, TMP_ROOT, WINE_RUN, VmsumTestCase, main

CORPUS = None  # built once for the whole run, in setUpModule

DEBIAN = Path(os.environ["VM_TEST_DATA"]) / "openpgp" / "debian"
# The two signatures of bookworm-security_InRelease (apt's copy of
# 2026-12-06), in file order: keyring file, user ID, primary key, signing
# subkey. gpg --list-packets on the signature block gave the issuer
# fingerprints (both subkeys); gpgv --keyring FILE picked the files out of
# /usr/share/keyrings; gpg --with-colons --show-keys FILE gave the user IDs
# and the fpr records. The keys expire on 2029-01-15 and 2031-01-19.
DEBIAN_SIGNERS = [
    ("debian-archive-bullseye-security-automatic.gpg",
     "Debian Security Archive Automatic Signing Key (11/bullseye) <ftpmaster@debian.org>",
     "AC530D520F2F3269F5E98313A48449044AAD5C5D", "ED541312A33F1128F10B1C6C54404762BBB6E853"),
    ("debian-archive-bookworm-security-automatic.gpg",
     "Debian Security Archive Automatic Signing Key (12/bookworm) <ftpmaster@debian.org>",
     "05AB90340C0C5E797F44A8C8254CF3B5AEC0A8F0", "B0CAB9266E8C3929798B3EEEBDE6D2B9216EC7A8"),
]

FPR = re.compile(r"\b(?:[0-9A-F]{4} ){9}[0-9A-F]{4}\b")
UNKNOWN = "Signed by an unknown key ("
MALFORMED = "The signature is damaged or isn't an OpenPGP signature ("
WEAK_DIGEST = ") with SHA-1, a broken digest."
WEAK_KEY = "), but the key is RSA 1024, too short to be safe."

# What gpgv says about each corpus item; an item not listed has one GOODSIG.
GPGV = {"data-changed": ["BADSIG"], "signature-changed": ["BADSIG"], "key-changed": ["ERRSIG"],
        "expired": ["EXPKEYSIG"], "revoked": ["REVKEYSIG"], "subkey-revoked": ["REVKEYSIG"],
        "subkey-no-back-signature": ["ERRSIG"], "one-good-one-bad": ["GOODSIG", "BADSIG"],
        "issuer-fingerprint-changed": ["BADSIG", "GOODSIG"],
        "critical-notation": ["BADSIG"], "signature-expired": ["EXPSIG"]}
# Where vmsum is stricter than gpgv on purpose: gpgv 2.2 accepts SHA-1 data
# signatures and RSA 1024 keys (GOODSIG); vmsum calls them weak, not good.
STRICTER = {"sha1": WEAK_DIGEST, "sha1-clearsigned": WEAK_DIGEST, "rsa1024": WEAK_KEY}


def spaced(hex_digits):
    return " ".join(hex_digits[i:i + 4] for i in range(0, len(hex_digits), 4))


def day(timestamp):
    return datetime.datetime.fromtimestamp(timestamp, datetime.UTC).strftime("%Y-%m-%d")


def today():
    return datetime.datetime.now(datetime.UTC).strftime("%Y-%m-%d")


def key_args(*paths):
    return [arg for path in paths for arg in ("--key", str(path))]


def expected_sentence(item, signature):
    """(beginning, later part) of vmsum's sentence on one signature, or None
    where only "not good" is certain."""
    key = signature.key
    who = f'"{key.uid}" (key {spaced(key.fpr)}'
    by_subkey = signature.signing_fpr != key.fpr
    if item.name in STRICTER:
        return f"Signed by {who}", STRICTER[item.name]
    if signature.status == "GOODSIG":
        subkey = f", subkey {spaced(signature.signing_fpr)}" if by_subkey else ""
        return f"Good signature from {who}", f"{subkey}), made {signature.date} "
    if signature.status == "BADSIG":
        return f"BAD signature from {who})", ""
    if signature.status == "EXPKEYSIG":
        return f"Signed by {who}), but that key expired on {day(key.expires)}.", ""
    if signature.status == "EXPSIG":
        return f"Signed by {who}), but the signature expired on {openpgp_corpus.SIGNATURE_EXPIRED_ON}.", ""
    if signature.status == "REVKEYSIG":
        return f"Signed by {who}", ("but the subkey that made it has been revoked." if by_subkey
                                     else "), but that key has been revoked.")
    return None


def setUpModule():
    global CORPUS
    TMP_ROOT.mkdir(parents=True, exist_ok=True)
    CORPUS = openpgp_corpus.build(tempfile.mkdtemp(prefix="openpgp-corpus-", dir=TMP_ROOT))


def tearDownModule():
    shutil.rmtree(CORPUS.folder, ignore_errors=True)


class SignatureTestCase(VmsumTestCase):
    def place(self, folder, files):
        """Copies corpus files (or writes bytes) into a folder of the test folder: {name: path or bytes}."""
        for name, source in files.items():
            data = source if isinstance(source, bytes) else (CORPUS.folder / source).read_bytes()
            self.write(f"{folder}/{name}" if folder else name, data)
        return self.dir / folder

    def place_sums(self, folder, files):
        return self.place(folder, {name: f"sums/{name}" for name in openpgp_corpus.SUMS_FILES} | files)

    def assertUnknownKey(self, line, fpr):
        """The line names the signing key by fingerprint, or by key ID, and tells how to trust it."""
        self.assertTrue(spaced(fpr) in line or f"key ID {spaced(fpr[-16:])}" in line, line)
        self.assertIn("--trust-key", line)

    def assertLines(self, text, expected):
        """Each line starts with its expected beginning."""
        lines = text.decode().splitlines()
        self.assertEqual(len(lines), len(expected), text)
        for line, beginning in zip(lines, expected):
            self.assertTrue(line.startswith(beginning), (line, beginning))
        return lines


class CorpusAgreement(SignatureTestCase):
    def test_every_item_as_gpgv_sees_it(self):
        for item in CORPUS.items:
            with self.subTest(item=item.name):
                self.assertEqual([s.status for s in item.signatures], GPGV.get(item.name, ["GOODSIG"]))
                good = item.gpgv_good and item.name not in STRICTER
                given = ["--signature", item.signature] if item.signature else []
                run = self.vmsum("--verify-signature", item.data, *given, *key_args(*item.key_files),
                                 cwd=CORPUS.folder)
                self.assertEqual(run.code, 0 if good else 1, run.out)
                # A key file whose self-signature fails may earn a warning of its own.
                if "ERRSIG" not in GPGV.get(item.name, []):
                    self.assertEqual(run.err, b"")
                self.assertNotIn(b"Good", run.err)
                lines = self.assertLines(run.out, [f"{item.data}: "] * len(item.signatures))
                for line, signature in zip(lines, item.signatures):
                    sentence = line.removeprefix(f"{item.data}: ")
                    expected = expected_sentence(item, signature)
                    if expected is None:
                        self.assertFalse(sentence.startswith("Good"), line)
                    else:
                        self.assertTrue(sentence.startswith(expected[0]) and expected[1] in sentence,
                                        (line, expected))
                    if signature.key:
                        known = {spaced(f) for f in [signature.key.fpr, *signature.key.subkeys]}
                        self.assertLessEqual(set(FPR.findall(sentence)), known, line)

    def test_debian_in_release(self):
        name = "bookworm-security_InRelease"
        run = self.vmsum("--verify-signature", name, *key_args(*(s[0] for s in DEBIAN_SIGNERS)), cwd=DEBIAN)
        self.assertEqual((run.code, run.err), (0, b""), run.out)
        self.assertLines(run.out, [f'{name}: Good signature from "{uid}" (key {spaced(primary)}, subkey {spaced(sub)})'
                                   for _, uid, primary, sub in DEBIAN_SIGNERS])
        run = self.vmsum("--verify-signature", name, cwd=DEBIAN)
        self.assertEqual((run.code, run.err), (1, b""), run.out)
        lines = self.assertLines(run.out, [f"{name}: {UNKNOWN}"] * 2)
        for line, (_, _, _, sub) in zip(lines, DEBIAN_SIGNERS):
            self.assertUnknownKey(line, sub)


class SignedChecksumFiles(SignatureTestCase):
    OK = b"alpha.txt: OK\nbeta data.bin: OK\n"

    def good_line(self, name):
        key = CORPUS.keys["ed25519"]
        return f'vmsum: {name}: Good signature from "{key.uid}" (key {spaced(key.fpr)}'

    def test_good_signature_in_place_beside_or_given(self):
        ed25519 = CORPUS.keys["ed25519"].armoured
        cases = [  # folder, {file: source}, list, more arguments
            ("clear", {"SHA256SUMS": CORPUS.sums_clear}, "SHA256SUMS", []),
            # .gpg is tried before .sig
            ("beside", {"SHA256SUMS": CORPUS.sums, "SHA256SUMS.gpg": CORPUS.sums_signature,
                        "SHA256SUMS.sig": b"not a signature"}, "SHA256SUMS", []),
            ("asc", {"SHA256SUMS": CORPUS.sums, "SHA256SUMS.asc": CORPUS.sums_armoured}, "SHA256SUMS", []),
            ("txt", {"SHA256SUMS.txt": CORPUS.sums, "SHA256SUMS.sig": CORPUS.sums_signature}, "SHA256SUMS.txt", []),
            # an explicit --signature wins over the damaged one beside the list
            ("given", {"SHA256SUMS": CORPUS.sums, "SHA256SUMS.gpg": b"not a signature",
                       "elsewhere/list.sig": CORPUS.sums_signature}, "SHA256SUMS",
             ["--signature", "elsewhere/list.sig"]),
        ]
        for folder, files, name, more in cases:
            with self.subTest(folder=folder):
                cwd = self.place_sums(folder, files | {"key.asc": ed25519})
                run = self.vmsum("-c", name, "--key", "key.asc", *more, cwd=cwd)
                self.assertEqual((run.code, run.out), (0, self.OK), run.err)
                self.assertLines(run.err, [self.good_line(name)])
                self.assertTrue(run.err.endswith(b"\r\n"), run.err)

    def test_list_changed_after_signing(self):
        listed = (CORPUS.folder / CORPUS.sums).read_bytes().splitlines(keepends=True)
        cwd = self.place_sums("changed", {"SHA256SUMS": b"".join(reversed(listed)),
                                          "SHA256SUMS.gpg": CORPUS.sums_signature,
                                          "key.gpg": CORPUS.keys["ed25519"].binary})
        run = self.vmsum("-c", "SHA256SUMS", "--key", "key.gpg", cwd=cwd)
        self.assertEqual((run.code, run.out), (1, b"beta data.bin: OK\nalpha.txt: OK\n"))
        key = CORPUS.keys["ed25519"]
        bad = f'vmsum: SHA256SUMS: BAD signature from "{key.uid}" (key {spaced(key.fpr)})'
        self.assertTrue(run.err.decode().startswith(bad), run.err)
        for more in [[], ["--require-signature"]]:
            run = self.vmsum("--status", "-c", "SHA256SUMS", "--key", "key.gpg", *more, cwd=cwd)
            self.assertEqual((run.code, run.out), (1, b""))
            self.assertLines(run.err, [bad])

    def test_unknown_key_unsigned_list_and_required_signature(self):
        signed = self.place_sums("signed", {"SHA256SUMS": CORPUS.sums, "SHA256SUMS.gpg": CORPUS.sums_signature})
        unknown = f"vmsum: SHA256SUMS: {UNKNOWN}"
        for more, code in [([], 0), (["--require-signature"], 1)]:
            run = self.vmsum("-c", "SHA256SUMS", *more, cwd=signed)
            self.assertEqual((run.code, run.out), (code, self.OK), more)
            self.assertUnknownKey(self.assertLines(run.err, [unknown])[0], CORPUS.keys["ed25519"].fpr)
        run = self.vmsum("--status", "-c", "SHA256SUMS", cwd=signed)
        self.assertEqual((run.code, run.out, run.err), (0, b"", b""))
        run = self.vmsum("--status", "-c", "SHA256SUMS", "--require-signature", cwd=signed)
        self.assertEqual((run.code, run.out), (1, b""))
        self.assertLines(run.err, [unknown])

        unsigned = self.place_sums("unsigned", {"SHA256SUMS": CORPUS.sums})
        run = self.vmsum("-c", "SHA256SUMS", cwd=unsigned)
        self.assertEqual((run.code, run.out, run.err), (0, self.OK, b""))
        run = self.vmsum("-c", "SHA256SUMS", "--require-signature", cwd=unsigned)
        self.assertEqual((run.code, run.out, run.err), (1, self.OK, b"vmsum: SHA256SUMS: No signature found.\r\n"))


    def test_without_the_crypto_dlls_only_signatures_cant_be_checked(self):
        cwd = self.place_sums("alone", {"SHA256SUMS": CORPUS.sums_clear})
        shutil.copy(os.environ["VMSUM_EXE"], cwd / "vmsum.exe")  # no DLLs beside this copy

        def alone(*args):
            done = subprocess.run([WINE_RUN, str(cwd / "vmsum.exe"), *args], cwd=cwd, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=600)
            return done.returncode, done.stdout, done.stderr

        digest = hashlib.sha256((cwd / "alpha.txt").read_bytes()).hexdigest()
        self.assertEqual(alone("alpha.txt"), (0, f"{digest}  alpha.txt\n".encode(), b""))
        cant = b"vmsum: SHA256SUMS: The signature can't be checked: libgcrypt-20.dll and libgpg-error-0.dll"
        for more, code in [([], 0), (["--require-signature"], 1)]:
            returncode, out, err = alone("-c", "SHA256SUMS", *more)
            self.assertEqual((returncode, out), (code, self.OK), more)
            self.assertTrue(err.startswith(cant), err)


class TrustStore(SignatureTestCase):
    def test_trust_list_check_and_forget(self):
        keys = [CORPUS.keys[name] for name in ("ed25519", "nistp256", "rsa3072")]
        cwd = self.place_sums("store", {"SHA256SUMS": CORPUS.sums, "SHA256SUMS.gpg": CORPUS.sums_signature,
                                        "three.gpg": b"".join((CORPUS.folder / k.binary).read_bytes() for k in keys),
                                        "ed25519.asc": keys[0].armoured})
        before = self.vmsum("--list-keys")
        if before.out == b"":
            self.assertEqual((before.code, before.err), (0, b"vmsum: No keys are trusted yet.\r\n"))
        who = [f'"{k.uid}" (key {spaced(k.fpr)})' for k in keys]
        forgotten = set()
        try:
            first_day = today()
            run = self.vmsum("--trust-key", "three.gpg", cwd=cwd)
            self.assertEqual((run.code, run.out.decode(), run.err), (0, "".join(f"Trusted {w}.\n" for w in who), b""))
            run = self.vmsum("--trust-key", "ed25519.asc", cwd=cwd)
            self.assertEqual((run.code, run.out.decode(), run.err), (0, f"{who[0]} is already trusted.\n", b""))

            run = self.vmsum("--list-keys")
            self.assertEqual((run.code, run.err), (0, b""))
            blocks = run.out.decode().strip("\n").split("\n\n")
            for key in keys:
                listed = [f"{spaced(key.fpr)}\n    {key.uid}\n    {key.algorithm}, created {day(key.created)}, "
                          f"trusted since {date}" for date in {first_day, today()}]
                self.assertTrue(set(listed) & set(blocks), (listed, blocks))

            run = self.vmsum("-c", "SHA256SUMS", cwd=cwd)
            self.assertEqual((run.code, run.out), (0, b"alpha.txt: OK\nbeta data.bin: OK\n"))
            self.assertLines(run.err, [f"vmsum: SHA256SUMS: Good signature from {who[0][:-1]}"])

            # The fingerprint with or without spaces, in any case.
            for key, spelling, text in zip(keys, [spaced(keys[0].fpr), keys[1].fpr.lower(), keys[2].fpr], who):
                run = self.vmsum("--forget-key", spelling)
                self.assertEqual((run.code, run.out.decode(), run.err), (0, f"Forgot {text}.\n", b""))
                forgotten.add(key.fpr)
            run = self.vmsum("--forget-key", keys[0].fpr)
            self.assertEqual((run.code, run.out), (1, b""))
            self.assertTrue(run.err.startswith(b"vmsum: No trusted key has the fingerprint "), run.err)
            self.assertEqual(self.vmsum("--list-keys"), before)
        finally:
            for key in keys:
                if key.fpr not in forgotten:
                    self.vmsum("--forget-key", key.fpr)


class UsageAndHostileInput(SignatureTestCase):
    def test_usage_errors(self):
        digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"
        fpr = CORPUS.keys["ed25519"].fpr
        conflicts = [["--verify-signature", "a", "-c", "b"], ["--verify-signature", "--expect", digest, "a"],
                     ["--verify-signature", "--text", "abc"], ["--verify-signature", "a", "--list-keys"],
                     ["--trust-key", "k", "-c", "b"], ["--trust-key", "k", "--list-keys"],
                     ["--list-keys", "--forget-key", fpr], ["--forget-key", fpr, "--expect", digest, "a"],
                     ["--list-keys", "--text", "abc"]]
        for args in conflicts:
            with self.subTest(args=args):
                run = self.vmsum(*args)
                self.assertEqual((run.code, run.out), (2, b""))
                self.assertTrue(run.err.startswith(b"vmsum: Use only one of") and run.err.endswith(HINT), run.err)
        for args, message in [(["-c", "SHA256SUMS", "--key"], "--key needs a key file."),
                              (["--verify-signature", "a", "--signature"], "--signature needs a signature file."),
                              (["--trust-key"], "--trust-key needs a key file."),
                              (["--forget-key"], "--forget-key needs a key's fingerprint.")]:
            with self.subTest(args=args):
                self.assertUsageError(self.vmsum(*args), message)
        self.assertEqual(self.vmsum("--verify-signature", "absent.txt").code, 3)

    def test_huge_signature_files_are_damaged(self):
        """64 MiB of armour-looking text, and of random bytes: the subprocess
        timeout is the guard against a hang."""
        self.place("", {"data.bin": b"data", "key.asc": CORPUS.keys["ed25519"].armoured})
        with open(self.dir / "armour.asc", "wb") as armour:
            armour.write(b"-----BEGIN PGP SIGNATURE-----\n\n")
            armour.write((b"A" * 76 + b"\n") * (64 * 1024 * 1024 // 77 + 1))
            armour.write(b"-----END PGP SIGNATURE-----\n")
        # Seed 0 starts with a header of a user ID packet: parsed, then rejected.
        self.write("random.sig", random.Random(0).randbytes(64 * 1024 * 1024))
        for name in ["armour.asc", "random.sig"]:
            with self.subTest(signature=name):
                run = self.vmsum("--verify-signature", "data.bin", "--signature", name, "--key", "key.asc")
                self.assertEqual((run.code, run.err), (1, b""), run.out)
                self.assertLines(run.out, [f"data.bin: {MALFORMED}"])
        self.write("SHA256SUMS", b"3a6eb0790f39ac87c94f3856b2dd2c5d110e6811602261a9a923d3bb23adc8b7  data.bin\n")
        shutil.copy(self.dir / "armour.asc", self.dir / "SHA256SUMS.asc")
        run = self.vmsum("-c", "SHA256SUMS", "--require-signature", "--key", "key.asc")
        self.assertEqual((run.code, run.out), (1, b"data.bin: OK\n"))
        self.assertLines(run.err, [f"vmsum: SHA256SUMS: {MALFORMED}"])


if __name__ == "__main__":
    main()
