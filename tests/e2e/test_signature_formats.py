"""vmsum and minisign, signify and OpenSSH signatures: its verdicts next to the
peers' own (minisign, signify-openbsd, ssh-keygen) on documents they signed
and damaged afterwards, files their publishers signed, and vmsum's sentences,
options, trusted keys and exit codes for each format."""
import datetime
import os
import random
import re
import shutil
import tempfile
from pathlib import Path

import format_corpus
from harness import TMP_ROOT, VmsumTestCase, main

CORPUS = None  # built once for the whole run, in setUpModule

REAL = Path(os.environ["VM_TEST_DATA"]) / "signatures"
DNSCRYPT, OPENBSD = REAL / "minisign-dnscrypt", REAL / "signify-openbsd76"
DNSCRYPT_KEY = "RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3"
DNSCRYPT_GOOD = ('odoh-relays.md: Good minisign signature by key ID E7620F1842B4E81F, made 2026-07-06 08:52 UTC, '
                 'trusted comment: "timestamp:1783327964 file:odoh-relays.md".')
OPENBSD_GOOD = ("SHA256.sig: Good signify signature by key ID A2BCBA99F809BBE4. "
                "The signature says to verify it with openbsd-76-base.pub.")

# Where vmsum differs from the peer on purpose: (group, item): how its sentence starts, and a part of it.
DIFFERENT = {
    # S + L is S again modulo L; RFC 8032 requires S < L, as libsodium (minisign) does.
    ("signify", "s-plus-l"): ("BAD signify signature by key ID ", ""),
    ("ssh", "ed25519-s-plus-l"): ("BAD SSH signature from ssh-ed25519 key SHA256:", ""),
    # ssh-keygen 9.2 still makes and accepts RSA 1024; vmsum wants 2048 bits at least.
    ("ssh", "rsa1024"): ("Signed by rsa1024@verimond.test (ssh-rsa key SHA256:", ") with RSA 1024, which is too weak"),
    # ssh-keygen refuses CR LF armour ("missing header"); line ends aren't signed, so vmsum takes it.
    ("ssh", "ed25519-crlf"): ("Good SSH signature from ed25519@verimond.test, alice@example.com (", ""),
    # A signature by a certified key is refused, not checked against its authority.
    ("ssh-certificate", "certified_ed25519"):
        ("The signature uses OpenSSH certificates (ssh-ed25519-cert-v01@openssh.com), which vmsum can't check.", ""),
}

CHANGED = "the file was changed after it was signed, or the signature isn't by this key. Don't trust it."
TRUST_MINISIGN = ('If you trust it, get the publisher\'s public key from their website (a .pub file, or the key text '
                  'starting with "RW"), compare it, and run "vmsum --trust-key <key file>", or give it for this run '
                  'with --key <key file or key text>.')
OFFER = "There is an allowed_signers file beside it."
TRUST_SSH = ("If you trust it, get the publisher's allowed_signers file or public key (.pub) from their website, "
             'compare the fingerprint, and run "vmsum --trust-key <file>", or give it for this run with --key <file>.')


def today():
    return datetime.datetime.now(datetime.UTC).strftime("%Y-%m-%d")


def minisign_good(name, signature_file):
    """vmsum's Good line on a minisign signature with minisign's default trusted comment."""
    comment = signature_file.read_text().split("\n")[2].removeprefix("trusted comment: ")
    made = datetime.datetime.fromtimestamp(int(re.match(r"timestamp:(\d+)", comment)[1]), datetime.UTC)
    return (f"{name}: Good minisign signature by key ID {CORPUS.key_ids['minisign']}, "
            f"made {made:%Y-%m-%d %H:%M} UTC, trusted comment: \"{comment.replace(chr(9), ' ')}\".")


def setUpModule():
    global CORPUS
    TMP_ROOT.mkdir(parents=True, exist_ok=True)
    CORPUS = format_corpus.build(tempfile.mkdtemp(prefix="format-corpus-", dir=TMP_ROOT))


def tearDownModule():
    shutil.rmtree(CORPUS.folder, ignore_errors=True)


class FormatTestCase(VmsumTestCase):
    def place(self, files):
        """Copies corpus files (paths relative to the corpus) or writes bytes into the test folder."""
        for name, source in files.items():
            self.write(name, source if isinstance(source, bytes) else (CORPUS.folder / source).read_bytes())

    def assertOut(self, run, code, lines, err=b""):
        self.assertEqual((run.code, run.err), (code, err), run.out)
        self.assertEqual(run.out.decode(), "".join(line + "\n" for line in lines))


class PeerAgreement(FormatTestCase):
    def test_every_item_as_its_peer_sees_it(self):
        self.assertEqual(CORPUS.key_ids["minisign"], re.search(
            r"is ([0-9A-F]{1,16})\s+but", CORPUS.item("minisign-other", "prehashed").peer_output)[1])
        for group in CORPUS.groups:
            run = self.vmsum("--verify-signature", *[item.input for item in group.items], "--key", group.key,
                             cwd=CORPUS.folder / group.name)
            self.assertEqual(run.err, b"", group.name)
            self.assertNotIn(b"\r", run.out)
            lines = run.out.decode().splitlines()
            # An allowed_signers file in the folder is named after each unknown SSH key's line.
            offers = [i for i, line in enumerate(lines) if OFFER in line]
            for i in offers:
                self.assertIn("Signed by an unknown SSH key", lines[i - 1])
            lines = [line for i, line in enumerate(lines) if i not in offers]
            self.assertEqual(len(lines), len(group.items), run.out)
            for item, line in zip(group.items, lines):
                with self.subTest(group=group.name, item=item.name):
                    self.assertTrue(line.startswith(f"{item.input}: "), line)
                    sentence = line.removeprefix(f"{item.input}: ")
                    different = DIFFERENT.get((group.name, item.name))
                    self.assertEqual(sentence.startswith("Good "), item.peer_good != bool(different),
                                     (line, item.peer_output))
                    if different:
                        self.assertTrue(sentence.startswith(different[0]) and different[1] in sentence, line)
            all_good = all(line.split(": ", 1)[1].startswith("Good ") for line in lines)
            self.assertEqual(run.code, 0 if all_good else 1, group.name)

    def test_signature_given_by_name(self):
        prehashed = CORPUS.folder / "minisign/prehashed.dat.minisig"
        self.place({"data.bin": "minisign/prehashed.dat", "sigs/one.minisig": "minisign/prehashed.dat.minisig",
                    "sigs/two": "ssh/ed25519.dat.sig", "sigs/three.sig": "signify/detached.dat.sig",
                    "changed.bin": "signify/data-changed.dat", "minisign.pub": "keys/minisign.pub",
                    "signify.pub": "keys/signify.pub", "allowed_signers": "keys/allowed_signers"})
        run = self.vmsum("--verify-signature", "data.bin", "--signature", "sigs/one.minisig", "--key", "minisign.pub")
        self.assertOut(run, 0, [minisign_good("data.bin", prehashed)])
        run = self.vmsum("--verify-signature", "data.bin", "--signature", "sigs/two", "--key", "allowed_signers")
        self.assertOut(run, 0, ["data.bin: Good SSH signature from ed25519@verimond.test, alice@example.com "
                                f"(ssh-ed25519 key {CORPUS.fingerprints['ed25519']}), namespace \"file\"."])
        run = self.vmsum("--verify-signature", "changed.bin", "--signature", "sigs/three.sig", "--key", "signify.pub")
        self.assertOut(run, 1, [f"changed.bin: BAD signify signature by key ID {CORPUS.key_ids['signify']}: {CHANGED}"])


class PublishedFiles(FormatTestCase):
    def test_dnscrypt_resolver_lists(self):
        for name in ["odoh-relays.md", "relays.md"]:
            code, output = format_corpus.run(["minisign", "-V", "-m", name, "-P", DNSCRYPT_KEY], cwd=DNSCRYPT)
            self.assertEqual(code, 0, output)
        # relays.md is 78 KB under a whole-file (legacy) signature: past what libgcrypt's Ed25519 takes.
        run = self.vmsum("--verify-signature", "odoh-relays.md", "relays.md", "--key", "minisign.pub", cwd=DNSCRYPT)
        self.assertOut(run, 1, [DNSCRYPT_GOOD, "relays.md: The signature can't be checked: the signed file is "
                                "over 60 KiB, more than a whole-file Ed25519 signature can be checked over."])
        run = self.vmsum("--verify-signature", "odoh-relays.md", "--key", DNSCRYPT_KEY, cwd=DNSCRYPT)
        self.assertOut(run, 0, [DNSCRYPT_GOOD])

    def test_openbsd_sha256_sig(self):
        listed = re.findall(r"^SHA256 \((.+)\) = [0-9a-f]{64}$", (OPENBSD / "SHA256.sig").read_text(), re.M)
        self.assertEqual(len(listed), 25)
        run = self.vmsum("-c", "SHA256.sig", "--key", "openbsd-76-base.pub", cwd=OPENBSD)
        self.assertOut(run, 3, [f"{name}: MISSING" for name in listed],
                       f"vmsum: {OPENBSD_GOOD}\r\nvmsum: 0 OK, 25 missing.\r\n".encode())
        run = self.vmsum("--verify-signature", "SHA256.sig", "--key", "openbsd-76-base.pub", cwd=OPENBSD)
        self.assertOut(run, 0, [OPENBSD_GOOD])

        original = (OPENBSD / "SHA256.sig").read_bytes()
        changed = format_corpus.flip(original, original.index(b"(bsd)") + 1, 0x20)  # "(Bsd)"
        self.place({"SHA256.sig": original, "BUILDINFO": b"not OpenBSD's\n", "openbsd-76-base.pub":
                    (OPENBSD / "openbsd-76-base.pub").read_bytes(), "changed/SHA256.sig": changed})
        run = self.vmsum("-c", "SHA256.sig", "--ignore-missing", "--key", "openbsd-76-base.pub")
        self.assertOut(run, 1, ["BUILDINFO: FAILED"], f"vmsum: {OPENBSD_GOOD}\r\nvmsum: 0 OK, 1 FAILED.\r\n".encode())
        for name, peer_code in [("SHA256.sig", 0), ("changed/SHA256.sig", 1)]:
            code, output = format_corpus.run(["signify-openbsd", "-V", "-e", "-p", "openbsd-76-base.pub", "-x", name,
                                              "-m", str(self.dir / "message.out")], cwd=self.dir)
            self.assertEqual(code, peer_code, output)
        run = self.vmsum("-c", "changed/SHA256.sig", "--ignore-missing", "--key", "openbsd-76-base.pub")
        self.assertOut(run, 1, [], ("vmsum: changed/SHA256.sig: BAD signify signature by key ID A2BCBA99F809BBE4: "
                                    f"{CHANGED}\r\n").encode())


class MessagesAndOptions(FormatTestCase):
    def test_unknown_keys(self):
        self.place({"m.dat": "minisign/prehashed.dat", "m.dat.minisig": "minisign/prehashed.dat.minisig",
                    "s.dat": "signify/detached.dat", "s.dat.sig": "signify/detached.dat.sig",
                    "h.dat": "ssh/ed25519.dat", "h.dat.sig": "ssh/ed25519.dat.sig"})
        run = self.vmsum("--verify-signature", "m.dat", "s.dat", "h.dat")
        self.assertOut(run, 1, [
            f"m.dat: Signed by an unknown minisign key (key ID {CORPUS.key_ids['minisign']}). {TRUST_MINISIGN}",
            f"s.dat: Signed by an unknown signify key (key ID {CORPUS.key_ids['signify']}). The signature says to "
            f"verify it with signify.pub. {TRUST_MINISIGN}",
            f"h.dat: Signed by an unknown SSH key ({CORPUS.fingerprints['ed25519']}). {TRUST_SSH}"])

    def test_signed_checksum_lists(self):
        """SHA256SUMS with SHA256SUMS.minisig beside it; sums.txt with an SSH signature as sums.sig."""
        lists = {name: f"lists/{name}" for name in ["a.txt", "b.bin", "SHA256SUMS", "SHA256SUMS.minisig",
                                                       "sums.txt", "sums.sig"]}
        keys = ["--key", "minisign.pub", "--key", "allowed_signers"]
        self.place(lists | {"minisign.pub": "keys/minisign.pub", "allowed_signers": "keys/allowed_signers"})
        ok = ["a.txt: OK", "b.bin: OK"] * 2
        good = (f"vmsum: {minisign_good('SHA256SUMS', CORPUS.folder / 'lists/SHA256SUMS.minisig')}\r\n"
                f"vmsum: sums.txt: Good SSH signature from ed25519@verimond.test, alice@example.com (ssh-ed25519 key "
                f"{CORPUS.fingerprints['ed25519']}), namespace \"file\".\r\n")
        self.assertOut(self.vmsum("-c", "SHA256SUMS", "sums.txt", *keys), 0, ok, good.encode())
        unknown = (f"vmsum: SHA256SUMS: Signed by an unknown minisign key (key ID {CORPUS.key_ids['minisign']}). "
                   f"{TRUST_MINISIGN}\r\n"
                   f"vmsum: sums.txt: Signed by an unknown SSH key ({CORPUS.fingerprints['ed25519']}). {TRUST_SSH}\r\n"
                   f"vmsum: sums.txt: {OFFER} If it is the publisher's, run \"vmsum --trust-key allowed_signers\", "
                   f"or give it for this run with --key allowed_signers.\r\n")
        for more, code, out, err in [([], 0, ok, unknown), (["--require-signature"], 1, ok, unknown),
                                     (["--status"], 0, [], ""), (["--status", "--require-signature"], 1, [], unknown)]:
            with self.subTest(more=more):
                self.assertOut(self.vmsum(*more, "-c", "SHA256SUMS", "sums.txt"), code, out, err.encode())

        # Both lists changed after signing; --status keeps only the BAD line, --require-signature the unknown key's.
        for name in ["SHA256SUMS", "sums.txt"]:
            self.write(name, b"".join(reversed((self.dir / name).read_bytes().splitlines(keepends=True))))
        bad = f"vmsum: SHA256SUMS: BAD minisign signature by key ID {CORPUS.key_ids['minisign']}: {CHANGED}\r\n"
        unknown_ssh = "".join(line + "\r\n" for line in unknown.split("\r\n")[1:3])
        for more, out, err in [([], ["b.bin: OK", "a.txt: OK"] * 2, bad + unknown_ssh), (["--status"], [], bad),
                               (["--status", "--require-signature"], [], bad + unknown_ssh)]:
            with self.subTest(changed=more):
                self.assertOut(self.vmsum(*more, "-c", "SHA256SUMS", "sums.txt", "--key", "minisign.pub"), 1, out,
                               err.encode())

    def test_trust_list_and_forget(self):
        ids, fprs = CORPUS.key_ids, CORPUS.fingerprints
        self.place({"minisign.pub": "keys/minisign.pub", "signify.pub": "keys/signify.pub",
                    "ed25519.pub": "keys/ed25519.pub", "limited": "keys/allowed_signers_file_only",
                    "legacy.dat": "minisign/legacy.dat", "legacy.dat.minisig": "minisign/legacy.dat.minisig",
                    "embedded.sig": "signify/embedded.sig", "release.dat": "ssh/ed25519-release.dat",
                    "release.dat.sig": "ssh/ed25519-release.dat.sig", "p256.dat": "ssh/ecdsa256.dat",
                    "p256.dat.sig": "ssh/ecdsa256.dat.sig", "p256-release.dat": "ssh/ecdsa256-release.dat",
                    "p256-release.dat.sig": "ssh/ecdsa256-release.dat.sig"})
        # The minisign key by its ID, the signify key by its text, the SSH keys by their fingerprints.
        forgets = {"minisign": ids["minisign"], "signify": CORPUS.key_file("signify.pub").read_text().split("\n")[1],
                   "ed25519": fprs["ed25519"], "ecdsa256": fprs["ecdsa256"]}
        forgotten = set()
        try:
            first_day = today()
            minisign_key = f'minisign key {ids["minisign"]} ("minisign public key {ids["minisign"]}")'
            for key, out in [
                    ("minisign.pub", f"Trusted {minisign_key}."),
                    ("signify.pub", f'Trusted minisign key {ids["signify"]} ("signify test key public key").'),
                    ("ed25519.pub", f'Trusted SSH key {fprs["ed25519"]} ("ed25519@verimond.test").'),
                    ("limited", f'Trusted SSH key {fprs["ecdsa256"]} for ecdsa256@verimond.test.'),
                    ("minisign.pub", f"{minisign_key} is already trusted.")]:
                self.assertOut(self.vmsum("--trust-key", key), 0, [out])

            run = self.vmsum("--list-keys")
            self.assertEqual((run.code, run.err), (0, b""))
            listing = run.out.decode()
            head, _, ssh_part = listing.partition("\nSSH keys:\n")
            minisign_part = head.partition("minisign and signify keys:\n")[2]
            for part, block in [
                    (minisign_part, f"{ids['minisign']}\n    minisign public key {ids['minisign']}\n    Ed25519"),
                    (minisign_part, f"{ids['signify']}\n    signify test key public key\n    Ed25519"),
                    (ssh_part, f"{fprs['ed25519']}\n    any signer, any namespace\n    ssh-ed25519"),
                    (ssh_part, f"{fprs['ecdsa256']}\n    ecdsa256@verimond.test; namespaces file\n"
                               "    ecdsa-sha2-nistp256")]:
                listed = {f"{block}, trusted since {day}" for day in {first_day, today()}}
                self.assertTrue(listed & set(part.strip("\n").split("\n\n")), (block, listing))

            run = self.vmsum("--verify-signature", "legacy.dat", "embedded.sig", "release.dat", "p256.dat",
                             "p256-release.dat")
            self.assertOut(run, 1, [
                f'legacy.dat: Good minisign signature by key ID {ids["minisign"]}, trusted comment: '
                '"legacy test signature".',
                f"embedded.sig: Good signify signature by key ID {ids['signify']}. The signature says to verify it "
                "with signify.pub.",
                f'release.dat: Good SSH signature from ssh-ed25519 key {fprs["ed25519"]}, namespace "release".',
                f"p256.dat: Good SSH signature from ecdsa256@verimond.test (ecdsa-sha2-nistp256 key "
                f'{fprs["ecdsa256"]}), namespace "file".',
                f"p256-release.dat: BAD SSH signature from ecdsa256@verimond.test (ecdsa-sha2-nistp256 key "
                f"{fprs['ecdsa256']}): it was made for the namespace \"release\", which that key may not sign for. "
                "Don't trust it."])

            for name, out in [("minisign", f"Forgot minisign key {ids['minisign']}."),
                              ("signify", f"Forgot minisign key {ids['signify']}."),
                              ("ed25519", f'Forgot SSH key {fprs["ed25519"]} ("ed25519@verimond.test").'),
                              ("ecdsa256", f"Forgot SSH key {fprs['ecdsa256']}.")]:
                self.assertOut(self.vmsum("--forget-key", forgets[name]), 0, [out])
                forgotten.add(name)
            self.assertOut(self.vmsum("--forget-key", ids["minisign"]), 1, [],
                           f"vmsum: No trusted key is minisign key {ids['minisign']}.\r\n".encode())
            self.assertOut(self.vmsum("--forget-key", fprs["ed25519"]), 1, [],
                           f"vmsum: No trusted SSH key has the fingerprint {fprs['ed25519']}.\r\n".encode())
            listing = self.vmsum("--list-keys").out.decode()
            for identifier in [ids["minisign"], ids["signify"], fprs["ed25519"], fprs["ecdsa256"]]:
                self.assertNotIn(identifier, listing)
        finally:
            for name, identifier in forgets.items():
                if name not in forgotten:
                    self.vmsum("--forget-key", identifier)

    def test_damaged_signatures_and_exit_codes(self):
        noise = random.Random(0).randbytes(4096)
        legacy = (CORPUS.folder / "minisign/legacy.dat.minisig").read_bytes().split(b"\n")
        self.place({"minisign.pub": "keys/minisign.pub"} | {f"{n}.dat": b"data\n" for n in "abcd"} | {
            "a.dat.minisig": b"untrusted comment: signature from minisign secret key\n" + noise,
            "b.dat.sig": format_corpus.SSH_BEGIN + b"\n" + noise,
            "c.dat.sig": b"\n".join(legacy[:2]) + b"\n" + noise,           # signify's two lines and a message
            "d.dat.minisig": b"\n".join(legacy[:3]) + b"\n" + noise})      # no signature of the trusted comment
        run = self.vmsum("--verify-signature", "a.dat", "b.dat", "c.dat", "d.dat", "--key", "minisign.pub")
        self.assertEqual((run.code, run.err), (1, b""))
        lines = run.out.decode().splitlines()
        self.assertEqual(len(lines), 4, run.out)
        # The first line alone doesn't make a minisign signature: without its signature line it is read as OpenPGP.
        for line, start in zip(lines, [
                "a.dat: The signature is damaged or isn't an OpenPGP signature (",
                "b.dat: The signature is damaged or isn't an SSH signature (",
                "c.dat: The signature is damaged or isn't a minisign or signify signature (it carries the text it "
                "signs, not a signature of this file).",
                "d.dat: The signature is damaged or isn't a minisign or signify signature ("]):
            self.assertTrue(line.startswith(start) and line.endswith(")."), line)
        self.assertTrue(lines[3].endswith(" signature (its trusted comment's signature line isn't base64 of an "
                                          "Ed25519 signature)."), lines[3])

        run = self.vmsum("--verify-signature", "a.dat", "--signature", "absent.minisig", "--key", "minisign.pub")
        self.assertEqual((run.code, run.out), (3, b""))
        self.assertTrue(run.err.startswith(b"vmsum: absent.minisig: ") and run.err.endswith(b".\r\n"), run.err)
        run = self.vmsum("--verify-signature", "a.dat", "--key", "absent.pub")
        self.assertEqual((run.code, run.out), (3, b""))
        self.assertTrue(run.err.startswith(b"vmsum: absent.pub: "), run.err)
        self.assertUsageError(self.vmsum("--forget-key", "RW-not-a-key"),
                              "--forget-key needs an OpenPGP fingerprint of 40 or 64 hex digits, a minisign key ID "
                              "of 16 or its key text, an SSH fingerprint starting with SHA256:, or a Sigstore "
                              "signer's identity or repository.")


if __name__ == "__main__":
    main()
