"""vmview in Windows' dark app mode and with its own Colour Mode setting:
screenshots of each window, measured for darkness and for the contrast of
the verdict and list texts."""
import subprocess
import unittest

from vmview_harness import (IDC_BANNER, IDC_EXPECTED, IDC_VERDICT, KEY, SCREENSHOTS, VmviewTestCase, wine)

PERSONALIZE = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize"
IDC_LIST, ID_HASH_TEXT, ID_ABOUT, ID_COLOUR_SYSTEM = 1021, 40015, 40032, 40040
IDC_CHECK_MD5, IDC_PROGRESS = 1011, 1051


def linear(channel):
    value = channel / 255
    return value / 12.92 if value <= 0.04045 else ((value + 0.055) / 1.055) ** 2.4


def luminance(pixel):
    r, g, b = pixel
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b)


def contrast(a, b):
    light, dark = max(luminance(a), luminance(b)), min(luminance(a), luminance(b))
    return (light + 0.05) / (dark + 0.05)


def pixels(screenshot, rect):
    """The pixels of a screen rectangle of a screenshot, as (r, g, b) tuples."""
    left, top, right, bottom = rect
    ppm = subprocess.run(["convert", str(screenshot), "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                          "+repage", "-depth", "8", "ppm:-"], stdout=subprocess.PIPE, check=True).stdout
    data = ppm.split(maxsplit=4)[4]  # after "P6", the width, the height and the maximum
    return [tuple(data[i:i + 3]) for i in range(0, len(data) - 2, 3)]


def text_contrast(area):
    """The contrast of text against its background: the commonest colour is the
    background, the pixel furthest from it in luminance the text."""
    background = max(set(area), key=area.count)
    text = max(area, key=lambda pixel: abs(luminance(pixel) - luminance(background)))
    return contrast(text, background)


class ColourModeTest(VmviewTestCase):
    def tearDown(self):
        super().tearDown()
        wine("reg", "delete", PERSONALIZE, "/v", "AppsUseLightTheme", "/f", check=False)

    def app_mode(self, light):
        wine("reg", "add", PERSONALIZE, "/v", "AppsUseLightTheme", "/t", "REG_DWORD", "/d", str(light), "/f")

    def rect(self, *args):
        return tuple(int(v) for v in self.driver(*args).split())

    def shot(self, name, rect):
        self.screenshot(name)
        return pixels(SCREENSHOTS / name, rect)

    def mean_luminance(self, area):
        return sum(luminance(pixel) for pixel in area) / len(area)

    def control_rect(self, control):
        left, top, _, _ = self.rect("client")
        l, t, r, b = self.rect("rect", control)
        return left + l, top + t, left + r, top + b

    def check_notice_and_menu_bar(self, screenshot, dark):
        """The clipboard offer's words and both its links read at 4.5:1 or more;
        in dark, the menu bar's row is dark to the window's right edge."""
        banner = self.control_rect(IDC_BANNER)
        links = [self.rect("linkrect", IDC_BANNER, index) for index in (0, 1)]
        words = (banner[0], banner[1], links[0][0], banner[3])
        self.assertGreaterEqual(text_contrast(pixels(screenshot, words)), 4.5)
        for link in links:
            self.assertGreaterEqual(text_contrast(pixels(screenshot, link)), 4.5)
        if not dark:
            return
        left, top, right, bottom = self.rect("menubar")
        client_left, _, client_right, _ = self.rect("client")
        self.assertLessEqual(left, client_left)
        self.assertGreaterEqual(right, client_right)
        self.assertLess(self.mean_luminance(pixels(screenshot, (left, top, right, bottom))), 0.25)
        self.assertLess(self.mean_luminance(pixels(screenshot, (right - (right - left) // 4, top, right, bottom))), 0.25)

    def check_dark_windows(self, prefix):
        self.write("setup.exe", b"setup")
        self.write("notes.txt", b"notes")
        with open(self.dir / "big.iso", "wb") as big:
            big.truncate(1536 * 1024 * 1024)
        self.start(self.dir / "setup.exe", self.dir / "notes.txt")
        self.idle_rows()
        sha256 = subprocess.run(["sha256sum", "setup.exe"], cwd=self.dir, stdout=subprocess.PIPE).stdout.split()[0]
        self.driver("settext", IDC_EXPECTED, sha256.decode())
        self.driver("clipboard", "SHA256: " + "ab" * 32)
        self.driver("activate")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "1")
        self.driver("drop", self.dir / "big.iso")  # its progress bar shows while it is read
        client = self.rect("client")
        area = self.shot(f"{prefix}-main.png", client)
        self.assertLess(self.mean_luminance(area), 0.25)
        self.check_notice_and_menu_bar(SCREENSHOTS / f"{prefix}-main.png", dark=True)
        # Check boxes and the progress bar are drawn dark too, with readable marks and labels.
        md5 = pixels(SCREENSHOTS / f"{prefix}-main.png", self.control_rect(IDC_CHECK_MD5))
        self.assertLess(self.mean_luminance(md5), 0.25)
        self.assertGreaterEqual(text_contrast(md5), 4.5)
        self.assertLess(self.mean_luminance(pixels(SCREENSHOTS / f"{prefix}-main.png", self.control_rect(IDC_PROGRESS))), 0.25)
        verdict = pixels(SCREENSHOTS / f"{prefix}-main.png", self.control_rect(IDC_VERDICT))
        self.assertGreaterEqual(text_contrast(verdict), 4.5)
        list_left, list_top, list_right, list_bottom = self.control_rect(IDC_LIST)
        first_rows = (list_left + 4, list_top + 28, list_right - 24, list_top + 60)
        self.assertGreaterEqual(text_contrast(pixels(SCREENSHOTS / f"{prefix}-main.png", first_rows)), 4.5)
        self.driver("wait-idle")
        self.driver("settext", IDC_EXPECTED, "0" * 64)
        self.driver("wait-idle")  # BLAKE3 and SHA3-256 are computed on demand first
        self.assertTrue(self.driver("text", IDC_VERDICT).startswith("No match."))
        verdict = self.shot(f"{prefix}-mismatch.png", self.control_rect(IDC_VERDICT))
        self.assertGreaterEqual(text_contrast(verdict), 4.5)

        self.driver("post", ID_HASH_TEXT)
        self.assertLess(self.mean_luminance(self.shot(f"{prefix}-hash-text.png", self.rect("client", "Hash Text"))), 0.25)
        self.driver("dialog", "Hash Text", "click", 2)
        self.driver("menu", "o")
        self.assertLess(self.mean_luminance(self.shot(f"{prefix}-menu.png", self.rect("popup"))), 0.25)
        self.driver("escape")
        self.driver("escape")
        # About is a task dialog: Windows draws it, in its own colours.
        self.driver("post", ID_ABOUT)
        self.assertIn("Verimond 2.0.0", self.driver("message", "keep"))
        self.screenshot(f"{prefix}-about.png")
        self.driver("message")
        self.close()

    def test_dark_when_windows_apps_are_dark(self):
        self.app_mode(0)
        self.check_dark_windows("vmview-dark-system")

    def test_dark_by_the_setting_when_windows_apps_are_light(self):
        self.app_mode(1)
        wine("reg", "add", KEY, "/v", "ColourMode", "/t", "REG_DWORD", "/d", "2", "/f")
        self.check_dark_windows("vmview-dark-setting")

    def test_the_notice_and_hash_text_read_in_light_mode(self):
        self.app_mode(1)
        self.write("setup.exe", b"setup")
        self.start(self.dir / "setup.exe")
        self.idle_rows()
        self.driver("clipboard", "SHA256: " + "ab" * 32)
        self.driver("activate")
        self.assertEqual(self.driver("visible", IDC_BANNER).strip(), "1")
        self.screenshot("vmview-light-notice.png")
        self.check_notice_and_menu_bar(SCREENSHOTS / "vmview-light-notice.png", dark=False)
        self.driver("post", ID_HASH_TEXT)
        self.assertGreater(self.mean_luminance(self.shot("vmview-light-hash-text.png", self.rect("client", "Hash Text"))), 0.5)
        self.driver("dialog", "Hash Text", "click", 2)
        self.close()

    def test_the_window_follows_a_change_of_app_mode_at_once(self):
        self.app_mode(1)
        self.start()
        light = self.mean_luminance(self.shot("vmview-light.png", self.rect("client")))
        self.assertGreater(light, 0.5)
        self.app_mode(0)
        self.driver("settingchange", "ImmersiveColorSet")
        self.assertLess(self.mean_luminance(self.shot("vmview-dark-at-once.png", self.rect("client"))), 0.25)
        # The setting wins over the app mode, and is kept.
        self.driver("command", ID_COLOUR_SYSTEM + 1)  # Light
        self.assertGreater(self.mean_luminance(self.shot("vmview-light-by-setting.png", self.rect("client"))), 0.5)
        self.close()
        self.assertEqual(wine("reg", "query", KEY, "/v", "ColourMode").stdout.split()[-1], b"0x1")


if __name__ == "__main__":
    unittest.main()
