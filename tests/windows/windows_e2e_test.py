"""The Windows program under Wine, as a Windows user runs it: each test has a
copy of the run's wineboot'd prefix with its own wineserver, an X server, and
the Linux build's catalogue server on loopback serving the NSIS installers of
tests/wine under a signed catalogue. The user's hands are xdotool on Wine's
windows, which live on the test's own X server."""

import os
import re
import shutil
import socket
import subprocess
import sys
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "wine"))
sys.path.insert(0, str(HERE.parent / "e2e"))
import user_session  # noqa: E402
from user_session import CatalogueServer, UserSession, wait_until  # noqa: E402
from wine_e2e_test import ITEM, copy_prefix, processes_named  # noqa: E402

WORK = Path(os.environ["OSTREL_WINE_WORK"])
UPDATER = Path(os.environ["OSTREL_WINDOWS_UPDATER"])
WINE = os.environ["OSTREL_WINE"]
SLEEPER = Path(os.environ["OSTREL_TEST_SLEEPER"])
# Another program, looking at the updater's windows by their ids (window_probe.c).
PROBE = os.environ.get("OSTREL_WINDOW_PROBE")
# The publisher's tools are the Linux build's.
HOST_BUILD = Path(os.environ["OSTREL_HOST_BUILD"])
user_session.SERVER = HOST_BUILD / "tools" / "catalogue-server" / "catalogue-server"
user_session.SIGN_TOOL = HOST_BUILD / "tools" / "sign" / "ostrel-sign"


class WindowsSession(UserSession):
    """A UserSession whose prefix is a real Wine prefix and whose updater is
    ostrel-update.exe, started by Wine with no OSTREL_PREFIX: its paths are
    Windows' own, on the prefix's C: drive."""

    def __init__(self):
        super().__init__()
        shutil.rmtree(self.prefix)
        copy_prefix(WORK / "pristine", self.prefix)
        self.user_home = self.home / "user"
        self.user_home.mkdir()
        self.programs = []
        root = self.home / "www"
        root.mkdir()
        for installer in (WORK / "installers").iterdir():
            shutil.copy(installer, root)
        self.server = CatalogueServer(root)
        self.servers.append(self.server)
        items = "".join(ITEM.format(name, self.server.base_url) for name in ("first", "second"))
        (root / "download.xml").write_text(
            f'<?xml version="1.0"?>\r\n<Catalogue>\r\n<Downloads>\r\n{items}'
            "</Downloads>\r\n</Catalogue>\r\n")
        self.public_key = self.sign_catalogue(root)
        # The program runs as installed: update.exe in the suite's folder.
        self.program = self.host("c:\\ostrel\\update.exe")
        self.program.parent.mkdir(parents=True)
        shutil.copy(UPDATER, self.program)

    def sign_catalogue(self, root):
        """Signs the catalogue and its installers' digests as the publisher
        would, with the Linux build's tool; returns the public key."""
        key = self.home / "publisher.pem"
        public_key = subprocess.run([str(user_session.SIGN_TOOL), "keygen", str(key)], check=True,
                                    capture_output=True, text=True).stdout.strip()
        subprocess.run([str(user_session.SIGN_TOOL), "sign", str(key), str(root / "download.xml"),
                        "--files", str(root)], check=True, capture_output=True)
        return public_key

    def wine_env(self):
        env = dict(os.environ, HOME=str(self.user_home), WINEPREFIX=str(self.prefix),
                   DISPLAY=self.x.display, WINEDEBUG="-all")
        for name in ("OSTREL_PREFIX", "WAYLAND_DISPLAY", "OSTREL_PUBLIC_KEY"):
            env.pop(name, None)
        return env

    def start_updater(self, *arguments):
        env = dict(self.wine_env(), OSTREL_CATALOGUE_URL=self.server.base_url,
                   OSTREL_PUBLIC_KEY=self.public_key)
        self.output = open(self.home / "updater.out", "ab")
        self.app = subprocess.Popen([WINE, str(self.program), *arguments], env=env, cwd=self.home,
                                    stdout=self.output, stderr=subprocess.STDOUT)
        return self.app

    def windows(self):
        """Every visible window on this session's own X server, as (id, title):
        Wine's windows carry the Wine loader's pid, not always the one started."""
        ids = self._xdotool("search", "--onlyvisible", "--name", ".*", check=False).split()
        return [(w, self._xdotool("getwindowname", w, check=False).strip()) for w in ids]

    def use_proxy(self, site):
        """The user's Internet settings name a proxy, as Internet Options would set them."""
        settings = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
        for value, kind, data in (("ProxyEnable", "REG_DWORD", "1"),
                                  ("ProxyServer", "REG_SZ", site)):
            subprocess.run([WINE, "reg", "add", settings, "/v", value, "/t", kind, "/d", data,
                            "/f"], env=self.wine_env(), check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)

    def probe(self, *arguments):
        """What the window probe finds, one line each."""
        found = subprocess.run([WINE, PROBE, *arguments], env=self.wine_env(), capture_output=True,
                               text=True, timeout=60)
        return found.stdout.replace("\r", "").splitlines()

    def run_wine_program(self, windows_program, *arguments):
        self.programs.append(subprocess.Popen(
            [WINE, windows_program, *arguments], env=self.wine_env(),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    def notepad_as(self, name):
        target = self.host(f"c:\\ostrel\\{name}")
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(self.host("c:\\windows\\system32\\notepad.exe"), target)
        return f"C:\\ostrel\\{name}"

    def installed(self, name):
        path = self.host(f"c:\\ostrel\\{name}.txt")
        return path.read_text() if path.exists() else None

    def close(self):
        if self.running():
            self.app.terminate()
            self.app.wait(timeout=10)
        subprocess.run(["wineserver", "-k"], env=self.wine_env(), check=False)
        for program in self.programs:
            try:
                program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                program.kill()
        super().close()


class LoopbackProxy:
    """Debian's squid on loopback asking for a Basic login, as the C++ tests
    start it (tests/testkit/loopback_proxy.sh, with the same login)."""

    USER, PASSWORD = "payroll", "Gr3y-Heron"
    HASH = "$apr1$ostrel01$W4M.3APjrtXY9IjyNnv6F0"  # openssl passwd -apr1 -salt ostrel01

    def __init__(self, work):
        self.work = Path(work)
        self.work.mkdir()
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        self.process = subprocess.Popen(
            ["bash", str(HERE.parent / "testkit" / "loopback_proxy.sh"), str(self.work),
             str(self.port), self.USER, self.HASH])
        wait_until(lambda: (self.work / "ready").exists() or self.process.poll() is not None,
                   60, "squid")
        if not (self.work / "ready").exists():
            raise AssertionError("squid did not start: " + (self.work / "squid.log").read_text())

    def stop(self):
        # The script ends by itself once its folder has gone with the session.
        if self.work.exists():
            (self.work / "stop").write_text("")
        self.process.wait(timeout=20)


class UnderWindows(unittest.TestCase):
    def setUp(self):
        self.session = WindowsSession()

    def tearDown(self):
        result = self._outcome.result
        if any(test is self for test, _ in result.failures + result.errors):
            artefacts = os.environ.get("OSTREL_E2E_ARTEFACTS")
            if artefacts:
                self.session.screenshot(os.path.join(artefacts, f"{self._testMethodName}.png"))
        self.session.close()

    def main_window(self):
        main = self.session.window_titled(r"Ostrel - update", timeout=60)
        time.sleep(0.5)
        return main

    def test_install_all_installs_into_the_prefix_one_at_a_time(self):
        s = self.session
        s.start_updater("/ALL")
        wait_until(lambda: s.installed("first") and s.installed("second"), 120, "both installers")
        self.assertEqual(s.installed("first"), "silent, alone")
        self.assertEqual(s.installed("second"), "silent, alone")
        settings = s.settings()
        self.assertIn("updatefirst=", settings)
        self.assertIn("updatesecond=", settings)
        wait_until(lambda: s.log().count(" ended with status 0\r\n") == 2, 30, "both ends logged")

    def test_a_suite_program_running_in_this_prefix_blocks_a_single_install(self):
        s = self.session
        s.run_wine_program(s.notepad_as("accounts.exe"))
        wait_until(lambda: processes_named("accounts.exe", s.prefix), 30, "accounts.exe under Wine")
        s.start_updater("/SEL:first")
        s.choose_menu(self.main_window(), downs=1)  # Install > Install
        s.answer_message_box(timeout=30)  # "Ostrel Accounts is currently running."
        time.sleep(2)
        self.assertIsNone(s.installed("first"))
        self.assertNotIn("updatefirst=", s.settings())

    def test_the_startup_programs_windows_are_closed_by_wm_close_shown_or_hidden(self):
        s = self.session
        s.host("c:\\ostrel").mkdir(parents=True, exist_ok=True)
        s.host("c:\\ostrel\\Ostrel Startup.txt").write_text("welcome")
        s.run_wine_program(s.notepad_as("autorun.exe"), "C:\\ostrel\\Ostrel Startup.txt")
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
