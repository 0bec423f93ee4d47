"""Writes the winget and Scoop manifests for the setup and the zip, with the
hashes of the files themselves, and prints their sizes.

    write_manifests.py VERSION HOMEPAGE SETUP ZIP OUTDIR

The files are expected at HOMEPAGE/releases/VERSION/ once published."""
import hashlib
import json
import sys
from pathlib import Path

import yaml

IDENTIFIER = "Zentaro.Verimond"
PUBLISHER = "Zentaro"
PRODUCT = "Verimond"
SUMMARY = "Calculate and verify checksums"
DESCRIPTION = ("Computes and verifies file checksums with fifteen algorithms, from CRC32 and SHA-256 to BLAKE3 "
               "and XXH128, and checks OpenPGP-signed checksum files: vmview.exe is the window, vmsum.exe the "
               "console tool.")
LICENSE = "Freeware"
# The uninstall key the setup writes (release/verimond.nsi).
PRODUCT_CODE = "{6B1D2A40-93C7-4E15-A8F2-5C0E7D3B9A14}_is1"
# The newest winget schema the community repository accepts.
WINGET_SCHEMA = "1.12.0"


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def write_yaml(path, kind, fields):
    header = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{WINGET_SCHEMA}.schema.json\n\n"
    body = yaml.safe_dump({**fields, "ManifestType": kind, "ManifestVersion": WINGET_SCHEMA},
                          sort_keys=False, allow_unicode=True, width=120)
    path.write_text(header + body, encoding="utf-8")


def download_url(homepage, version, path):
    return f"{homepage.rstrip('/')}/releases/{version}/{path.name}"


def winget(version, homepage, setup, folder):
    folder.mkdir(parents=True, exist_ok=True)
    package = {"PackageIdentifier": IDENTIFIER, "PackageVersion": version}
    write_yaml(folder / f"{IDENTIFIER}.yaml", "version", {**package, "DefaultLocale": "en-US"})

    # /CurrentUser or /AllUsers picks the setup's install mode, /S makes it silent.
    url, digest = download_url(homepage, version, setup), sha256(setup).upper()

    def installer(scope, switch):
        return {"Architecture": "x64", "Scope": scope, "InstallerUrl": url, "InstallerSha256": digest,
                "InstallerSwitches": {"Silent": "/S", "SilentWithProgress": "/S", "Custom": switch}}
    write_yaml(folder / f"{IDENTIFIER}.installer.yaml", "installer", {
        **package,
        "InstallerType": "nullsoft",
        "ProductCode": PRODUCT_CODE,
        "AppsAndFeaturesEntries": [{"DisplayName": f"{PRODUCT} {version}", "Publisher": PUBLISHER,
                                    "DisplayVersion": version, "ProductCode": PRODUCT_CODE}],
        "Installers": [installer("user", "/CurrentUser"), installer("machine", "/AllUsers")],
    })
    write_yaml(folder / f"{IDENTIFIER}.locale.en-US.yaml", "defaultLocale", {
        **package,
        "PackageLocale": "en-US",
        "Publisher": PUBLISHER,
        "PublisherUrl": homepage,
        "PackageName": PRODUCT,
        "PackageUrl": homepage,
        "License": LICENSE,
        "Copyright": f"Copyright (c) 2026 {PUBLISHER}",
        "ShortDescription": SUMMARY,
        "Description": DESCRIPTION,
        "Moniker": "verimond",
        "Tags": ["checksum", "hash", "sha256", "md5", "blake3", "verify", "openpgp"],
    })


def scoop(version, homepage, archive, folder):
    # No persist: the settings live in the registry, under HKCU\Software\Zentaro\Verimond.
    manifest = {
        "version": version,
        "description": SUMMARY,
        "homepage": homepage,
        "license": LICENSE,
        "architecture": {"64bit": {"url": download_url(homepage, version, archive), "hash": sha256(archive)}},
        "bin": ["vmsum.exe", "vmview.exe"],
        "shortcuts": [["vmview.exe", PRODUCT]],
    }
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "verimond.json").write_text(json.dumps(manifest, indent=4) + "\n", encoding="utf-8")


def main():
    version, homepage, setup, archive, out = sys.argv[1:]
    setup, archive, out = Path(setup), Path(archive), Path(out)
    winget(version, homepage, setup, out / "winget")
    scoop(version, homepage, archive, out / "scoop")
    for path in (archive, setup):
        print(f"{path.name}: {path.stat().st_size:,} bytes")


if __name__ == "__main__":
    main()
