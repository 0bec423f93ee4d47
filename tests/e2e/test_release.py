"""The release under Wine: the setup installs silently for everyone or for the
current user, the installed programs work and know they are installed, and
the uninstaller takes away what was installed; the zip's programs run from an
unpacked folder as a portable copy. The shipped files carry no debug sections,
and the winget and Scoop manifests written beside them meet their published
schemas and name the files' hashes."""
import hashlib
import json
import os
import re
import subprocess
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

import jsonschema
import yaml

from harness import WINE_RUN, main
from vmview_harness import KEY, VmviewTestCase, WINE_PREFIX, registry_values, send_to_shortcuts, wine, windows_path

ZIP = Path(os.environ["VM_RELEASE_ZIP"])
SETUP = Path(os.environ["VM_RELEASE_SETUP"])
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\{6B1D2A40-93C7-4E15-A8F2-5C0E7D3B9A14}_is1"
VERBS = [r"Software\Classes\*\shell\ZentaroVerimond", r"Software\Classes\Directory\shell\ZentaroVerimond"]
PAGE_CLASS = "{E66E602F-3A0F-4147-A590-EC59B687265F}"
COMMAND_CLASS = "{85DCD2AE-E77E-4EF0-B3E2-263220A37A16}"
CLASSES = [rf"Software\Classes\CLSID\{PAGE_CLASS}", rf"Software\Classes\CLSID\{COMMAND_CLASS}"]
PAGE_HANDLER = r"Software\Classes\*\shellex\PropertySheetHandlers\Verimond"
PROGRAM_FILES = ["vmview.exe", "vmsum.exe", "vmshell.dll", "libgcrypt-20.dll", "libgpg-error-0.dll", "README.txt",
                 "LICENSE.txt", "LICENSE-BLAKE3.txt", "LICENSE-xxHash.txt", "LICENSE-libgcrypt.txt",
                 "LICENSE-libgpg-error.txt", "LGPL-2.1.txt", "libksba-8.dll", "LICENSE-libksba.txt", "LGPL-3.txt",
                 "GPL-3.txt"]
# What the setup installs besides: the Explorer package is of no use in the portable zip.
SETUP_FILES = ["uninstall.exe", "verimond-explorer.msix"]
ID_ABOUT = 40032
SCHEMAS = Path(os.environ["VM_TEST_DATA"]) / "manifests"
WINGET = {"version": "Zentaro.Verimond.yaml", "installer": "Zentaro.Verimond.installer.yaml",
          "defaultLocale": "Zentaro.Verimond.locale.en-US.yaml"}
# The zip of 2.0.0 as it was packed before the shipped files were stripped of
# their debug sections, measured with ls -l on 2026-12-08.
ZIP_SIZE_WITH_DEBUG_SECTIONS = 4_326_099
DLL_SIZE_LIMITS = {"libgcrypt-20.dll": 2_000_000, "libgpg-error-0.dll": 400_000, "libksba-8.dll": 400_000}


def start_menu_shortcuts():
    return list(WINE_PREFIX.glob("drive_c/**/Start Menu/Programs/Verimond.lnk"))


def unix_path(windows):
    """Where a C: path of the prefix lies on this machine."""
    drive, rest = windows.split(":", 1)
    assert drive.upper() == "C", windows
    return WINE_PREFIX / "drive_c" / rest.strip("\\").replace("\\", "/")


class Release(VmviewTestCase):
    def tearDown(self):
        super().tearDown()
        for root in ["HKLM", "HKCU"]:
            for key in [UNINSTALL_KEY, *VERBS, *CLASSES, PAGE_HANDLER]:
                wine("reg", "delete", f"{root}\\{key}", "/f", check=False)
        for shortcut in start_menu_shortcuts() + send_to_shortcuts():
            shortcut.unlink()

    def about_text(self, program):
        self.start(program=program)
        self.driver("post", ID_ABOUT)
        texts = self.driver("message")
        self.close()
        return texts

    def assertVmsumHashes(self, program):
        self.write("download.iso", b"release check\n" * 1000)
        run = subprocess.run([WINE_RUN, str(program), "download.iso"], cwd=self.dir, stdout=subprocess.PIPE, timeout=60)
        self.assertEqual(run.returncode, 0)
        digest = hashlib.sha256((self.dir / "download.iso").read_bytes()).hexdigest()
        self.assertEqual(run.stdout, f"{digest}  download.iso\n".encode())

    def install(self, mode, root):
        """Runs the setup silently; returns the folder it installed to, as Windows and Linux paths."""
        subprocess.run([WINE_RUN, str(SETUP), "/S", mode], check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        values = registry_values(f"{root}\\{UNINSTALL_KEY}")
        self.assertIsNotNone(values, "no uninstall entry")
        self.assertEqual(values["DisplayVersion"], "2.0.0")
        location = values["InstallLocation"].rstrip("\\")
        self.assertEqual(values["UninstallString"], f'"{location}\\uninstall.exe" {mode}')
        folder = unix_path(location)
        self.assertEqual(sorted(path.name for path in folder.iterdir()), sorted(PROGRAM_FILES + SETUP_FILES))
        self.assertEqual(len(start_menu_shortcuts()), 1)
        for verb in VERBS:
            self.assertEqual(registry_values(f"{root}\\{verb}\\command"), {"": f'"{location}\\vmview.exe" "%1"'})
            self.assertEqual(registry_values(f"{root}\\{verb}")["ExplorerCommandHandler"], COMMAND_CLASS)
        for key in CLASSES:
            self.assertEqual(registry_values(f"{root}\\{key}\\InprocServer32"),
                             {"": f"{location}\\vmshell.dll", "ThreadingModel": "Apartment"})
        self.assertEqual(registry_values(f"{root}\\{PAGE_HANDLER}"), {"": PAGE_CLASS})
        self.assertEqual(len(send_to_shortcuts()), 1)
        return location, folder

    def uninstall(self, folder, *switches):
        subprocess.run([WINE_RUN, str(folder / "uninstall.exe"), *switches, "/S"], check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The uninstaller hands over to a copy of itself in the temporary folder.
        for _ in range(300):
            if not folder.exists():
                break
            time.sleep(0.1)
        self.assertFalse(folder.exists(), list(folder.iterdir()) if folder.exists() else None)

    def assertNothingLeft(self, root):
        self.assertIsNone(registry_values(f"{root}\\{UNINSTALL_KEY}"))
        for key in [*VERBS, *CLASSES, PAGE_HANDLER]:
            self.assertIsNone(registry_values(f"{root}\\{key}"), key)
        self.assertEqual(start_menu_shortcuts(), [])
        self.assertEqual(send_to_shortcuts(), [])

    def test_setup_for_everyone_installs_and_uninstalls_keeping_the_settings(self):
        location, folder = self.install("/AllUsers", "HKLM")
        self.assertEqual(folder.parent.name, "Program Files")
        self.assertVmsumHashes(folder / "vmsum.exe")
        self.assertIn("Installed in " + location, self.about_text(folder / "vmview.exe"))
        self.assertIsNotNone(registry_values(KEY))  # the program kept its settings

        self.uninstall(folder, "/AllUsers")
        self.assertNothingLeft("HKLM")
        self.assertIsNotNone(registry_values(KEY), "settings go only when asked")

    def test_setup_for_the_current_user_and_removing_the_settings_too(self):
        location, folder = self.install("/CurrentUser", "HKCU")
        self.assertIsNone(registry_values(f"HKLM\\{UNINSTALL_KEY}"))
        self.assertIn("Installed in " + location, self.about_text(folder / "vmview.exe"))
        self.uninstall(folder, "/CurrentUser", "/RemoveSettings")
        self.assertNothingLeft("HKCU")
        self.assertIsNone(registry_values(KEY))

    def test_the_zip_runs_as_a_portable_copy(self):
        with zipfile.ZipFile(ZIP) as archive:
            self.assertEqual(sorted(archive.namelist()), sorted(PROGRAM_FILES))
            archive.extractall(self.dir / "Verimond")
        folder = self.dir / "Verimond"
        self.assertTrue((folder / "README.txt").read_bytes().startswith(b"Verimond 2.0.0 - checksums for Windows\r\n"))
        self.assertVmsumHashes(folder / "vmsum.exe")
        # The DLLs shipped beside the programs check signatures: Debian's signed InRelease.
        debian = Path(os.environ["VM_TEST_DATA"]) / "openpgp" / "debian"
        keys = [arg for path in sorted(debian.glob("*.gpg")) for arg in ("--key", str(path))]
        run = subprocess.run([WINE_RUN, str(folder / "vmsum.exe"), "--verify-signature",
                              str(debian / "bookworm-security_InRelease"), *keys], stdout=subprocess.PIPE, timeout=60)
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertEqual(run.stdout.count(b": Good signature from "), 2, run.stdout)
        self.assertIn("Portable copy in " + windows_path(folder), self.about_text(folder / "vmview.exe"))


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def schema_errors(document, schema_path):
    schema = json.loads(schema_path.read_text(encoding="utf-8"))
    validator = jsonschema.validators.validator_for(schema)
    validator.check_schema(schema)
    return [error.message for error in validator(schema, format_checker=validator.FORMAT_CHECKER).iter_errors(document)]


def winget_manifest(kind):
    return yaml.safe_load((ZIP.parent / "winget" / WINGET[kind]).read_text(encoding="utf-8"))


def scoop_manifest():
    return json.loads((ZIP.parent / "scoop" / "verimond.json").read_text(encoding="utf-8"))


def winget_schema(kind, manifest):
    """The schema of the version the manifest declares, so a declared version we have no schema for fails."""
    return SCHEMAS / "winget" / f"manifest.{kind}.{manifest['ManifestVersion']}.json"


class ReleaseFiles(unittest.TestCase):
    def test_the_winget_manifests_meet_the_schema_they_declare(self):
        for kind in WINGET:
            with self.subTest(kind):
                manifest = winget_manifest(kind)
                self.assertEqual(manifest["ManifestType"], kind)
                self.assertEqual(schema_errors(manifest, winget_schema(kind, manifest)), [])

    def test_the_scoop_manifest_meets_its_schema(self):
        self.assertEqual(schema_errors(scoop_manifest(), SCHEMAS / "scoop" / "schema.json"), [])

    def test_broken_manifests_fail_their_schemas(self):
        installer = winget_manifest("installer")
        del installer["Installers"][0]["Architecture"]
        locale = winget_manifest("defaultLocale")
        locale["ShortDescription"] = "ok"
        scoop = scoop_manifest()
        scoop["architecture"]["64bit"]["hash"] = sha256(ZIP)[:40]
        for name, document, schema in [
                ("installer", installer, winget_schema("installer", installer)),
                ("defaultLocale", locale, winget_schema("defaultLocale", locale)),
                ("scoop", scoop, SCHEMAS / "scoop" / "schema.json")]:
            with self.subTest(name):
                self.assertNotEqual(schema_errors(document, schema), [])

    def test_the_manifests_name_the_setup_and_the_zip_with_their_hashes(self):
        installer = winget_manifest("installer")
        self.assertEqual(installer["PackageVersion"], "2.0.0")
        self.assertEqual(installer["InstallerType"], "nullsoft")
        self.assertEqual(installer["ProductCode"], UNINSTALL_KEY.rsplit("\\", 1)[1])
        switches = sorted((entry["Scope"], entry["InstallerSwitches"]["Custom"], entry["InstallerSwitches"]["Silent"])
                          for entry in installer["Installers"])
        self.assertEqual(switches, [("machine", "/AllUsers", "/S"), ("user", "/CurrentUser", "/S")])
        for entry in installer["Installers"]:
            self.assertEqual(entry["InstallerSha256"], sha256(SETUP).upper())
            self.assertEqual(entry["InstallerUrl"], f"https://verimond.example/releases/2.0.0/{SETUP.name}")

        scoop = scoop_manifest()
        self.assertEqual(scoop["version"], "2.0.0")
        self.assertEqual(scoop["architecture"]["64bit"], {
            "url": f"https://verimond.example/releases/2.0.0/{ZIP.name}", "hash": sha256(ZIP)})
        self.assertEqual(scoop["bin"], ["vmsum.exe", "vmview.exe"])

    def test_the_zip_ships_no_debug_sections_and_is_a_third_smaller(self):
        with tempfile.TemporaryDirectory() as folder, zipfile.ZipFile(ZIP) as archive:
            # The shell extension came later than the measure.
            measured = ZIP.stat().st_size - archive.getinfo("vmshell.dll").compress_size
            self.assertLessEqual(measured, ZIP_SIZE_WITH_DEBUG_SECTIONS * 2 // 3)
            # Debian's builds are 6.6 MB and 1.1 MB with their debug sections.
            sizes = {name: archive.getinfo(name).file_size for name in DLL_SIZE_LIMITS}
            print("DLLs in the zip:", sizes)
            for name, limit in DLL_SIZE_LIMITS.items():
                self.assertLessEqual(sizes[name], limit, name)
            programs = [name for name in archive.namelist() if name.endswith((".exe", ".dll"))]
            self.assertEqual(len(programs), 6)
            for name in programs:
                with self.subTest(name):
                    sections = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", archive.extract(name, folder)],
                                              check=True, capture_output=True, text=True).stdout
                    self.assertIn(".text", sections)
                    self.assertEqual(re.findall(r"\.debug\w*", sections), [])


if __name__ == "__main__":
    main()
