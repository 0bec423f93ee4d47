"""Keys, signed documents and damaged variants made with GnuPG, for the
signature tests, together with what gpgv says about each document.

GnuPG runs in a throw-away home folder; the corpus is written under the folder
given to build(). Every path in the corpus is relative to that folder, so
vmsum can run there and see the same names. Run this module on its own to
print the corpus table:  python3 openpgp_corpus.py [FOLDER]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

QUIET = ["--batch", "--no-tty", "--quiet", "--utf8-strings", "--display-charset", "utf-8",
         "--pinentry-mode", "loopback", "--passphrase", ""]
PAST = "20200101T000000!"       # the expired key is made at this time, valid for one day
PAST_SIGNING = "20200101T120000!"
SIGNATURE_EXPIRED_ON = "2020-01-02"  # a signature made at PAST_SIGNING, valid for one day

# name, key type for --quick-gen-key, vmsum's name for the primary key's algorithm, user ID.
KEYS = [
    ("rsa1024", "rsa1024", "RSA 1024", "Verimond RSA 1024 <rsa1024@example.org>"),
    ("rsa2048", "rsa2048", "RSA 2048", "Verimond RSA 2048 <rsa2048@example.org>"),
    ("rsa3072", "rsa3072", "RSA 3072", "Verimond RSA 3072 <rsa3072@example.org>"),
    ("rsa4096", "rsa4096", "RSA 4096", "Verimond RSA 4096 <rsa4096@example.org>"),
    ("ed25519", "ed25519", "Ed25519", "Zo\u00eb Ed25519 <ed25519@example.org>"),
    ("nistp256", "nistp256", "NIST P-256", "Verimond NIST P-256 <nistp256@example.org>"),
    ("nistp384", "nistp384", "NIST P-384", "Verimond NIST P-384 <nistp384@example.org>"),
    ("nistp521", "nistp521", "NIST P-521", "Verimond NIST P-521 <nistp521@example.org>"),
    ("old", "ed25519", "Ed25519", "Verimond Old Key <old@example.org>"),
    ("subkey", "ed25519", "Ed25519", "Verimond Subkey <subkey@example.org>"),
    ("expired", "ed25519", "Ed25519", "Verimond Expired <expired@example.org>"),
    ("revoked", "ed25519", "Ed25519", "Verimond Revoked <revoked@example.org>"),
    ("revsub", "ed25519", "Ed25519", "Verimond Revoked Subkey <revsub@example.org>"),
]

TEXT = b"first line\r\nsecond line\nthird line\r\n\r\nlast line\n"
NOTES = b"- a line starting with a dash\nFrom the top\ntrailing blanks   \t\nlast line\n"
SUMS_FILES = {"alpha.txt": b"alpha\n", "beta data.bin": bytes(range(256)) * 40}


@dataclass
class Key:
    name: str
    algorithm: str
    uid: str
    fpr: str                      # primary key, 40 upper-case hex digits
    subkeys: list = field(default_factory=list)
    created: int = 0
    expires: int | None = None
    armoured: str = ""            # keys/NAME.asc
    binary: str = ""              # keys/NAME.gpg

    def owns(self, keyid):
        return any(fpr.endswith(keyid) for fpr in [self.fpr, *self.subkeys])


@dataclass
class Signature:
    """One signature as gpgv saw it."""
    status: str                   # GOODSIG, BADSIG, EXPKEYSIG, REVKEYSIG or ERRSIG
    keyid: str
    key: Key | None               # the corpus key that holds keyid
    signing_fpr: str | None       # the primary or subkey fingerprint that keyid stands for
    digest: int | None            # OpenPGP hash algorithm number, when gpgv said it
    date: str | None = None       # YYYY-MM-DD it was made, when gpgv checked it (VALIDSIG)


@dataclass
class Item:
    name: str
    data: str
    signature: str | None         # None: data is clear-signed
    key_files: list
    gpgv_code: int
    signatures: list

    @property
    def gpgv_good(self):
        # gpgv exits 0 for a key that is expired or revoked too (EXPKEYSIG,
        # REVKEYSIG); only GOODSIG on every signature is a good verdict.
        return self.gpgv_code == 0 and bool(self.signatures) and all(
            s.status == "GOODSIG" for s in self.signatures)


@dataclass
class Corpus:
    folder: Path
    keys: dict
    items: list
    sums: str = "sums/SHA256SUMS"             # sha256sum output for SUMS_FILES
    sums_signature: str = "sums/SHA256SUMS.gpg"  # binary detached signature by the ed25519 key
    sums_armoured: str = "sums/SHA256SUMS.asc"   # the same, armoured
    sums_clear: str = "sums/SHA256SUMS.clear"    # the same list, clear-signed by the ed25519 key

    def item(self, name):
        return next(item for item in self.items if item.name == name)


class _Gpg:
    def __init__(self, home):
        self.env = dict(os.environ, GNUPGHOME=str(home), LC_ALL="C")

    def __call__(self, *args, stdin=b"", time=None):
        options = [*QUIET, *(["--faked-system-time", time] if time else [])]
        return subprocess.run(["gpg", *options, *args], input=stdin, env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, check=True).stdout

    def listing(self, fpr):
        """(primary fpr, [subkey fprs], uid, created, expires) as gpg --with-colons --fingerprint prints them."""
        fprs, uid, created, expires = [], None, 0, None
        for record in self("--with-colons", "--fingerprint", fpr).decode().splitlines():
            fields = record.split(":")
            if fields[0] == "pub":
                created, expires = int(fields[5]), int(fields[6]) if fields[6] else None
            elif fields[0] == "fpr":
                fprs.append(fields[9])
            elif fields[0] == "uid" and uid is None:
                uid = re.sub(rb"\\x([0-9a-f]{2})", lambda m: bytes([int(m[1], 16)]), fields[9].encode()).decode()
        return fprs[0], fprs[1:], uid, created, expires


def _packets(data):
    """[(tag, body)] of a binary OpenPGP stream (no partial lengths: exports have none)."""
    packets, at = [], 0
    while at < len(data):
        ctb = data[at]
        if ctb & 0x40:
            tag, first, at = ctb & 0x3F, data[at + 1], at + 2
            if first < 192:
                length = first
            elif first < 224:
                length, at = ((first - 192) << 8) + data[at] + 192, at + 1
            else:
                length, at = int.from_bytes(data[at + 1:at + 5], "big"), at + 5
        else:
            size = 1 << (ctb & 3)
            tag, length, at = (ctb >> 2) & 0x0F, int.from_bytes(data[at + 1:at + 1 + size], "big"), at + 1 + size
        packets.append((tag, data[at:at + length]))
        at += length
    return packets


def _packet(tag, body):
    length = len(body)
    header = (bytes([length]) if length < 192 else
              bytes([((length - 192) >> 8) + 192, (length - 192) & 0xFF]) if length < 8384 else
              b"\xff" + length.to_bytes(4, "big"))
    return bytes([0xC0 | tag]) + header + body


def _subpackets(area):
    """[(type, raw bytes including the length)] of a signature subpacket area."""
    result, at = [], 0
    while at < len(area):
        first = area[at]
        if first < 192:
            size, length = 1, first
        elif first < 255:
            size, length = 2, ((first - 192) << 8) + area[at + 1] + 192
        else:
            size, length = 5, int.from_bytes(area[at + 1:at + 5], "big")
        result.append((area[at + size] & 0x7F, area[at:at + size + length]))
        at += size + length
    return result


def without_back_signature(key):
    """The binary key with the primary-key binding signature (0x19) taken out of
    every subkey binding signature. gpg puts it, as an "embedded signature"
    subpacket, in the unhashed area, so the binding signature itself stays valid."""
    out, after_subkey = b"", False
    for tag, body in _packets(key):
        if tag == 2 and after_subkey and body[0] == 4 and body[1] == 0x18:
            hashed_end = 6 + int.from_bytes(body[4:6], "big")
            unhashed_length = int.from_bytes(body[hashed_end:hashed_end + 2], "big")
            unhashed = body[hashed_end + 2:hashed_end + 2 + unhashed_length]
            assert all(kind != 32 for kind, _ in _subpackets(body[6:hashed_end])), "back-signature is hashed"
            kept = b"".join(raw for kind, raw in _subpackets(unhashed) if kind != 32)
            assert len(kept) < len(unhashed), "no back-signature found"
            body = body[:hashed_end] + len(kept).to_bytes(2, "big") + kept + body[hashed_end + 2 + unhashed_length:]
        after_subkey = tag == 14 or (after_subkey and tag == 2)
        out += _packet(tag, body)
    return out


def with_changed_uid(key):
    """The binary key with one byte of its first user ID changed."""
    out, done = b"", False
    for tag, body in _packets(key):
        if tag == 13 and not done:
            body, done = body[:1] + bytes([body[1] ^ 0x20]) + body[2:], True
        out += _packet(tag, body)
    return out


def with_changed_issuer_fingerprint(signatures):
    """The binary signatures with one byte of the first one's issuer fingerprint
    (subpacket 33) changed. gpg puts that subpacket in the hashed area and the
    issuer key ID (16) in the unhashed one, so the key ID still names the key
    while the signed bytes no longer match."""
    out, done = b"", False
    for tag, body in _packets(signatures):
        if tag == 2 and not done:
            hashed_end = 6 + int.from_bytes(body[4:6], "big")
            hashed = _subpackets(body[6:hashed_end])
            unhashed_start = hashed_end + 2
            unhashed_length = int.from_bytes(body[hashed_end:unhashed_start], "big")
            unhashed = _subpackets(body[unhashed_start:unhashed_start + unhashed_length])
            assert [kind for kind, _ in hashed].count(33) == 1, "no hashed issuer fingerprint"
            assert any(kind == 16 for kind, _ in unhashed), "no unhashed issuer key ID"
            # Byte 3 is the fingerprint's first: outside the part the key ID repeats.
            changed = b"".join(flip_byte(raw, 3) if kind == 33 else raw for kind, raw in hashed)
            body, done = body[:6] + changed + body[hashed_end:], True
        out += _packet(tag, body)
    return out


def flip_byte(data, index):
    index %= len(data)
    return data[:index] + bytes([data[index] ^ 0x01]) + data[index + 1:]


def _binary(path):
    """The OpenPGP data of a file, dearmoured when it is an .asc file."""
    data = path.read_bytes()
    if path.suffix != ".asc":
        return data
    return subprocess.run(["gpg", "--dearmor"], input=data, check=True, stdout=subprocess.PIPE).stdout


def _gpgv(folder, home, item_name, data, signature, key_files, keys):
    keyrings = []
    for path in key_files:
        keyring = home / f"keyring-{len(keyrings)}.gpg"  # gpgv reads binary keyrings only
        keyring.write_bytes(_binary(folder / path))
        keyrings += ["--keyring", str(keyring)]

    def run(files):
        completed = subprocess.run(["gpgv", "--homedir", str(home), "--status-fd", "1", *keyrings, *files],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=dict(os.environ, LC_ALL="C"))
        signatures = []
        for line in completed.stdout.decode("utf-8", "replace").splitlines():
            words = line.split()[1:]
            if words[:1] == ["NEWSIG"]:
                signatures.append(None)
            elif words[0] in ("GOODSIG", "BADSIG", "EXPKEYSIG", "REVKEYSIG", "EXPSIG", "ERRSIG") and not signatures[-1]:
                keyid = words[1]
                key = next((k for k in keys if k.owns(keyid)), None)
                signing = next((f for f in [key.fpr, *key.subkeys] if f.endswith(keyid)), None) if key else None
                digest = int(words[3]) if words[0] == "ERRSIG" else None
                signatures[-1] = Signature(words[0], keyid, key, signing, digest)
            elif words[0] == "VALIDSIG":
                last = signatures[-1]
                # The fingerprints gpgv reports must be the ones the key listing gave.
                assert (last.signing_fpr, last.key.fpr) == (words[1], words[10]), (item_name, line)
                last.digest, last.date = int(words[8]), words[2]
        assert signatures and all(signatures), (item_name, completed.stdout)
        return completed.returncode, signatures

    document = [str(folder / data)]
    code, signatures = run([str(folder / signature), *document] if signature else document)
    # In batch mode gpgv stops at the first signature that fails (gpg without
    # --batch goes on); the ones after it get a run of their own.
    packets = ([_packet(tag, body) for tag, body in _packets(_binary(folder / signature)) if tag == 2]
               if signature else [])
    while len(signatures) < len(packets):
        rest = home / "rest.sig"
        rest.write_bytes(b"".join(packets[len(signatures):]))
        more_code, more = run([str(rest), *document])
        code, signatures = max(code, more_code), signatures + more
    return Item(item_name, data, signature, list(key_files), code, signatures)


def build(folder):
    """Makes the corpus in folder (created; should be empty) and returns it."""
    folder = Path(folder)
    for sub in ["keys", "docs", "sums"]:
        (folder / sub).mkdir(parents=True, exist_ok=True)
    home = Path(tempfile.mkdtemp(prefix="vm-gnupg-"))  # short: gpg-agent puts its socket here
    gpg = _Gpg(home)
    try:
        return _build(folder, home, gpg)
    finally:
        subprocess.run(["gpgconf", "--kill", "all"], env=gpg.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(home, ignore_errors=True)


def _build(folder, home, gpg):
    def write(name, data):
        (folder / name).write_bytes(data)
        return name

    keys = {}
    for name, kind, algorithm, uid in KEYS:
        time = PAST if name in ("expired", "old") else None
        gpg("--quick-gen-key", uid, kind, "sign", "1d" if name == "expired" else "never", time=time)
        fpr = gpg.listing("=" + uid)[0]
        if name in ("subkey", "revsub"):
            gpg("--quick-add-key", fpr, "rsa2048" if name == "subkey" else "ed25519", "sign")
        primary, subkeys, listed_uid, created, expires = gpg.listing(fpr)
        assert listed_uid == uid, listed_uid
        keys[name] = Key(name, algorithm, uid, primary, subkeys, created, expires)

    def sign(key, source, target, *options, subkey=False, time=None):
        signer = (keys[key].subkeys[0] if subkey else keys[key].fpr) + "!"
        gpg("--local-user", signer, *options, "--output", str(folder / target), str(folder / source), time=time)
        return target

    doc = write("docs/document.bin", bytes((i * 7 + 3) % 251 for i in range(100_000)))
    write("docs/text.txt", TEXT)
    write("docs/notes.txt", NOTES)
    for name, data in SUMS_FILES.items():
        write(f"sums/{name}", data)
    write("sums/SHA256SUMS", subprocess.run(["sha256sum", *SUMS_FILES], cwd=folder / "sums", check=True,
                                            stdout=subprocess.PIPE).stdout)
    detached, armoured = ["--detach-sign"], ["--armor", "--detach-sign"]

    # name, data, signature, keys to give (.asc armoured export, .gpg binary one)
    plan = [
        ("rsa2048", doc, sign("rsa2048", doc, "docs/rsa2048.sig", *detached), ["rsa2048.asc"]),
        ("rsa3072", doc, sign("rsa3072", doc, "docs/rsa3072.asc", *armoured), ["rsa3072.gpg"]),
        ("rsa4096-sha512", doc, sign("rsa4096", doc, "docs/rsa4096.sig", *detached, "--digest-algo", "SHA512"),
         ["rsa4096.asc"]),
        ("ed25519", doc, sign("ed25519", doc, "docs/ed25519.asc", *armoured), ["ed25519.asc"]),
        ("nistp256-sha384", doc, sign("nistp256", doc, "docs/nistp256.sig", *detached, "--digest-algo", "SHA384"),
         ["nistp256.gpg"]),
        ("subkey", doc, sign("subkey", doc, "docs/subkey.sig", *detached, subkey=True), ["subkey.asc"]),
        ("textmode", "docs/text.txt", sign("rsa2048", "docs/text.txt", "docs/text.sig", "--textmode", *detached),
         ["rsa2048.gpg"]),
        # A text signature covers the text, whatever its line ends.
        ("textmode-lf", write("docs/text-lf.txt", TEXT.replace(b"\r\n", b"\n")), "docs/text.sig", ["rsa2048.gpg"]),
        ("clearsigned-sums", sign("ed25519", "sums/SHA256SUMS", "sums/SHA256SUMS.clear", "--clearsign"), None,
         ["ed25519.gpg"]),
        ("clearsigned-notes", sign("nistp256", "docs/notes.txt", "docs/notes.txt.asc", "--clearsign"), None,
         ["nistp256.asc"]),
        ("data-changed", write("docs/document-changed.bin", flip_byte((folder / doc).read_bytes(), 5000)),
         "docs/rsa2048.sig", ["rsa2048.asc"]),
        ("signature-changed", doc, write("docs/rsa2048-changed.sig", flip_byte(
            (folder / "docs/rsa2048.sig").read_bytes(), -1)), ["rsa2048.asc"]),
        ("key-changed", doc, "docs/rsa2048.sig", ["rsa2048-changed.gpg"]),
        ("expired", doc, sign("expired", doc, "docs/expired.sig", *detached, time=PAST_SIGNING), ["expired.asc"]),
        ("revoked", doc, sign("revoked", doc, "docs/revoked.sig", *detached), ["revoked.asc"]),
        ("subkey-revoked", doc, sign("revsub", doc, "docs/revsub.sig", *detached, subkey=True), ["revsub.asc"]),
        ("subkey-no-back-signature", doc, "docs/subkey.sig", ["subkey-no-back-signature.gpg"]),
        ("one-good-one-bad", doc, "docs/two.sig", ["rsa3072.asc", "ed25519.gpg"]),
        ("issuer-fingerprint-changed", doc, "docs/two-issuer-changed.sig", ["rsa3072.asc", "ed25519.gpg"]),
        ("sha1", doc, sign("rsa2048", doc, "docs/sha1.sig", *detached, "--digest-algo", "SHA1"), ["rsa2048.asc"]),
        ("sha1-clearsigned", sign("rsa2048", "docs/notes.txt", "docs/notes-sha1.txt.asc", "--clearsign",
                                  "--digest-algo", "SHA1"), None, ["rsa2048.asc"]),
        ("rsa1024", doc, sign("rsa1024", doc, "docs/rsa1024.sig", *detached), ["rsa1024.gpg"]),
        ("nistp384", doc, sign("nistp384", doc, "docs/nistp384.sig", *detached), ["nistp384.asc"]),
        ("nistp521-sha512", doc, sign("nistp521", doc, "docs/nistp521.asc", *armoured, "--digest-algo", "SHA512"),
         ["nistp521.gpg"]),
        ("rsa2048-sha224", doc, sign("rsa2048", doc, "docs/sha224.sig", *detached, "--digest-algo", "SHA224"),
         ["rsa2048.asc"]),
        # A notation marked critical that no verifier knows.
        ("critical-notation", doc, sign("ed25519", doc, "docs/critical.sig", *detached, "--sig-notation",
                                        "!purpose@example.org=release"), ["ed25519.asc"]),
        ("signature-expired", doc, sign("old", doc, "docs/sig-expired.sig", *detached, "--default-sig-expire", "1d",
                                        time=PAST_SIGNING), ["old.asc"]),
    ]
    sign("ed25519", "sums/SHA256SUMS", "sums/SHA256SUMS.gpg", *detached)
    sign("ed25519", "sums/SHA256SUMS", "sums/SHA256SUMS.asc", *armoured)

    # Two signatures in one file; the last byte, in the second one, is changed.
    gpg("--local-user", keys["rsa3072"].fpr + "!", "--local-user", keys["ed25519"].fpr + "!", *detached,
        "--output", str(folder / "docs/two-good.sig"), str(folder / doc))
    write("docs/two.sig", flip_byte((folder / "docs/two-good.sig").read_bytes(), -1))
    write("docs/two-issuer-changed.sig", with_changed_issuer_fingerprint((folder / "docs/two-good.sig").read_bytes()))

    # Revoke after signing: the key with its revocation certificate, and the
    # subkey through the key editor.
    certificate = (home / "openpgp-revocs.d" / f"{keys['revoked'].fpr}.rev").read_bytes()
    gpg("--import", stdin=certificate.replace(b":-----BEGIN PGP PUBLIC KEY BLOCK-----",
                                              b"-----BEGIN PGP PUBLIC KEY BLOCK-----"))
    gpg("--command-fd", "0", "--edit-key", keys["revsub"].fpr, stdin=b"key 1\nrevkey\ny\n0\n\ny\nsave\n")
    assert b"pub:r:" in gpg("--with-colons", "--list-keys", keys["revoked"].fpr), "key not revoked"
    assert b"\nsub:r:" in gpg("--with-colons", "--list-keys", keys["revsub"].fpr), "subkey not revoked"

    for key in keys.values():
        key.armoured = write(f"keys/{key.name}.asc", gpg("--armor", "--export", key.fpr))
        key.binary = write(f"keys/{key.name}.gpg", gpg("--export", key.fpr))
    write("keys/rsa2048-changed.gpg", with_changed_uid((folder / keys["rsa2048"].binary).read_bytes()))
    write("keys/subkey-no-back-signature.gpg", without_back_signature((folder / keys["subkey"].binary).read_bytes()))

    items = [_gpgv(folder, home, name, data, signature, [f"keys/{k}" for k in key_files], list(keys.values()))
             for name, data, signature, key_files in plan]
    return Corpus(folder, keys, items)


def table(corpus):
    digests = {2: "SHA1", 8: "SHA256", 9: "SHA384", 10: "SHA512", 11: "SHA224"}
    rows = [f"{'item':26} {'gpgv':5} {'good':5} signatures (status, digest, signing key)"]
    for item in corpus.items:
        sigs = "; ".join(f"{s.status} {digests.get(s.digest, s.digest)} {s.signing_fpr or s.keyid}"
                         for s in item.signatures)
        rows.append(f"{item.name:26} {item.gpgv_code:<5} {str(item.gpgv_good):5} {sigs}")
    return "\n".join(rows)


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(tempfile.mkdtemp(prefix="vm-corpus-"))
    print(table(build(target)))
    print(f"corpus in {target}")
