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
from user_session import UPDATER, CatalogueServer, UserSession, wait_until  # noqa: E402

WORK = Path(os.environ["OSTREL_WINE_WORK"])
# A Windows program standing for the suite's: it starts a command line, waits
# and ends with its status (suite_caller.c).
SUITE_CALLER = os.environ.get("OSTREL_SUITE_CALLER")
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

    def install_bridge(self):
        """`ostrel-update --install-bridge` as the README's setup runs it."""
        env = dict(os.environ, HOME=str(self.user_home), WINEPREFIX=str(self.prefix))
        env.pop("OSTREL_PREFIX", None)
        return subprocess.run([str(UPDATER), "--install-bridge"], env=env, capture_output=True,
                              text=True)

    def call_as_the_suite(self, *command_line, display=True):
        """A suite program in the prefix starts the command line and waits for it.
        Nothing names the prefix to the updater but Wine itself."""
        env = dict(self.wine_env(), OSTREL_CATALOGUE_URL=self.server.base_url)
        if not display:
            env.pop("DISPLAY")
        output = open(self.home / "caller.out", "ab")
        caller = subprocess.Popen(["wine", SUITE_CALLER, *command_line], env=env,
                                  stdout=output, stderr=subprocess.STDOUT)
        self.programs.append(caller)
        output.close()
        return caller

    def any_window_titled(self, pattern, timeout=30):
        """A visible window of any program on this session's X server."""
        def find():
            found = self._xdotool("search", "--onlyvisible", "--name", pattern, check=False)
            return found.split()[0] if found.strip() else None
        return wait_until(find, timeout, f"a window titled {pattern!r}")

    def no_window_titled(self, pattern, timeout=30):
        wait_until(lambda: not self._xdotool("search", "--onlyvisible", "--name", pattern,
                                             check=False).strip(), timeout, f"no {pattern!r}")

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

    def test_the_bridge_hands_on_arguments_prefix_and_exit_status_whole(self):
        s = self.session
        # A copy of the shipped bridge naming a script instead of the updater.
        record = s.home / "record"
        script = s.home / "native.sh"
        script.write_text(f'#!/bin/sh\nprintf "%s\\n" "$OSTREL_PREFIX" "$@" > "{record}"\nexit 7\n')
        script.chmod(0o755)
        bridge = UPDATER.parent.parent / "share" / "ostrel-update" / "wine" / "update.exe"
        path = str(script).encode()
        target = s.host("c:\\ostrel\\update.exe")
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(bridge.read_bytes() + path + len(path).to_bytes(4, "little")
                           + b"ostrel-bridge-1\n")
        arguments = ["/SEL:a b", 'say "hi"', "c:\\my dir\\", "a\\\\\"b", "\u0142\u00f3d\u017a"]
        self.assertEqual(s.call_as_the_suite("c:\\ostrel\\update.exe", *arguments).wait(60), 7)
        self.assertEqual(record.read_text().splitlines(), [str(s.prefix), *arguments])

    def test_the_suites_library_check_reaches_this_updater_through_update_exe(self):
        s = self.session
        installed = s.install_bridge()
        self.assertEqual(installed.returncode, 0, installed.stderr)
        self.assertIn("c:\\ostrel\\update.exe (", installed.stdout)
        version_list = s.host("c:\\ostrel\\dllversion.txt")
        version_list.write_text('<Files><File path="c:\\windows\\notepad.exe"/></Files>')
        caller = s.call_as_the_suite("c:\\ostrel\\update.exe", "/DLLCHECK")
        self.assertEqual(caller.wait(60), 0)
        self.assertIn(": about to CheckDlls()\r\n", s.log())
        # A library missing and no display to install it on: the updater's
        # failure is what the suite sees.
        version_list.write_text('<Files><File path="c:\\windows\\gone.dll"/></Files>')
        caller = s.call_as_the_suite("c:\\ostrel\\update.exe", "/DLLCHECK", display=False)
        self.assertEqual(caller.wait(60), 1)
        self.assertIn("a display is needed", s.log())
        self.assertFalse((s.user_home / ".wine").exists(), "no other prefix appears")

    def test_the_suites_install_all_under_a_brand_reaches_this_updater(self):
        s = self.session
        self.assertEqual(s.install_bridge().returncode, 0)
        caller = s.call_as_the_suite("c:\\ostrel\\update.exe", "/S", "gresmo", "/ALL")
        wait_until(lambda: s.installed("first") and s.installed("second"), 90, "both installers")
        self.assertEqual(s.installed("first"), "silent, alone")
        settings = s.settings()
        self.assertIn("skin=gresmo", settings)
        self.assertIn("updatefirst=", settings)
        self.assertIn("updatesecond=", settings)
        wait_until(lambda: s.log().count(" ended with status 0\r\n") == 2, 30, "both ends logged")
        self.assertIsNone(caller.poll(), "the suite waits while the updater is open")
        # The progress window keeps the main window disabled until its next tick.
        s.no_window_titled(r"\.\.\.$")
        s.choose_menu(s.any_window_titled(" - update$"), downs=5)  # Install > Exit
        self.assertEqual(caller.wait(30), 0)


if __name__ == "__main__":
    unittest.main()
