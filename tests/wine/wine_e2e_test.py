"""The installed updater under real Wine: a prefix made by wineboot, NSIS
installers that record whether they ran silently and alone (first.exe 32-bit,
as most installers are, second.exe 64-bit), and Wine programs under the
suite's names."""

import os
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
from user_session import CatalogueServer, UserSession, wait_until  # noqa: E402

WORK = Path(os.environ["OSTREL_WINE_WORK"])
ITEM = ("<Item><Description>{0}</Description><href>{1}{0}.exe</href><Size>1</Size>"
        "<Info>{0}.txt</Info></Item>\r\n")


def copy_prefix(source, target):
    """Hard links for the large files Wine only reads; the registry, which
    wineserver rewrites, copied."""
    if subprocess.run(["cp", "-al", str(source), str(target)],
                      stderr=subprocess.DEVNULL).returncode != 0:
        shutil.rmtree(target, ignore_errors=True)
        subprocess.run(["cp", "-a", str(source), str(target)], check=True)
        return
    for registry in source.glob("*.reg"):
        (target / registry.name).unlink()
        shutil.copyfile(registry, target / registry.name)


def processes_named(name, prefix):
    """This prefix's processes whose program is `name`."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            argv0 = (entry / "cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
            environment = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if (argv0.replace("\\", "/").rsplit("/", 1)[-1].lower() == name
                and f"WINEPREFIX={prefix}".encode() in environment):
            found.append(int(entry.name))
    return found


class WineSession(UserSession):
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

    def wine_env(self):
        return dict(os.environ, HOME=str(self.user_home), WINEPREFIX=str(self.prefix),
                    DISPLAY=self.x.display, WINEDEBUG="-all")

    def start_updater(self, *arguments):
        # Only OSTREL_PREFIX names the prefix, as the README's setup does.
        return self.start(*arguments, catalogue=self.server.base_url,
                          extra_env={"HOME": str(self.user_home), "WINEDEBUG": "-all"})

    def run_wine_program(self, windows_program, *arguments):
        self.programs.append(subprocess.Popen(
            ["wine", windows_program, *arguments], env=self.wine_env(),
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


class UnderWine(unittest.TestCase):
    def setUp(self):
        if not (WORK / "ready").exists():
            self.skipTest("wine or nsis is not installed")
        self.session = WineSession()

    def tearDown(self):
        self.session.close()

    def main_window(self):
        main = self.session.window_titled(r"Ostrel - update", timeout=30)
        time.sleep(0.5)
        return main

    def test_install_all_installs_into_the_prefix_one_at_a_time(self):
        s = self.session
        s.start_updater("/ALL")
        wait_until(lambda: s.installed("first") and s.installed("second"), 90, "both installers")
        self.assertEqual(s.installed("first"), "silent, alone")
        self.assertEqual(s.installed("second"), "silent, alone")
        settings = s.settings()
        self.assertIn("updatefirst=", settings)
        self.assertIn("updatesecond=", settings)
        wait_until(lambda: s.log().count(" ended with status 0\r\n") == 2, 30, "both ends logged")
        self.assertFalse((s.user_home / ".wine").exists(), "no other prefix appears")

    def test_a_single_install_from_the_window_is_not_silent(self):
        s = self.session
        s.start_updater("/SEL:first")
        s.choose_menu(self.main_window(), downs=1)  # Install > Install
        wait_until(lambda: s.installed("first"), 90, "the first installer")
        self.assertEqual(s.installed("first"), "not silent, alone")
        self.assertIsNone(s.installed("second"))

    def test_a_suite_program_running_in_this_prefix_blocks_the_update(self):
        s = self.session
        s.run_wine_program(s.notepad_as("accounts.exe"))
        wait_until(lambda: processes_named("accounts.exe", s.prefix), 30, "accounts.exe under Wine")
        s.start_updater("/SEL:first")
        s.choose_menu(self.main_window(), downs=1)
        s.answer_message_box(timeout=30)  # "Ostrel Accounts is currently running."
        time.sleep(2)
        self.assertIsNone(s.installed("first"))
        self.assertNotIn("updatefirst=", s.settings())

    def test_the_startup_programs_wine_window_is_closed_on_request(self):
        s = self.session
        s.host("c:\\ostrel").mkdir(parents=True, exist_ok=True)
        s.host("c:\\ostrel\\Ostrel Startup.txt").write_text("welcome")
        s.run_wine_program(s.notepad_as("autorun.exe"), "C:\\ostrel\\Ostrel Startup.txt")
        env = dict(os.environ, DISPLAY=s.x.display)
        wait_until(lambda: subprocess.run(
            ["xdotool", "search", "--name", "Ostrel Startup"], env=env,
            capture_output=True, text=True).stdout.strip(), 30, "the start-up program's window")
        s.start_updater("/SEL:first")
        s.choose_menu(self.main_window(), downs=1)
        wait_until(lambda: s.installed("first"), 90, "the first installer")
        self.assertIn("sent WM_CLOSE\r\n", s.log())
        self.assertIn("Window ostrel startup.txt - notepad", s.log())
        self.assertEqual(processes_named("autorun.exe", s.prefix), [])


if __name__ == "__main__":
    unittest.main()
