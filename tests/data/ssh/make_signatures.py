#!/usr/bin/env python3
"""Makes the SSHSIG signatures ssh-keygen can't: security-key signatures from
software keys, RSA signatures with SHA-1 and SHA-256, and an Ed25519 signature
whose S has the group order added. Run in this folder; writes the outputs beside
itself. Needs Python's cryptography module."""
import base64
import hashlib
import struct

from cryptography.hazmat.primitives import hashes
from cryptography.hazmat.primitives.serialization import Encoding, PublicFormat
from cryptography.hazmat.primitives.asymmetric import ec, ed25519, padding, rsa
from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature

ED25519_ORDER = 2**252 + 27742317777372353535851937790883648493
APPLICATION = b"ssh:"


def string(data):
    return struct.pack(">I", len(data)) + data


def mpint(value):
    data = value.to_bytes((value.bit_length() + 8) // 8, "big") if value else b""
    return string(data)


def armour(blob):
    text = base64.b64encode(blob).decode()
    lines = [text[i:i + 70] for i in range(0, len(text), 70)]
    return "-----BEGIN SSH SIGNATURE-----\n" + "\n".join(lines) + "\n-----END SSH SIGNATURE-----\n"


def dearmour(path):
    lines = open(path).read().split("\n")
    return base64.b64decode("".join(lines[1:lines.index("-----END SSH SIGNATURE-----")]))


def signed_data(namespace, message):
    return (b"SSHSIG" + string(namespace) + string(b"") + string(b"sha512") +
            string(hashlib.sha512(message).digest()))


def sshsig(key_blob, namespace, signature):
    return (b"SSHSIG" + struct.pack(">I", 1) + string(key_blob) + string(namespace) + string(b"") +
            string(b"sha512") + string(signature))


def write(name, text):
    with open(name, "w", newline="\n") as file:
        file.write(text)


def security_keys(message):
    flags, counter = 0x01, 42
    for name, private in (("sk_ed25519", ed25519.Ed25519PrivateKey.generate()),
                          ("sk_ecdsa256", ec.generate_private_key(ec.SECP256R1()))):
        public = private.public_key()
        if name == "sk_ed25519":
            key_type = b"sk-ssh-ed25519@openssh.com"
            raw = public.public_bytes_raw()
            key_blob = string(key_type) + string(raw) + string(APPLICATION)
        else:
            key_type = b"sk-ecdsa-sha2-nistp256@openssh.com"
            raw = public.public_bytes(Encoding.X962, PublicFormat.UncompressedPoint)
            key_blob = string(key_type) + string(b"nistp256") + string(raw) + string(APPLICATION)
        write(name + ".pub", key_type.decode() + " " + base64.b64encode(key_blob).decode() + " " + name + "\n")
        for suffix, sign_flags in (("", flags), ("_no_presence", 0x00)):
            tbs = (hashlib.sha256(APPLICATION).digest() + bytes([sign_flags]) + struct.pack(">I", counter) +
                   hashlib.sha256(signed_data(b"file", message)).digest())
            if name == "sk_ed25519":
                value = string(private.sign(tbs))
            else:
                r, s = decode_dss_signature(private.sign(tbs, ec.ECDSA(hashes.SHA256())))
                value = string(mpint(r) + mpint(s))
            signature = string(key_type) + value + bytes([sign_flags]) + struct.pack(">I", counter)
            write(name + suffix + ".sig", armour(sshsig(key_blob, b"file", signature)))


def rsa_digests(message):
    private = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    numbers = private.public_key().public_numbers()
    key_blob = string(b"ssh-rsa") + mpint(numbers.e) + mpint(numbers.n)
    write("rsa2048.pub", "ssh-rsa " + base64.b64encode(key_blob).decode() + " rsa2048\n")
    for name, digest in ((b"rsa-sha2-256", hashes.SHA256()), (b"ssh-rsa", hashes.SHA1())):
        value = private.sign(signed_data(b"file", message), padding.PKCS1v15(), digest)
        signature = string(name) + string(value)
        write("rsa2048_" + name.decode().replace("-", "_") + ".sig", armour(sshsig(key_blob, b"file", signature)))


def ed25519_s_plus_order():
    blob = dearmour("ed25519.sig")
    # The signature is the blob's last 64 bytes: R, then S little-endian.
    s = int.from_bytes(blob[-32:], "little") + ED25519_ORDER
    write("ed25519_s_plus_order.sig", armour(blob[:-32] + s.to_bytes(32, "little")))


message = open("message.txt", "rb").read()
security_keys(message)
rsa_digests(message)
ed25519_s_plus_order()
