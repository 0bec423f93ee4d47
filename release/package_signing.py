"""The certificate the Explorer package is signed with, its subject as Windows
writes it, and the signing itself with osslsigncode."""
import os
import subprocess
import sys
from pathlib import Path

# A throw-away key only signs packages made on this machine, so its password needn't be secret.
THROW_AWAY_PASSWORD = "throw-away"
THROW_AWAY_SUBJECT = "/C=DE/O=Zentaro/CN=Verimond test signing"

# Windows' X.500 names of the attributes, by OID; it writes any other as OID.<number>.
WINDOWS_KEYS = {
    "2.5.4.3": "CN", "2.5.4.4": "SN", "2.5.4.5": "SERIALNUMBER", "2.5.4.6": "C", "2.5.4.7": "L", "2.5.4.8": "S",
    "2.5.4.9": "STREET", "2.5.4.10": "O", "2.5.4.11": "OU", "2.5.4.12": "T", "2.5.4.13": "Description",
    "2.5.4.17": "PostalCode", "2.5.4.18": "POBox", "2.5.4.20": "Phone", "2.5.4.24": "X21Address",
    "2.5.4.42": "G", "2.5.4.43": "I", "2.5.4.46": "dnQualifier", "1.2.840.113549.1.9.1": "E",
    "0.9.2342.19200300.100.1.25": "DC",
}
# Windows puts a value in quotes when it has one of these or space at either end.
QUOTED_CHARACTERS = set(',+="\n<>#;')


def run(*command, stdin=None):
    done = subprocess.run(command, input=stdin, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{command[0]} {command[1]} failed: {done.stderr.strip()}")
    return done.stdout


def windows_value(value):
    if value and value == value.strip() and not QUOTED_CHARACTERS & set(value):
        return value
    return '"' + value.replace('"', '""') + '"'


def windows_subject(certificate):
    """The subject as Windows writes it, which the manifest's Publisher must equal.
    openssl gives the attributes in Windows' order (the last one encoded first,
    dn_rev), one a line, by number (oid), with their values unescaped (no esc_2253:
    Windows quotes where openssl would escape); their names and the quoting are
    Windows' own."""
    lines = run("openssl", "x509", "-in", str(certificate), "-noout", "-subject",
                "-nameopt", "utf8,esc_ctrl,sep_multiline,dn_rev,oid").splitlines()[1:]
    attributes = [line.strip().split("=", 1) for line in lines]
    return ", ".join(WINDOWS_KEYS.get(oid, "OID." + oid) + "=" + windows_value(value) for oid, value in attributes)


def throw_away_key(folder):
    """A self-signed code-signing certificate, made once per build folder."""
    pfx = folder / "throw-away.pfx"
    if not pfx.exists():
        key, certificate = folder / "throw-away-key.pem", folder / "throw-away-cert.pem"
        run("openssl", "req", "-x509", "-newkey", "rsa:3072", "-nodes", "-days", "3650", "-subj", THROW_AWAY_SUBJECT,
            "-addext", "extendedKeyUsage=codeSigning", "-addext", "basicConstraints=critical,CA:FALSE",
            "-addext", "keyUsage=critical,digitalSignature", "-keyout", str(key), "-out", str(certificate))
        run("openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(certificate), "-out", str(pfx),
            "-passout", "pass:" + THROW_AWAY_PASSWORD)
        key.unlink()
        certificate.unlink()
    return pfx, THROW_AWAY_PASSWORD


def signing_key(folder):
    """The PKCS#12 file and password to sign with: VM_SIGNING_PFX and
    VM_SIGNING_PASSWORD, or the throw-away key. Its certificate is written to
    signing-cert.pem in the folder, for the manifest and the tests."""
    folder.mkdir(parents=True, exist_ok=True)
    if os.environ.get("VM_SIGNING_PFX"):
        pfx, password = Path(os.environ["VM_SIGNING_PFX"]), os.environ.get("VM_SIGNING_PASSWORD", "")
    else:
        pfx, password = throw_away_key(folder)
        print("note: VM_SIGNING_PFX is not set: the Explorer package is signed with a throw-away certificate,"
              " and Windows will not install it.", file=sys.stderr)
    # -legacy reads the RC2-encrypted files older Windows exports too.
    leaf = run("openssl", "pkcs12", "-legacy", "-in", str(pfx), "-clcerts", "-nokeys", "-passin", "stdin",
               stdin=password + "\n")
    certificate = folder / "signing-cert.pem"
    certificate.write_text(run("openssl", "x509", stdin=leaf))
    return pfx, password, certificate


def sign(unsigned, signed, pfx, password):
    """osslsigncode takes the hash from the block map and won't overwrite a file;
    a time stamp only when a server is named, since it needs the network."""
    timestamp = os.environ.get("VM_SIGNING_TIMESTAMP_URL")
    signed.unlink(missing_ok=True)
    run("osslsigncode", "sign", "-pkcs12", str(pfx), "-readpass", "-", *(["-ts", timestamp] if timestamp else []),
        "-in", str(unsigned), "-out", str(signed), stdin=password)
