"""vmsum and Sigstore bundles, checked offline: real bundles of the public
Sigstore instance (a GitHub Actions wheel, CPython 3.12.5 by its digest), every
case of the mock corpus with its own trust roots, the bundle names looked for
beside a file, the options for one run (--certificate-identity,
--certificate-oidc-issuer, --trusted-root), stored signers (--trust-identity,
--trust-repository, --list-keys, --forget-key), signed checksum lists, and the
usage errors and exit codes."""
import datetime
import hashlib
import json
import os
import re
import subprocess
from pathlib import Path

from harness import VmsumTestCase, main

SIGSTORE = Path(os.environ["VM_TEST_DATA"]) / "sigstore"
MOCK, PRODUCTION = SIGSTORE / "mock-corpus", SIGSTORE / "production"

WHEEL = "bundle_v3_github.whl"
GITHUB_ID = "https://github.com/trailofbits/rfc8785.py/.github/workflows/release.yml@refs/tags/v0.1.2"
GITHUB_ISSUER = "https://token.actions.githubusercontent.com"
GITHUB_REPO = "https://github.com/trailofbits/rfc8785.py"
PYTHON_BUNDLE = "python-3.12.5/Python-3.12.5.tgz.sigstore"
PYTHON_DIGEST = "sha256:38dc4e2c261d49c661196066edbfb70fdb16be4a79cc8220c224dfeb5636d405"
PYTHON_ID, GOOGLE = "thomas@python.org", "https://accounts.google.com"
MOCK_ID, MOCK_ISSUER = "release@example.org", "https://accounts.example.com"
MOCK_RUN = ["--trusted-root", "trusted_root.full.json", "--certificate-identity", MOCK_ID,
            "--certificate-oidc-issuer", MOCK_ISSUER]

GITHUB_SIGNER = (f'"{GITHUB_ID}" (signed in with GitHub Actions, {GITHUB_ISSUER}; repository {GITHUB_REPO} '
                 "at refs/tags/v0.1.2), logged 2024-03-19 22:41 UTC")
PYTHON_SIGNER = f'"{PYTHON_ID}" (signed in with Google, {GOOGLE}), logged 2024-08-06 20:32 UTC'
MOCK_SIGNER = f'"{MOCK_ID}" (signed in at {MOCK_ISSUER}), logged 2025-06-01 10:00 UTC'
NO_TIME = ("BAD Sigstore signature: no time is signed by the log or a time-stamp authority, so its certificate can't "
           "be checked. Don't trust it.")
CHANGED = "BAD Sigstore signature: the file was changed after it was signed. Don't trust it."


def untrusted(signer, identity, issuer, repository=None):
    """The sentence on a valid signature by a signer vmsum doesn't trust yet."""
    sentence = (f"Signed with Sigstore by {signer}, a signer vmsum doesn't trust yet. Compare it with the signers the "
                "project names on its own website (python.org, for example, lists its release managers' identities). "
                f'If it is theirs, run "vmsum --trust-identity {identity} --certificate-oidc-issuer {issuer}"')
    if repository:
        sentence += (', or to trust every release of the repository, "vmsum --trust-repository '
                     f'{repository} --certificate-oidc-issuer {issuer}"')
    return sentence + "; for this run only, give --certificate-identity and --certificate-oidc-issuer."


def today():
    return datetime.datetime.now(datetime.UTC).strftime("%Y-%m-%d")


class SigstoreTestCase(VmsumTestCase):
    def place(self, files):
        """Copies data files (a Path) or writes bytes into the test folder."""
        for name, source in files.items():
            self.write(name, source if isinstance(source, bytes) else source.read_bytes())

    def assertOut(self, run, code, lines, err=b""):
        self.assertEqual((run.code, run.err), (code, err), run.out)
        self.assertEqual(run.out.decode(), "".join(line + "\n" for line in lines))


class ProductionBundles(SigstoreTestCase):
    def test_verdicts_and_options_for_one_run(self):
        run = self.vmsum("--verify-signature", WHEEL, cwd=PRODUCTION)
        self.assertOut(run, 1, [f"{WHEEL}: " + untrusted(GITHUB_SIGNER, GITHUB_ID, GITHUB_ISSUER, GITHUB_REPO)])
        run = self.vmsum("--verify-signature", WHEEL, "--certificate-identity", GITHUB_ID,
                         "--certificate-oidc-issuer", GITHUB_ISSUER, cwd=PRODUCTION)
        self.assertOut(run, 0, [f"{WHEEL}: Good Sigstore signature by {GITHUB_SIGNER}."])
        # The right identity under another issuer is not that signer.
        run = self.vmsum("--verify-signature", WHEEL, "--certificate-identity", GITHUB_ID,
                         "--certificate-oidc-issuer", GOOGLE, cwd=PRODUCTION)
        self.assertOut(run, 1, [f"{WHEEL}: " + untrusted(GITHUB_SIGNER, GITHUB_ID, GITHUB_ISSUER, GITHUB_REPO)])

        python = ["--verify-signature", "--signature", PYTHON_BUNDLE, PYTHON_DIGEST]
        self.assertOut(self.vmsum(*python, cwd=PRODUCTION), 1,
                       [f"{PYTHON_DIGEST}: " + untrusted(PYTHON_SIGNER, PYTHON_ID, GOOGLE)])
        run = self.vmsum(*python, "--certificate-identity", PYTHON_ID, "--certificate-oidc-issuer", GOOGLE,
                         cwd=PRODUCTION)
        self.assertOut(run, 0, [f"{PYTHON_DIGEST}: Good Sigstore signature by {PYTHON_SIGNER}."])
        changed = PYTHON_DIGEST[:-1] + "4"
        run = self.vmsum("--verify-signature", "--signature", PYTHON_BUNDLE, changed, "--certificate-identity",
                         PYTHON_ID, "--certificate-oidc-issuer", GOOGLE, cwd=PRODUCTION)
        self.assertOut(run, 1, [f"{changed}: {CHANGED}"])

        # Neither a SET nor a time stamp: rejected, whoever is trusted.
        for more in [[], ["--certificate-identity", PYTHON_ID, "--certificate-oidc-issuer", GOOGLE]]:
            run = self.vmsum("--verify-signature", "bundle_v3_no_signed_time.txt", *more, cwd=PRODUCTION)
            self.assertOut(run, 1, [f"bundle_v3_no_signed_time.txt: {NO_TIME}"])

    def test_bundle_names_and_trusted_roots(self):
        bundle = MOCK / "v1.txt.sigstore.json"
        self.place({"json/v1.txt": MOCK / "v1.txt", "json/v1.txt.sigstore.json": bundle,
                    "plain/v1.txt": MOCK / "v1.txt", "plain/v1.txt.sigstore": bundle,
                    "bundle/v1.txt": MOCK / "v1.txt", "bundle/v1.txt.bundle": bundle,
                    "changed/v1.txt": b"Verimond fixture v2\n", "changed/v1.txt.bundle": bundle,
                    "given/data.bin": MOCK / "v1.txt", "given/b/any.name": bundle,
                    "trusted_root.full.json": MOCK / "trusted_root.full.json",
                    "cut.json": (MOCK / "trusted_root.full.json").read_bytes()[:300]})
        for folder in ["json", "plain", "bundle"]:
            run = self.vmsum("--verify-signature", f"{folder}/v1.txt", *MOCK_RUN)
            self.assertOut(run, 0, [f"{folder}/v1.txt: Good Sigstore signature by {MOCK_SIGNER}."])
        self.assertOut(self.vmsum("--verify-signature", "changed/v1.txt", *MOCK_RUN), 1, [f"changed/v1.txt: {CHANGED}"])
        run = self.vmsum("--verify-signature", "given/data.bin", "--signature", "given/b/any.name", *MOCK_RUN)
        self.assertOut(run, 0, [f"given/data.bin: Good Sigstore signature by {MOCK_SIGNER}."])
        # The built-in (production) root doesn't list the mock log; a trusted root for one run isn't kept.
        run = self.vmsum("--verify-signature", "json/v1.txt", *MOCK_RUN[2:])
        self.assertOut(run, 1, ["json/v1.txt: BAD Sigstore signature: its log entry is in a log the trust root "
                                "doesn't list. Don't trust it."])
        self.assertOut(self.vmsum("--verify-signature", "json/v1.txt"), 1,
                       ["json/v1.txt: BAD Sigstore signature: its log entry is in a log the trust root doesn't list. "
                        "Don't trust it."])
        for root, err in [("absent.json", "File not found"), ("cut.json", "It isn't a Sigstore trusted_root.json"),
                          ("json/v1.txt", "It isn't a Sigstore trusted_root.json")]:
            run = self.vmsum("--verify-signature", "json/v1.txt", "--trusted-root", root, *MOCK_RUN[2:])
            self.assertOut(run, 3, [], f"vmsum: {root}: {err}.\r\n".encode())
        self.write("json/v1.txt.sigstore.json", bundle.read_bytes()[:2000])
        self.assertOut(self.vmsum("--verify-signature", "json/v1.txt", *MOCK_RUN), 1,
                       ["json/v1.txt: The Sigstore bundle is damaged (it isn't valid JSON)."])

    def test_a_trust_root_in_the_store_folder_replaces_the_built_in_one(self):
        prefix = Path(os.environ["WINE_RUN"]).parent / "wineprefix"
        self.place({"v1.txt": MOCK / "v1.txt", "v1.txt.sigstore.json": MOCK / "v1.txt.sigstore.json"})
        run_only = MOCK_RUN[2:]
        self.assertEqual(self.vmsum("--list-keys").code, 0)  # makes the store folder when it isn't there yet
        stores = list(prefix.glob("drive_c/users/*/AppData/Roaming/Verimond/Trusted Keys"))
        self.assertEqual(len(stores), 1, stores)
        stored = stores[0] / "trusted_root.json"
        self.assertFalse(stored.exists())
        try:
            stored.write_bytes((MOCK / "trusted_root.full.json").read_bytes())
            self.assertOut(self.vmsum("--verify-signature", "v1.txt", *run_only), 0,
                           [f"v1.txt: Good Sigstore signature by {MOCK_SIGNER}."])
            # --trusted-root still wins for its run: the production root doesn't list the mock log.
            run = self.vmsum("--verify-signature", "v1.txt", "--trusted-root", str(SIGSTORE / "production" /
                                                                                   "trusted_root.json"), *run_only)
            self.assertEqual(run.code, 1, run.out)
        finally:
            stored.unlink(missing_ok=True)
        self.assertEqual(self.vmsum("--verify-signature", "v1.txt", *run_only).code, 1)

    def test_without_libksba_only_time_stamps_cant_be_checked(self):
        self.place({"v1notsa.txt": MOCK / "v1notsa.txt", "v1notsa.txt.sigstore.json": MOCK / "case01.sigstore.json",
                    "v1.txt": MOCK / "v1.txt", "v1.txt.sigstore.json": MOCK / "case00.sigstore.json",
                    "trusted_root.full.json": MOCK / "trusted_root.full.json"})
        program = Path(os.environ["VMSUM_EXE"])
        for name in ["vmsum.exe", "libgcrypt-20.dll", "libgpg-error-0.dll"]:  # no libksba-8.dll beside this copy
            self.write(f"alone/{name}", (program.parent / name).read_bytes())
        copy = str(self.dir / "alone" / "vmsum.exe")
        run = subprocess.run([os.environ["WINE_RUN"], copy, "--verify-signature", "v1notsa.txt", *MOCK_RUN],
                             cwd=self.dir, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        self.assertEqual((run.returncode, run.stdout.decode()),
                         (0, f"v1notsa.txt: Good Sigstore signature by {MOCK_SIGNER}.\n"))
        run = subprocess.run([os.environ["WINE_RUN"], copy, "--verify-signature", "v1.txt", *MOCK_RUN],
                             cwd=self.dir, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        self.assertEqual((run.returncode, run.stdout.decode()),
                         (1, "v1.txt: The signature can't be checked: libksba-8.dll is missing beside the program or "
                             "doesn't work.\n"))

    def test_cosign_key_files_given_with_key(self):
        self.place({"v1.txt": MOCK / "v1.txt", "v1.txt.sigstore.json": MOCK / "case00.sigstore.json",
                    "trusted_root.full.json": MOCK / "trusted_root.full.json"})
        for name, algorithm in [("ec.pem", ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256"]),
                                ("rsa.pem", ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048"])]:
            private = subprocess.run(["openssl", "genpkey", *algorithm], stdout=subprocess.PIPE, check=True).stdout
            public = subprocess.run(["openssl", "pkey", "-pubout"], input=private, stdout=subprocess.PIPE, check=True)
            self.write(name, public.stdout)
        # A key of a kind vmsum checks is taken for plain-key bundles and changes nothing for this one.
        self.assertOut(self.vmsum("--verify-signature", "v1.txt", "--key", "ec.pem", *MOCK_RUN), 0,
                       [f"v1.txt: Good Sigstore signature by {MOCK_SIGNER}."])
        run = self.vmsum("--verify-signature", "v1.txt", "--key", "rsa.pem", *MOCK_RUN)
        self.assertOut(run, 0, [f"v1.txt: Good Sigstore signature by {MOCK_SIGNER}."],
                       b"vmsum: rsa.pem: No usable key: its PEM public key is damaged or of a kind not checked here "
                       b"(ECDSA P-256, P-384 and P-521 and Ed25519 are).\r\n")
        self.assertOut(self.vmsum("--trust-key", "ec.pem"), 1, [],
                       b"vmsum: ec.pem: A Sigstore public key isn't stored; give it with --key <file> when you check "
                       b"its bundles.\r\n")

    def test_signed_checksum_lists(self):
        """No bundle of the corpus signs a checksum list: a list with another file's bundle is BAD, and a signed
        file that is no list gets its Good line before the list is found empty."""
        bundle = MOCK / "v1.txt.sigstore.json"
        self.place({"v1.txt": MOCK / "v1.txt", "v1.txt.sigstore.json": bundle, "checksums.txt.sigstore.json": bundle,
                    "trusted_root.full.json": MOCK / "trusted_root.full.json"})
        self.write("checksums.txt", f"{hashlib.sha256((MOCK / 'v1.txt').read_bytes()).hexdigest()}  v1.txt\n".encode())
        bad = f"vmsum: checksums.txt: {CHANGED}\r\n".encode()
        for more, out in [([], ["v1.txt: OK"]), (["--require-signature"], ["v1.txt: OK"]), (["--status"], [])]:
            with self.subTest(more=more):
                self.assertOut(self.vmsum("-c", "checksums.txt", *more, *MOCK_RUN), 1, out, bad)
        run = self.vmsum("-c", "v1.txt", *MOCK_RUN)
        self.assertOut(run, 1, [], (f"vmsum: v1.txt: Good Sigstore signature by {MOCK_SIGNER}.\r\n"
                                    "vmsum: v1.txt: No checksum lines found.\r\n").encode())


class MockCorpus(SigstoreTestCase):
    def test_every_case(self):
        cases = json.loads((MOCK / "manifest.json").read_text())
        self.assertEqual(len(cases), 46)
        good = re.compile(r'^Good Sigstore (signature|attestation) by "release@example\.org" \(signed in at '
                          r"https://accounts\.example\.com\), logged \d{4}-\d\d-\d\d \d\d:\d\d UTC\.$")
        for case in cases:
            with self.subTest(bundle=case["bundle"], name=case["name"]):
                root = [] if case["trusted_root"] == "production" else ["--trusted-root", case["trusted_root"]]
                run = self.vmsum("--verify-signature", "--signature", case["bundle"], case["artifact"], *root,
                                 "--certificate-identity", case["identity"], "--certificate-oidc-issuer",
                                 case["issuer"], cwd=MOCK)
                self.assertEqual(run.err, b"")
                name, sentence = (run.out.decode().split(": ", 1) + [""])[:2]
                self.assertEqual((name, run.out.count(b"\n"), run.out[-1:]), (case["artifact"], 1, b"\n"), run.out)
                sentence = sentence.rstrip("\n")
                if case["expect"] == "pass":
                    self.assertEqual(run.code, 0, sentence)
                    self.assertRegex(sentence, good)
                    continue
                self.assertEqual(run.code, 1, sentence)
                if (case["identity"], case["issuer"]) != (MOCK_ID, MOCK_ISSUER):
                    self.assertEqual(sentence, untrusted(MOCK_SIGNER, MOCK_ID, MOCK_ISSUER))
                else:
                    self.assertRegex(sentence, r"^(BAD Sigstore (signature|attestation): .+\. Don't trust it\."
                                               r"|The Sigstore bundle is damaged \(.+\)\.)$")


class StoredSigners(SigstoreTestCase):
    def test_trust_list_and_forget(self):
        before = self.vmsum("--list-keys")
        python = ["--verify-signature", "--signature", PYTHON_BUNDLE, PYTHON_DIGEST]
        repository = (f'Sigstore repository "{GITHUB_REPO}" (every release, signed in with GitHub Actions, '
                      f"{GITHUB_ISSUER})")
        thomas = f'Sigstore signer "{PYTHON_ID}" (signed in with Google, {GOOGLE})'
        login = "https://github.com/login/oauth"
        thomas_github = f'Sigstore signer "{PYTHON_ID}" (signed in with GitHub, {login})'
        stored = {GITHUB_REPO: True, PYTHON_ID: True}  # forgotten at the end unless the test did
        try:
            first_day = today()
            for args, out in [(["--trust-repository", GITHUB_REPO, "--certificate-oidc-issuer", GITHUB_ISSUER],
                               f"Trusted {repository}."),
                              (["--trust-repository", GITHUB_REPO, "--certificate-oidc-issuer", GITHUB_ISSUER],
                               f"{repository} is already trusted.")]:
                self.assertOut(self.vmsum(*args), 0, [out])
            self.assertOut(self.vmsum("--verify-signature", WHEEL, cwd=PRODUCTION), 0,
                           [f"{WHEEL}: Good Sigstore signature by {GITHUB_SIGNER}."])
            # Thomas under another identity provider is another signer.
            self.assertOut(self.vmsum("--trust-identity", PYTHON_ID, "--certificate-oidc-issuer", login), 0,
                           [f"Trusted {thomas_github}."])
            self.assertOut(self.vmsum(*python, cwd=PRODUCTION), 1,
                           [f"{PYTHON_DIGEST}: " + untrusted(PYTHON_SIGNER, PYTHON_ID, GOOGLE)])
            self.assertOut(self.vmsum("--trust-identity", PYTHON_ID, "--certificate-oidc-issuer", GOOGLE), 0,
                           [f"Trusted {thomas}."])
            self.assertOut(self.vmsum("--trust-identity", PYTHON_ID, "--certificate-oidc-issuer", GOOGLE), 0,
                           [f"{thomas} is already trusted."])
            self.assertOut(self.vmsum(*python, cwd=PRODUCTION), 0,
                           [f"{PYTHON_DIGEST}: Good Sigstore signature by {PYTHON_SIGNER}."])

            run = self.vmsum("--list-keys")
            self.assertEqual((run.code, run.err), (0, b""))
            listing = run.out.decode().split("Sigstore signers:\n")[-1]
            blocks = set(listing.strip("\n").split("\n\n"))
            for block in [f"{GITHUB_REPO}\n    every signer of this repository, issuer {GITHUB_ISSUER}",
                          f"{PYTHON_ID}\n    this identity, issuer {GOOGLE}",
                          f"{PYTHON_ID}\n    this identity, issuer {login}"]:
                self.assertTrue({f"{block}\n    trusted since {day}" for day in {first_day, today()}} & blocks,
                                (block, run.out))

            # An identity is forgotten under every issuer it was trusted with.
            run = self.vmsum("--forget-key", PYTHON_ID)
            self.assertEqual((run.code, run.err), (0, b""))
            self.assertEqual(sorted(run.out.decode().splitlines()), sorted([f"Forgot {thomas}.",
                                                                          f"Forgot {thomas_github}."]))
            stored[PYTHON_ID] = False
            self.assertOut(self.vmsum("--forget-key", GITHUB_REPO), 0, [f"Forgot {repository}."])
            stored[GITHUB_REPO] = False
            for name in [PYTHON_ID, GITHUB_REPO]:
                self.assertOut(self.vmsum("--forget-key", name), 1, [],
                               f"vmsum: No trusted Sigstore signer is {name}.\r\n".encode())
            self.assertOut(self.vmsum(*python, cwd=PRODUCTION), 1,
                           [f"{PYTHON_DIGEST}: " + untrusted(PYTHON_SIGNER, PYTHON_ID, GOOGLE)])
            self.assertEqual(self.vmsum("--list-keys"), before)
        finally:
            for name, kept in stored.items():
                if kept:
                    self.vmsum("--forget-key", name)

    def test_usage_errors(self):
        digest = PYTHON_DIGEST.removeprefix("sha256:")
        identity = ["--certificate-identity", MOCK_ID]
        issuer = ["--certificate-oidc-issuer", MOCK_ISSUER]
        trust = ["--trust-identity", MOCK_ID, *issuer]
        alone = "Use --trust-identity or --trust-repository on its own, with --certificate-oidc-issuer."
        no_issuer = "Name the signer's identity provider with --certificate-oidc-issuer URL."
        bad_digest = "A digest is given as sha256: and 64 hex digits, with its Sigstore bundle in --signature."
        for args, message in [
                (["--verify-signature", "v1.txt", *identity], no_issuer),
                (["--trust-identity", MOCK_ID], no_issuer),
                (["--verify-signature", "v1.txt", *issuer],
                 "--certificate-oidc-issuer goes with --certificate-identity, --trust-identity or --trust-repository."),
                ([*issuer], "--certificate-oidc-issuer goes with --certificate-identity, --trust-identity or "
                            "--trust-repository."),
                ([*trust, "v1.txt"], alone), ([*trust, "--list-keys"], alone), ([*trust, "--verify-signature"], alone),
                ([*trust, "-c", "sums.txt"], alone), ([*trust, "--trust-repository", GITHUB_REPO], alone),
                (["--trust-identity", MOCK_ID, "--certificate-oidc-issuer", "http://accounts.example.com"],
                 "--certificate-oidc-issuer needs the identity provider's URL, starting with https://."),
                (["--trust-repository", GITHUB_REPO, "--certificate-oidc-issuer", "accounts.example.com"],
                 "--certificate-oidc-issuer needs the identity provider's URL, starting with https://."),
                (["--verify-signature", "v1.txt", *identity, "--certificate-oidc-issuer", "accounts.example.com"],
                 "--certificate-oidc-issuer needs the identity provider's URL, starting with https://."),
                (["--trust-identity"], "--trust-identity needs the signer's e-mail address or URI."),
                (["--trusted-root"], "--trusted-root needs a trusted_root.json file."),
                (["--verify-signature", PYTHON_DIGEST], bad_digest),
                (["--verify-signature", "--signature", PYTHON_BUNDLE, "SHA256:" + digest[:-1]], bad_digest),
                (["--verify-signature", "--signature", PYTHON_BUNDLE, "sha256:" + digest[:-1]], bad_digest),
                (["--verify-signature", "--signature", PYTHON_BUNDLE, "sha256:" + digest[:-1] + "g"], bad_digest),
                (["--verify-signature", "--signature", PYTHON_BUNDLE, PYTHON_DIGEST, WHEEL],
                 "--signature goes with one signed file only.")]:
            with self.subTest(args=args):
                self.assertUsageError(self.vmsum(*args, cwd=PRODUCTION), message)


if __name__ == "__main__":
    main()
