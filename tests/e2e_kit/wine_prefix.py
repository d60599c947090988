"""A session whose prefix is a real Wine prefix: a copy of the run's pristine
one (wineboot -i, made by tests/wine/wine_machine.py) with a wineserver of
its own, a home of its own for the Wine user, and a loopback catalogue of the
machine's NSIS installers, which record in c:\\ostrel whether they ran
silently and alone (first.exe 32-bit, second.exe 64-bit)."""

import os
import shutil
import subprocess
import time
from pathlib import Path

from e2e_kit.servers import CatalogueServer
from e2e_kit.session import wait_until

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


class WinePrefix:
    """Mixed into a Session: the prefix, the catalogue and the Wine programs."""

    WINE = "wine"

    def make_wine_prefix(self):
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
        """Wine's environment: only WINEPREFIX names the prefix."""
        env = dict(os.environ, HOME=str(self.user_home), WINEPREFIX=str(self.prefix),
                   DISPLAY=self.x.display, WINEDEBUG="-all")
        for name in ("OSTREL_PREFIX", "WAYLAND_DISPLAY", "OSTREL_PUBLIC_KEY"):
            env.pop(name, None)
        return env

    def run_wine_program(self, windows_program, *arguments):
        self.programs.append(subprocess.Popen(
            [self.WINE, windows_program, *arguments], env=self.wine_env(),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    def notepad_as(self, name):
        target = self.host(f"c:\\ostrel\\{name}")
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(self.host("c:\\windows\\system32\\notepad.exe"), target)
        return f"C:\\ostrel\\{name}"

    def run_startup_program(self):
        """The suite's start-up program: a notepad as autorun.exe, its window
        titled after the file it shows, "Ostrel Startup.txt"."""
        program = self.notepad_as("autorun.exe")
        self.host("c:\\ostrel\\Ostrel Startup.txt").write_text("welcome")
        self.run_wine_program(program, "C:\\ostrel\\Ostrel Startup.txt")

    def installed(self, name):
        path = self.host(f"c:\\ostrel\\{name}.txt")
        return path.read_text() if path.exists() else None

    def close(self):
        if self.running():
            self.app.terminate()
            self.app.wait(timeout=10)
        subprocess.run(["wineserver", "-k"], env=self.wine_env(), check=False)
        # -k only asks; the server saves the registry as it ends, which would
        # put files back into a prefix being removed.
        subprocess.run(["wineserver", "-w"], env=self.wine_env(), check=False, timeout=30)
        for program in self.programs:
            try:
                program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                program.kill()
        super().close()


class WinePrefixTests:
    """What a user meets in a Wine prefix with either build of the updater:
    mixed into each build's test case (before SessionCase), whose session
    has a start_updater. Not a TestCase itself, so that only the builds' own
    cases run these tests."""

    INSTALL_TIMEOUT = 90

    def setUp(self):
        if not (WORK / "ready").exists():
            self.skipTest("wine or nsis is not installed")
        super().setUp()

    def test_install_all_installs_into_the_prefix_one_at_a_time(self):
        s = self.session
        s.start_updater("/ALL")
        wait_until(lambda: s.installed("first") and s.installed("second"), self.INSTALL_TIMEOUT,
                   "both installers")
        self.assertEqual(s.installed("first"), "silent, alone")
        self.assertEqual(s.installed("second"), "silent, alone")
        settings = s.settings()
        self.assertIn("updatefirst=", settings)
        self.assertIn("updatesecond=", settings)
        wait_until(lambda: s.log().count(" ended with status 0\r\n") == 2, 30, "both ends logged")
        self.assertFalse((s.user_home / ".wine").exists(), "no other prefix appears")

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
