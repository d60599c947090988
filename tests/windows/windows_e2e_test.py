"""The Windows program under Wine, as a Windows user runs it: each test has a
copy of the run's wineboot'd prefix with its own wineserver, an X server, and
the Linux build's catalogue server on loopback serving the NSIS installers of
tests/wine under a signed catalogue. The user's hands are xdotool on Wine's
windows, which live on the test's own X server."""

import os
import re
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from e2e_kit.servers import LoopbackProxy
from e2e_kit.session import Session, wait_until
from e2e_kit.session_case import SessionCase
from e2e_kit.wine_prefix import WinePrefix, WinePrefixTests, processes_named

UPDATER = Path(os.environ["OSTREL_WINDOWS_UPDATER"])
SLEEPER = Path(os.environ["OSTREL_TEST_SLEEPER"])
# Another program, looking at the updater's windows by their ids (window_probe.c).
PROBE = os.environ.get("OSTREL_WINDOW_PROBE")


class WindowsSession(WinePrefix, Session):
    """A session whose updater is ostrel-update.exe, started by Wine with no
    OSTREL_PREFIX: its paths are Windows' own, on the prefix's C: drive. Its
    catalogue is signed with the Linux build's tool."""

    WINE = os.environ["OSTREL_WINE"]

    def __init__(self):
        super().__init__()
        self.make_wine_prefix()
        self.public_key = self.sign_catalogue(self.server.root / "download.xml", self.server.root)
        # The program runs as installed: update.exe in the suite's folder.
        self.program = self.host("c:\\ostrel\\update.exe")
        self.program.parent.mkdir(parents=True)
        shutil.copy(UPDATER, self.program)

    def start_updater(self, *arguments):
        env = dict(self.wine_env(), OSTREL_CATALOGUE_URL=self.server.base_url,
                   OSTREL_PUBLIC_KEY=self.public_key)
        return self.launch([self.WINE, str(self.program), *arguments], env)

    def use_proxy(self, site):
        """The user's Internet settings name a proxy, as Internet Options would set them."""
        settings = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
        for value, kind, data in (("ProxyEnable", "REG_DWORD", "1"),
                                  ("ProxyServer", "REG_SZ", site)):
            subprocess.run([self.WINE, "reg", "add", settings, "/v", value, "/t", kind, "/d", data,
                            "/f"], env=self.wine_env(), check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)

    def probe(self, *arguments):
        """What the window probe finds, one line each."""
        found = subprocess.run([self.WINE, PROBE, *arguments], env=self.wine_env(),
                               capture_output=True, text=True, timeout=60)
        return found.stdout.replace("\r", "").splitlines()


class UnderWindows(WinePrefixTests, SessionCase):
    MAIN_WINDOW_TIMEOUT = 60
    INSTALL_TIMEOUT = 120

    def make_session(self):
        return WindowsSession()

    def test_the_startup_programs_windows_are_closed_by_wm_close_shown_or_hidden(self):
        s = self.session
        s.run_startup_program()
        s.window_titled(r".*Ostrel Startup.*", timeout=30)
        # A second start-up program in the background: its one window is never shown.
        hidden = s.host("c:\\ostrel\\background\\autorun.exe")
        hidden.parent.mkdir()
        shutil.copy(SLEEPER, hidden)
        s.run_wine_program("C:\\ostrel\\background\\autorun.exe", "120", "--hidden-window",
                           "Ostrel Startup")
        wait_until(lambda: len(processes_named("autorun.exe", s.prefix)) == 2, 30,
                   "both autorun.exe under Wine")
        s.start_updater("/SEL:first")
        s.choose_menu(self.main_window(), downs=1)
        wait_until(lambda: not processes_named("autorun.exe", s.prefix), 30, "autorun.exe to end")
        try:
            wait_until(lambda: s.installed("first"), 30, "the first installer")
        except AssertionError:
            # On a loaded machine the program may still be ending when the
            # updater looks again, two seconds after asking: it says so, and
            # the user's second Install goes ahead.
            s.answer_message_box(timeout=10)
            s.choose_menu(self.main_window(), downs=1)
        wait_until(lambda: s.installed("first"), 120, "the first installer")
        self.assertEqual(s.installed("first"), "not silent, alone")
        self.assertIn("Window ostrel startup sent WM_CLOSE\r\n", s.log())
        self.assertEqual(s.log().count(" sent WM_CLOSE\r\n"), 2)

    def test_a_proxys_login_is_given_in_the_systems_own_sign_in_dialog(self):
        s = self.session
        proxy = LoopbackProxy(s.home / "proxy")
        self.addCleanup(proxy.stop)
        s.use_proxy(f"127.0.0.1:{proxy.port}")
        s.start_updater()
        # Windows' own dialog (Wine's twin of it), once for each transfer that
        # meets the proxy's 407: the catalogue's, then its signature's.
        signed_in = 0
        while not [w for w, title in s.windows() if re.fullmatch(r"Ostrel - update", title)]:
            dialogs = [w for w, title in s.windows() if title == "Enter Network Password"]
            if dialogs:
                s.type_text(dialogs[0], LoopbackProxy.USER)
                s.press(dialogs[0], "Tab")
                s.type_text(dialogs[0], LoopbackProxy.PASSWORD)
                s.press(dialogs[0], "Return")
                wait_until(lambda: dialogs[0] not in [w for w, _ in s.windows()], 10,
                           "the dialog to close")
                signed_in += 1
            self.assertLess(signed_in, 3)
            self.assertTrue(s.running())
            time.sleep(0.2)
        self.assertGreaterEqual(signed_in, 1)
        self.assertIn(" verified: serial 1\r\n", s.log())
        requests = s.server.requests()
        self.assertIn("GET /download.xml ", requests)
        self.assertIn("Via: ", requests)
        self.assertNotIn("Proxy-Authorization", requests)

    def test_the_program_carries_its_window_resources_by_their_ids(self):
        found = self.session.probe("resources", "c:\\ostrel\\update.exe")
        # Explorer shows the first icon group.
        self.assertIn("first-icon-group #128", found)
        for resource in ("menu 128", "menu 130", "accelerators 128", "dialog 100", "dialog 101",
                         "dialog 104", "dialog 133"):
            self.assertIn(f"{resource} found", found)
        self.assertIn("string 57344 update", found)
        items = [line.split(" ")[1] for line in found if line.startswith("item ")]
        self.assertEqual(items, ["1001", "1004", "1010", "32776", "32777", "32778", "1006", "57664"])
        accelerators = [line.split(" ")[1] for line in found if line.startswith("accel ")]
        self.assertEqual(accelerators, ["57600", "57601", "57603", "57607", "57643", "57643",
                                        "57635", "57635", "57634", "57634", "57637", "57637",
                                        "57680", "57681"])

    def test_other_programs_reach_the_menu_and_the_dialogs_by_their_ids(self):
        s = self.session
        s.start_updater()
        main = self.main_window()
        # Commands past 32767, from the menu and posted as another program posts them.
        s.choose_menu(main, downs=1, rights=1)  # Help > About update...
        about = s.probe("dialog", "About update")
        self.assertIn('control 1 Button "OK"', about)
        s.probe("press", "About update", "1")
        wait_until(lambda: "About update" not in [t for _, t in s.windows()], 20, "About to close")
        s.probe("post", "57664")  # About, again
        self.assertIn('control 1 Button "OK"', s.probe("dialog", "About update"))
        s.probe("press", "About update", "1")
        wait_until(lambda: "About update" not in [t for _, t in s.windows()], 20, "About to close")
        s.probe("post", "32778")  # Network > Setup
        setup = s.probe("dialog", "Setup")
        for control in ("control 1012 Edit", 'control 1 Button "OK"', 'control 2 Button "Cancel"'):
            self.assertTrue(any(line.startswith(control) for line in setup), (control, setup))
        s.probe("press", "Setup", "2")
        wait_until(lambda: "Setup" not in [t for _, t in s.windows()], 20, "Setup to close")
        self.assertNotIn("installers=", s.settings())

    def test_the_list_is_styled_as_its_template(self):
        s = self.session
        s.start_updater()
        self.main_window()
        styles = s.probe("list")
        self.assertEqual(styles, ["report=1", "singlesel=1", "showselalways=0", "border=1",
                                  "tabstop=1", "clientedge=0", "fullrowselect=0",
                                  "headerdragdrop=0"])


if __name__ == "__main__":
    unittest.main()
