"""The installed updater under real Wine: a prefix made by wineboot, NSIS
installers that record whether they ran silently and alone (first.exe 32-bit,
as most installers are, second.exe 64-bit), and Wine programs under the
suite's names."""

import os
import subprocess

from e2e_kit.installed_updater import UPDATER, UserSession
from e2e_kit.session import wait_until
from e2e_kit.session_case import SessionCase
from e2e_kit.wine_prefix import WinePrefix, WinePrefixTests, processes_named

# A Windows program standing for the suite's: it starts a command line, waits
# and ends with its status (suite_caller.c).
SUITE_CALLER = os.environ.get("OSTREL_SUITE_CALLER")


class WineSession(WinePrefix, UserSession):
    def __init__(self):
        super().__init__()
        self.make_wine_prefix()

    def start_updater(self, *arguments):
        # Only OSTREL_PREFIX names the prefix, as the README's setup does.
        return self.start(*arguments, catalogue=self.server.base_url,
                          extra_env={"HOME": str(self.user_home), "WINEDEBUG": "-all"})

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


class UnderWine(WinePrefixTests, SessionCase):
    MAIN_WINDOW_TIMEOUT = 30

    def make_session(self):
        return WineSession()

    def test_a_single_install_from_the_window_is_not_silent(self):
        s = self.session
        s.start_updater("/SEL:first")
        s.choose_menu(self.main_window(), downs=1)  # Install > Install
        wait_until(lambda: s.installed("first"), 90, "the first installer")
        self.assertEqual(s.installed("first"), "not silent, alone")
        self.assertIsNone(s.installed("second"))

    def test_the_startup_programs_wine_window_is_closed_on_request(self):
        s = self.session
        s.run_startup_program()
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
