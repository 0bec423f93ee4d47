"""Keys, signatures and damaged variants made with minisign, signify-openbsd
and ssh-keygen for the signature-format tests, with what each peer's own
verify command answers for each item.

Items are grouped by the key vmsum is given: a group is a folder holding that
key, the signed files NAME.dat and their signatures beside them
(NAME.dat.minisig, NAME.dat.sig), so that one vmsum run checks a whole group;
signify's embedded signatures are inputs of their own (NAME.sig). The secret
keys are thrown away once everything is signed. Run this module on its own to
print the table:  python3 format_corpus.py [FOLDER]
"""
import base64
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

ORDER = 2**252 + 27742317777372353535851937790883648493  # the Ed25519 group order L
DATA = b"Verimond signature format test data.\nA second line, and no more.\n"
CHANGED_DATA = DATA.replace(b"test", b"Test")
LIST_FILES = {"a.txt": b"alpha\n", "b.bin": bytes(range(256)) * 8}
OTHER_NAMESPACE = "release"
SSH_KEYS = {"ed25519": ["-t", "ed25519"], "ecdsa256": ["-t", "ecdsa", "-b", "256"],
            "ecdsa384": ["-t", "ecdsa", "-b", "384"], "ecdsa521": ["-t", "ecdsa", "-b", "521"],
            "rsa2048": ["-t", "rsa", "-b", "2048"], "rsa3072": ["-t", "rsa", "-b", "3072"],
            "rsa1024": ["-t", "rsa", "-b", "1024"], "other": ["-t", "ed25519"]}
SSH_BEGIN, SSH_END = b"-----BEGIN SSH SIGNATURE-----", b"-----END SSH SIGNATURE-----"
COMMITTED = Path(os.environ.get("VM_TEST_DATA", Path(__file__).parents[1] / "data")) / "ssh"


@dataclass
class Item:
    name: str
    input: str                  # the file vmsum is asked about, in the group's folder
    peer: list                  # the peer's verify command, run in the group's folder
    stdin: str | None = None    # the file ssh-keygen reads the document from
    peer_code: int = -1
    peer_output: str = ""

    @property
    def peer_good(self):
        return self.peer_code == 0


@dataclass
class Group:
    name: str
    key: str                    # vmsum's --key: a file in the folder, or a minisign key's text
    items: list = field(default_factory=list)


@dataclass
class Corpus:
    folder: Path
    groups: list
    key_ids: dict               # minisign and signify key name: key ID as minisign prints it
    fingerprints: dict          # SSH key name: "SHA256:..."

    def key_file(self, name):
        return self.folder / "keys" / name

    def item(self, group, name):
        found = next(g for g in self.groups if g.name == group)
        return next(i for i in found.items if i.name == name)


def run(command, stdin=b"", cwd=None):
    done = subprocess.run(command, input=stdin, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def checked(command, stdin=b""):
    """What the command prints on its standard output; it must succeed."""
    done = subprocess.run(command, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    assert done.returncode == 0, (command, done.stderr)
    return done.stdout.decode()


def flip(data, index, mask=0x01):
    data = bytearray(data)
    data[index] ^= mask
    return bytes(data)


def add_order(data, start):
    """The Ed25519 signature's S at start (32 bytes, little-endian) plus L: the
    same value modulo L, which only a verifier that checks S < L refuses."""
    s = int.from_bytes(data[start:start + 32], "little") + ORDER
    return data[:start] + s.to_bytes(32, "little") + data[start + 32:]


def edit_line(text, index, change):
    """The text with the base64 of one line decoded, changed and encoded again."""
    lines = text.split(b"\n")
    lines[index] = base64.b64encode(change(base64.b64decode(lines[index])))
    return b"\n".join(lines)


def crlf(text):
    return text.replace(b"\n", b"\r\n")


def rearmour(text, change):
    """An SSH signature's armour around its blob, changed."""
    lines = text.split(b"\n")
    blob = change(base64.b64decode(b"".join(lines[1:lines.index(SSH_END)])))
    encoded = base64.b64encode(blob)
    body = [encoded[i:i + 70] for i in range(0, len(encoded), 70)]
    return b"\n".join([SSH_BEGIN, *body, SSH_END, b""])


def key_id(public_key_file):
    """A minisign or signify key's ID as minisign prints it: a little-endian number in hex, without leading zeros."""
    raw = base64.b64decode(public_key_file.read_bytes().split(b"\n")[1])
    return raw[2:10][::-1].hex().upper().lstrip("0") or "0"


def ssh_line(key, change=None):
    """"TYPE BASE64" of a .pub file, its key blob changed when asked."""
    kind, blob = key.read_text().split()[:2]
    if change:
        blob = base64.b64encode(change(base64.b64decode(blob))).decode()
    return f"{kind} {blob}"


def build(folder):
    """Makes the corpus in folder (created; should be empty), asks the peers and returns it."""
    folder = Path(folder)
    secret = folder / "secret"
    for sub in ["keys", "secret", "lists"]:
        (folder / sub).mkdir(parents=True, exist_ok=True)
    try:
        corpus = _build(folder, folder / "keys", secret)
    finally:
        shutil.rmtree(secret, ignore_errors=True)
    for group in corpus.groups:
        for item in group.items:
            stdin = (folder / group.name / item.stdin).read_bytes() if item.stdin else b""
            item.peer_code, item.peer_output = run(item.peer, stdin, cwd=folder / group.name)
    return corpus


def _build(folder, keys, secret):
    checked(["minisign", "-G", "-W", "-p", keys / "minisign.pub", "-s", secret / "minisign.key"])
    checked(["minisign", "-G", "-W", "-p", keys / "minisign-other.pub", "-s", secret / "minisign-other.key"])
    # signify's signatures say "verify with NAME.pub" after the secret key's name.
    checked(["signify-openbsd", "-G", "-n", "-c", "signify test key", "-p", keys / "signify.pub", "-s",
             secret / "signify.sec"])
    checked(["signify-openbsd", "-G", "-n", "-p", keys / "signify-other.pub", "-s", secret / "signify-other.sec"])
    for name, options in SSH_KEYS.items():
        checked(["ssh-keygen", "-q", *options, "-N", "", "-C", f"{name}@verimond.test", "-f", secret / name])
        shutil.copy(secret / f"{name}.pub", keys / f"{name}.pub")

    def minisign(data, *options):
        (secret / "data").write_bytes(data)
        checked(["minisign", "-S", "-s", secret / "minisign.key", "-m", secret / "data", "-x", secret / "out",
                 *options])
        return (secret / "out").read_bytes()

    def signify(data, *options):
        (secret / "data").write_bytes(data)
        checked(["signify-openbsd", "-S", *options, "-s", secret / "signify.sec", "-m", secret / "data", "-x",
                 secret / "out"])
        return (secret / "out").read_bytes()

    def ssh(name, namespace="file", data=DATA):
        return checked(["ssh-keygen", "-Y", "sign", "-f", secret / name, "-n", namespace], data).encode()

    key_ids = {name: key_id(keys / f"{name}.pub") for name in ["minisign", "minisign-other", "signify",
                                                                "signify-other"]}
    fingerprints = {name: checked(["ssh-keygen", "-lf", keys / f"{name}.pub"]).split()[1] for name in SSH_KEYS}
    pub = {name: (keys / f"{name}.pub").read_bytes() for name in ["minisign", "signify", *SSH_KEYS]}
    signers = "".join(f"{name}@verimond.test{',alice@example.com' if name == 'ed25519' else ''} "
                      f"{ssh_line(keys / f'{name}.pub')}\n" for name in SSH_KEYS if name != "other")
    (keys / "allowed_signers").write_text(signers)
    # One key limited to a namespace, one not yet valid, one no longer valid, one valid between the two.
    limited = ("# Limits on each key\n"
               f'ed25519@verimond.test namespaces="file" {ssh_line(keys / "ed25519.pub")}\n'
               f'ecdsa256@verimond.test valid-after="20990101Z" {ssh_line(keys / "ecdsa256.pub")}\n'
               f'ecdsa384@verimond.test valid-before="20200101" {ssh_line(keys / "ecdsa384.pub")}\n'
               f'*@verimond.test,!mallory@verimond.test namespaces="fi*",valid-after="202001011200",'
               f'valid-before="20991231Z" {ssh_line(keys / "ecdsa521.pub")}\n')
    (keys / "allowed_signers_file_only").write_text(
        f'ecdsa256@verimond.test namespaces="file" {ssh_line(keys / "ecdsa256.pub")}\n')

    legacy = minisign(DATA, "-l", "-t", "legacy test signature")
    prehashed = minisign(DATA)
    detached = signify(DATA)
    embedded = signify(f"SHA256 (a.txt) = {hashlib.sha256(LIST_FILES['a.txt']).hexdigest()}\n".encode(), "-e")
    ssh_signatures = {name: ssh(name) for name in SSH_KEYS if name != "other"}
    released = ssh("ed25519", OTHER_NAMESPACE)
    ecdsa_released = ssh("ecdsa256", OTHER_NAMESPACE)
    ed25519 = ssh_signatures["ed25519"]

    groups = []

    def group(name, key, key_bytes=None):
        """A group and a function that adds items to it: (name, data, signature, peer command)."""
        made = Group(name, key)
        groups.append(made)
        (folder / name).mkdir()
        if key_bytes is not None:
            (folder / name / key).write_bytes(key_bytes)

        def add(item, data, signature, ending, peer, stdin=False):
            document = f"{item}.dat"
            (folder / name / document).write_bytes(data)
            (folder / name / f"{document}{ending}").write_bytes(signature)
            command = [part.format(data=document, sig=f"{document}{ending}", key=key) for part in peer]
            made.items.append(Item(item, document, command, document if stdin else None))
        return made, add

    minisign_peer = ["minisign", "-V", "-p", "{key}", "-m", "{data}", "-x", "{sig}"]
    signify_peer = ["signify-openbsd", "-V", "-p", "{key}", "-m", "{data}", "-x", "{sig}"]
    comment_line = len(b"trusted comment: ")

    _, add = group("minisign", "minisign.pub", pub["minisign"])
    for kind, signature in [("legacy", legacy), ("prehashed", prehashed)]:
        lines = signature.split(b"\n")
        add(kind, DATA, signature, ".minisig", minisign_peer)
        add(f"{kind}-data-changed", CHANGED_DATA, signature, ".minisig", minisign_peer)
        add(f"{kind}-signature-changed", DATA, edit_line(signature, 1, lambda raw: flip(raw, 10 + 32)), ".minisig",
            minisign_peer)
        add(f"{kind}-comment-changed", DATA, b"\n".join([*lines[:2], flip(lines[2], comment_line, 0x20), *lines[3:]]),
            ".minisig", minisign_peer)
    add("prehashed-untrusted-changed", DATA, flip(prehashed, len(b"untrusted comment: "), 0x20), ".minisig",
        minisign_peer)

    key_text = pub["minisign"].split(b"\n")[1].decode()
    _, add = group("minisign-text", key_text)
    for kind, signature in [("legacy", legacy), ("prehashed", prehashed)]:
        add(kind, DATA, signature, ".minisig", ["minisign", "-V", "-P", "{key}", "-m", "{data}", "-x", "{sig}"])

    _, add = group("minisign-crlf", "minisign-crlf.pub", crlf(pub["minisign"]))
    add("prehashed-crlf", DATA, crlf(prehashed), ".minisig", minisign_peer)
    add("legacy", DATA, legacy, ".minisig", minisign_peer)

    # The key's sign bit flipped: -A, still a point, with the key ID kept.
    _, add = group("minisign-key-changed", "minisign-changed.pub",
                   edit_line(pub["minisign"], 1, lambda raw: flip(raw, 41, 0x80)))
    add("legacy", DATA, legacy, ".minisig", minisign_peer)
    add("prehashed", DATA, prehashed, ".minisig", minisign_peer)

    _, add = group("minisign-other", "minisign-other.pub", (keys / "minisign-other.pub").read_bytes())
    add("prehashed", DATA, prehashed, ".minisig", minisign_peer)

    signify_group, add = group("signify", "signify.pub", pub["signify"])
    add("detached", DATA, detached, ".sig", signify_peer)
    add("data-changed", CHANGED_DATA, detached, ".sig", signify_peer)
    add("signature-changed", DATA, edit_line(detached, 1, lambda raw: flip(raw, 10 + 32)), ".sig", signify_peer)
    add("s-plus-l", DATA, edit_line(detached, 1, lambda raw: add_order(raw, 10 + 32)), ".sig", signify_peer)
    add("crlf", DATA, crlf(detached), ".sig", signify_peer)
    message_out = str(folder / "signify-message.out")
    for name, text in [("embedded", embedded), ("embedded-changed", flip(embedded, embedded.index(b"SHA256") + 1))]:
        (folder / "signify" / f"{name}.sig").write_bytes(text)
        signify_group.items.append(Item(name, f"{name}.sig", ["signify-openbsd", "-V", "-e", "-p", "signify.pub",
                                                               "-x", f"{name}.sig", "-m", message_out]))

    for name, key, key_bytes in [("signify-crlf", "signify-crlf.pub", crlf(pub["signify"])),
                                 ("signify-key-changed", "signify-changed.pub",
                                  edit_line(pub["signify"], 1, lambda raw: flip(raw, 41, 0x80))),
                                 ("signify-other", "signify-other.pub", (keys / "signify-other.pub").read_bytes())]:
        _, add = group(name, key, key_bytes)
        add("detached", DATA, detached, ".sig", signify_peer)

    def ssh_peer(principal, namespace="file", signers="{key}"):
        return ["ssh-keygen", "-Y", "verify", "-f", signers, "-I", principal, "-n", namespace, "-s", "{sig}"]

    def ssh_add(add, item, signature, principal, namespace="file", data=DATA, signers="{key}"):
        add(item, data, signature, ".sig", ssh_peer(principal, namespace, signers), stdin=True)

    _, add = group("ssh", "allowed_signers", (keys / "allowed_signers").read_bytes())
    for name, signature in ssh_signatures.items():
        ssh_add(add, name, signature, f"{name}@verimond.test")
        ssh_add(add, f"{name}-data-changed", signature, f"{name}@verimond.test", data=CHANGED_DATA)
    ssh_add(add, "ed25519-release", released, "alice@example.com", OTHER_NAMESPACE)
    ssh_add(add, "ecdsa256-release", ecdsa_released, "ecdsa256@verimond.test", OTHER_NAMESPACE)
    # The Ed25519 signature's R || S ends the blob.
    ssh_add(add, "ed25519-signature-changed", rearmour(ed25519, lambda blob: flip(blob, -40)),
            "ed25519@verimond.test")
    ssh_add(add, "ed25519-s-plus-l", rearmour(ed25519, lambda blob: add_order(blob, len(blob) - 32)),
            "ed25519@verimond.test")
    ssh_add(add, "ed25519-crlf", crlf(ed25519), "ed25519@verimond.test")

    _, add = group("ssh-limits", "allowed_signers", limited.encode())
    ssh_add(add, "ed25519", ed25519, "ed25519@verimond.test")
    ssh_add(add, "ed25519-release", released, "ed25519@verimond.test", OTHER_NAMESPACE)
    ssh_add(add, "ecdsa256-not-yet-valid", ssh_signatures["ecdsa256"], "ecdsa256@verimond.test")
    ssh_add(add, "ecdsa384-expired", ssh_signatures["ecdsa384"], "ecdsa384@verimond.test")
    ssh_add(add, "ecdsa521-between", ssh_signatures["ecdsa521"], "ecdsa521@verimond.test")

    _, add = group("ssh-crlf", "allowed_signers", crlf((keys / "allowed_signers").read_bytes()))
    ssh_add(add, "ed25519", ed25519, "ed25519@verimond.test")

    _, add = group("ssh-key-changed", "allowed_signers",
                   f"ed25519@verimond.test {ssh_line(keys / 'ed25519.pub', lambda blob: flip(blob, -1, 0x80))}\n"
                   .encode())
    ssh_add(add, "ed25519", ed25519, "ed25519@verimond.test")

    _, add = group("ssh-other", "allowed_signers", f"ed25519@verimond.test {ssh_line(keys / 'other.pub')}\n".encode())
    ssh_add(add, "ed25519", ed25519, "ed25519@verimond.test")

    # A plain key is trusted for any signer and namespace: to ssh-keygen, a
    # line whose principal pattern is "*".
    _, add = group("ssh-plain", "ed25519.pub", pub["ed25519"])
    (folder / "ssh-plain" / "peer_signers").write_text(f"* {ssh_line(keys / 'ed25519.pub')}\n")
    ssh_add(add, "ed25519", ed25519, "anyone", signers="peer_signers")
    ssh_add(add, "ed25519-release", released, "anyone", OTHER_NAMESPACE, signers="peer_signers")
    ssh_add(add, "ecdsa256", ssh_signatures["ecdsa256"], "anyone", signers="peer_signers")

    # Security keys need hardware to sign with: their signatures are committed.
    message = (COMMITTED / "message.txt").read_bytes()
    _, add = group("ssh-security-keys", "allowed_signers", (COMMITTED / "allowed_signers").read_bytes())
    for name in ["sk_ed25519", "sk_ecdsa256", "sk_ed25519_no_presence", "sk_ecdsa256_no_presence"]:
        principal = name.removesuffix("_no_presence") + "@verimond.test"
        ssh_add(add, name, (COMMITTED / f"{name}.sig").read_bytes(), principal, data=message)
    _, add = group("ssh-certificate", "allowed_signers", (COMMITTED / "allowed_signers_ca").read_bytes())
    ssh_add(add, "certified_ed25519", (COMMITTED / "certified_ed25519.sig").read_bytes(), "certified@verimond.test",
            data=message)

    # Checksum lists signed beside them: SHA256SUMS by minisign, sums.txt by SSH (as sums.sig).
    lists = folder / "lists"
    for name, data in LIST_FILES.items():
        (lists / name).write_bytes(data)
    sums = subprocess.run(["sha256sum", *LIST_FILES], cwd=lists, check=True, stdout=subprocess.PIPE).stdout
    (lists / "SHA256SUMS").write_bytes(sums)
    (lists / "SHA256SUMS.minisig").write_bytes(minisign(sums))
    (lists / "sums.txt").write_bytes(sums)
    (lists / "sums.sig").write_bytes(ssh("ed25519", data=sums))
    return Corpus(folder, groups, key_ids, fingerprints)


def table(corpus):
    rows = [f"{'group':20} {'item':30} {'peer':5} answer"]
    for group in corpus.groups:
        for item in group.items:
            answer = " ".join(item.peer_output.split())
            rows.append(f"{group.name:20} {item.name:30} {item.peer_code:<5} {answer[:100]}")
    return "\n".join(rows)


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(tempfile.mkdtemp(prefix="vm-format-corpus-"))
    print(table(build(target)))
    print(f"corpus in {target}")
