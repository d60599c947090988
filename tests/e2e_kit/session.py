"""A user's session on an X server of its own: a private home holding a
Wine-style prefix, the loopback servers started for it, the program under
test, and the user's hands. The hands are xdotool: it focuses a window and
presses keys, as a person at the keyboard."""

import os
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path


def wait_until(condition, timeout=20.0, what="condition"):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


def publisher_tool(variable, installed_name):
    """A publisher's tool: where the environment names it (the Windows build
    uses the Linux build's), else as installed."""
    named = os.environ.get(variable)
    if named:
        return Path(named)
    return Path(os.environ["OSTREL_E2E_INSTALL"]) / "bin" / installed_name


class XServer:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as display_file:
            self.display = ":" + display_file.readline().strip()

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Session:
    def __init__(self):
        self.home = Path(tempfile.mkdtemp(prefix="ostrel-e2e-"))
        self.prefix = self.home / "prefix"
        (self.prefix / "drive_c" / "windows").mkdir(parents=True)
        self.x = XServer()
        self.servers = []
        self.app = None
        self.output = None

    # --- the machine -------------------------------------------------------
    def host(self, windows_path):
        """The host path of a c:\\ path in this session's prefix."""
        drive, rest = windows_path[0].lower(), windows_path[3:]
        return self.prefix / f"drive_{drive}" / Path(*rest.split("\\"))

    def write_settings(self, text):
        self.host("c:\\windows\\ostrel.ini").write_bytes(text.replace("\n", "\r\n").encode())

    def settings(self):
        return self._read_cp1252(self.host("c:\\windows\\ostrel.ini"))

    def log(self):
        return self._read_cp1252(self.host("c:\\temp\\log.txt"))

    @staticmethod
    def _read_cp1252(path):
        return path.read_bytes().decode("cp1252") if path.exists() else ""

    def sign_catalogue(self, catalogue, installers):
        """Signs the catalogue and its installers' digests as its publisher
        would; returns the public key."""
        tool = str(publisher_tool("OSTREL_SIGN_TOOL", "ostrel-sign"))
        key = self.home / "publisher.pem"
        public_key = subprocess.run([tool, "keygen", str(key)], check=True, capture_output=True,
                                    text=True).stdout.strip()
        subprocess.run([tool, "sign", str(key), str(catalogue), "--files", str(installers)],
                       check=True, capture_output=True)
        return public_key

    # --- the program -------------------------------------------------------
    def launch(self, command, env):
        """Starts the program under test; its output goes to the session's file."""
        if self.output is not None:
            self.output.close()
        self.output = open(self.home / "updater.out", "ab")
        self.app = subprocess.Popen(command, env=env, cwd=self.home, stdout=self.output,
                                    stderr=subprocess.STDOUT)
        return self.app

    def wait_for_exit(self, timeout=30):
        return self.app.wait(timeout=timeout)

    def running(self):
        return self.app is not None and self.app.poll() is None

    # --- the user's hands --------------------------------------------------
    def _xdotool(self, *arguments, check=True):
        env = dict(os.environ, DISPLAY=self.x.display)
        result = subprocess.run(["xdotool", *arguments], env=env, capture_output=True, text=True)
        if check and result.returncode != 0 and result.stderr:
            raise AssertionError(f"xdotool {' '.join(arguments)}: {result.stderr}")
        return result.stdout

    def window_owner(self):
        """xdotool's words for whose windows `windows` lists: here every
        visible window on the session's own display."""
        return []

    def windows(self):
        """Visible windows, as (id, title)."""
        owner = self.window_owner()
        if owner is None:
            return []
        ids = self._xdotool("search", "--onlyvisible", *owner, "--name", ".*", check=False).split()
        return [(w, self._xdotool("getwindowname", w, check=False).strip()) for w in ids]

    def window_titled(self, pattern, timeout=20):
        regex = re.compile(pattern)
        return wait_until(
            lambda: next((w for w, title in self.windows() if regex.fullmatch(title)), None),
            timeout, f"a window titled {pattern!r}")

    def press(self, window, *keys):
        self._xdotool("windowfocus", "--sync", window, check=False)
        self._xdotool("key", "--clearmodifiers", *keys)

    def type_text(self, window, text):
        self._xdotool("windowfocus", "--sync", window, check=False)
        self._xdotool("type", "--delay", "20", text)

    def answer_message_box(self, timeout=20):
        """Presses OK on the next message box (caption "update")."""
        box = self.window_titled("update", timeout)
        self.press(box, "Return")
        wait_until(lambda: box not in [w for w, _ in self.windows()], 10, "the box to close")

    def choose_menu(self, main_window, downs, rights=0):
        """F10, then Down and Right through the menu bar's first menu, then Enter."""
        self.press(main_window, "F10")
        time.sleep(0.3)
        keys = ["Down"] * downs + ["Right"] * rights + ["Return"]
        self._xdotool("key", "--delay", "100", *keys)

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.x.display, "-window", "root", str(path)],
                       check=False)

    # --- the end -----------------------------------------------------------
    def close(self):
        if self.running():
            self.app.terminate()
            try:
                self.app.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.app.kill()
                self.app.wait()
        if self.output is not None:
            self.output.close()
        for server in self.servers:
            server.stop()
        self.x.stop()
        shutil.rmtree(self.home, ignore_errors=True)
