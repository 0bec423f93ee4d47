#!/usr/bin/env bash
# Makes the minisign and signify test vectors in this folder with the peers
# themselves, then writes README.md with what each peer answers for each one.
# Every run makes new keys, so every vector changes; the secret keys are thrown away.
set -euo pipefail
cd "$(dirname "$0")"
secret=$(mktemp -d)
trap 'rm -rf "$secret"' EXIT

rm -f ./*.pub ./*.minisig ./*.sig ./*.txt
minisign -G -W -p minisign.pub -s "$secret/minisign.key" >/dev/null
minisign -G -W -p other.pub -s "$secret/other.key" >/dev/null
signify-openbsd -G -n -c "signify test" -p signify.pub -s "$secret/signify.sec"
signify-openbsd -G -n -c "other signify test" -p signify-other.pub -s "$secret/signify-other.sec"

printf 'Verimond minisign test data.\nA second line, and no more.\n' >data.txt
sha256sum --tag data.txt >list.txt

minisign -S -l -s "$secret/minisign.key" -m data.txt -x legacy.minisig -t "legacy test signature" >/dev/null
minisign -S -s "$secret/minisign.key" -m data.txt -x prehashed.minisig >/dev/null
signify-openbsd -S -s "$secret/signify.sec" -m data.txt -x data.txt.sig
signify-openbsd -S -e -s "$secret/signify.sec" -m list.txt -x list.txt.sig
rm list.txt

sed 's/$/\r/' prehashed.minisig >prehashed-crlf.minisig
sed 's/$/\r/' minisign.pub >minisign-crlf.pub
base64 -w0 prehashed.minisig >prehashed-tauri.sig
base64 -w0 minisign.pub >minisign-tauri.pub

# One changed byte in each layer; S + L; a key of small order.
python3 - <<'PY'
import base64

P = 2**255 - 19
D = -121665 * pow(121666, P - 2, P) % P
L = 2**252 + 27742317777372353535851937790883648493

def lines(name):
    return open(name, "rb").read().split(b"\n")

def write(name, parts):
    open(name, "wb").write(b"\n".join(parts))

def edit_line(source, target, index, change):
    parts = lines(source)
    raw = bytearray(base64.b64decode(parts[index]))
    change(raw)
    parts[index] = base64.b64encode(bytes(raw))
    write(target, parts)

def flip(offset):
    def change(raw):
        raw[offset] ^= 0x01
    return change

def add_order(offset):
    def change(raw):
        s = int.from_bytes(raw[offset:offset + 32], "little") + L
        raw[offset:offset + 32] = s.to_bytes(32, "little")
    return change

def on_curve(key):
    y = int.from_bytes(key, "little") & (2**255 - 1)
    if y >= P or y in (0, 1, P - 1):
        return False
    u, v = (y * y - 1) % P, (D * y * y + 1) % P
    square = u * pow(v, P - 2, P) % P
    return pow(square, (P - 1) // 2, P) == 1

def changed_key(source, target):
    parts = lines(source)
    raw = bytearray(base64.b64decode(parts[1]))
    for index in range(10, 42):
        candidate = bytearray(raw)
        candidate[index] ^= 0x01
        if on_curve(candidate[10:42]):
            parts[1] = base64.b64encode(bytes(candidate))
            write(target, parts)
            return
    raise SystemExit("no one-bit change of the key stays on the curve")

data = bytearray(open("data.txt", "rb").read())
data[data.index(b"test")] ^= 0x20
open("data-changed.txt", "wb").write(bytes(data))

for name in ("legacy", "prehashed"):
    edit_line(name + ".minisig", name + "-changed-signature.minisig", 1, flip(10 + 32))
    parts = lines(name + ".minisig")
    parts[2] = bytearray(parts[2])
    parts[2][len(b"trusted comment: ")] ^= 0x20
    write(name + "-changed-comment.minisig", [bytes(p) for p in parts])
parts = lines("prehashed.minisig")
parts[0] = bytearray(parts[0])
parts[0][len(b"untrusted comment: ")] ^= 0x20
write("prehashed-changed-untrusted.minisig", [bytes(p) for p in parts])
edit_line("prehashed.minisig", "prehashed-global-s-plus-l.minisig", 3, add_order(32))
edit_line("data.txt.sig", "signify-changed-signature.sig", 1, flip(10 + 32))
edit_line("data.txt.sig", "signify-s-plus-l.sig", 1, add_order(10 + 32))

embedded = bytearray(open("list.txt.sig", "rb").read())
embedded[embedded.index(b"SHA256 (") + 1] ^= 0x20
open("list-changed-message.txt.sig", "wb").write(bytes(embedded))

changed_key("minisign.pub", "minisign-changed.pub")
changed_key("signify.pub", "signify-changed.pub")
edit_line("minisign.pub", "minisign-small-order.pub", 1, lambda raw: raw.__setitem__(slice(10, 42), b"\x01" + bytes(31)))
PY

# What a peer prints, on one line, and its exit status.
answer() {
    local output status=0
    output=$("$@" 2>&1) || status=$?
    printf '%s (exit %s)' "$(printf '%s' "$output" | tr '\n\t' '  ' | sed 's/ *$//')" "$status"
}
minisign_answer() { answer minisign -V -p "$2" -m "$3" -x "$1"; }
signify_answer() { answer signify-openbsd -V -p "$2" -m "$3" -x "$1"; }
embedded_answer() { answer signify-openbsd -V -e -p "$2" -m "$secret/message.txt" -x "$1"; }
tauri_answer() {
    base64 -d "$1" >"$secret/unwrapped.minisig"
    base64 -d "$2" >"$secret/unwrapped.pub"
    printf 'after base64 -d of both: '
    minisign_answer "$secret/unwrapped.minisig" "$secret/unwrapped.pub" "$3"
}

row() {  # signature key data how peer expected
    local peer
    peer=$("$5" "$1" "$2" "$3")
    printf '| `%s` | `%s` | `%s` | %s | %s | %s |\n' "$1" "$2" "$3" "$4" "$peer" "$6"
}

{
    cat <<'MD'
# minisign and signify vectors

Made by `make_vectors.sh` in this folder with the peers themselves (minisign
0.11 and signify-openbsd 31 of Debian 12); the secret keys were thrown away.
Each row names the signature, the key and the signed data, how the vector
differs from what the peer made, what the peer answers, and the verdict the
unit tests expect. The verdict is the peer's, except where marked stricter.
The answers' line breaks and tabs are shown as spaces.

Keys: `minisign.pub` and `other.pub` (`minisign -G -W`), `signify.pub` and
`signify-other.pub` (`signify-openbsd -G -n`). Data: `data.txt`; `list.txt.sig`
embeds `sha256sum --tag data.txt` (`signify-openbsd -S -e`).

A changed byte in a base64 line is one bit of the decoded bytes, encoded again:
in a signature the first byte of S; in a key the first byte whose change keeps
the key a point on the curve, so that only the signature check can refuse it.
S + L adds the group order to S (little-endian), which leaves the signature
valid for a verifier that only checks S's top three bits.

| Signature | Key | Data | Made by | Peer's answer | Expected |
|---|---|---|---|---|---|
MD
    row legacy.minisig minisign.pub data.txt '`minisign -S -l -t "legacy test signature"`' minisign_answer Good
    row prehashed.minisig minisign.pub data.txt '`minisign -S`' minisign_answer Good
    row prehashed-crlf.minisig minisign-crlf.pub data.txt 'CR LF copies' minisign_answer Good
    row prehashed-tauri.sig minisign-tauri.pub data.txt '`base64 -w0` of the signature and of the key' tauri_answer Good
    row legacy.minisig minisign.pub data-changed.txt 'one byte of the data changed' minisign_answer Bad
    row prehashed.minisig minisign.pub data-changed.txt 'one byte of the data changed' minisign_answer Bad
    row legacy-changed-signature.minisig minisign.pub data.txt 'one byte of the signature changed' minisign_answer Bad
    row prehashed-changed-signature.minisig minisign.pub data.txt 'one byte of the signature changed' minisign_answer Bad
    row legacy-changed-comment.minisig minisign.pub data.txt 'one byte of the trusted comment changed' minisign_answer Bad
    row prehashed-changed-comment.minisig minisign.pub data.txt 'one byte of the trusted comment changed' minisign_answer Bad
    row prehashed-changed-untrusted.minisig minisign.pub data.txt 'one byte of the untrusted comment changed' minisign_answer Good
    row legacy.minisig minisign-changed.pub data.txt 'one byte of the key changed, key ID kept' minisign_answer Bad
    row prehashed.minisig minisign-changed.pub data.txt 'one byte of the key changed, key ID kept' minisign_answer Bad
    row prehashed.minisig other.pub data.txt 'another key' minisign_answer UnknownKey
    row prehashed-global-s-plus-l.minisig minisign.pub data.txt 'S + L in the trusted comment'"'"'s signature' minisign_answer Bad
    row prehashed.minisig minisign-small-order.pub data.txt 'key replaced by the neutral point, key ID kept' minisign_answer 'Malformed (stricter: the key is refused, not the signature)'
    row data.txt.sig signify.pub data.txt '`signify-openbsd -S`' signify_answer Good
    row data.txt.sig signify.pub data-changed.txt 'one byte of the data changed' signify_answer Bad
    row signify-changed-signature.sig signify.pub data.txt 'one byte of the signature changed' signify_answer Bad
    row data.txt.sig signify-changed.pub data.txt 'one byte of the key changed, key number kept' signify_answer Bad
    row data.txt.sig signify-other.pub data.txt 'another key' signify_answer UnknownKey
    row signify-s-plus-l.sig signify.pub data.txt 'S + L in the signature' signify_answer 'Bad (stricter)'
    row list.txt.sig signify.pub '(embedded)' '`signify-openbsd -S -e`' embedded_answer Good
    row list-changed-message.txt.sig signify.pub '(embedded)' 'one byte of the embedded message changed' embedded_answer Bad
} >README.md
