"""A user's session with the installed ostrel-update, for the end-to-end tests.

Each session has its own X server (Xvfb), its own Wine-style prefix, the demo
catalogue served by the installed catalogue server on loopback, and the
installed updater started as a user would start it. The user's hands are
xdotool: it focuses a window and presses keys, as a person at the keyboard.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

INSTALL = Path(os.environ["OSTREL_E2E_INSTALL"])
DEMO = INSTALL / "share" / "ostrel-update" / "demo"
UPDATER = INSTALL / "bin" / "ostrel-update"
SIGN_TOOL = INSTALL / "bin" / "ostrel-sign"
SERVER = INSTALL / "bin" / "ostrel-catalogue-server"
ORDINARY_INSTALLERS = ["accounts27.exe", "payroll27.exe", "cisforms.exe", "dll.exe",
                       "tamlin27.exe", "halvex27.exe"]


def wait_until(condition, timeout=20.0, what="condition"):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


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


class CatalogueServer:
    def __init__(self, root, *extra):
        self.root = Path(root)
        self.work = Path(tempfile.mkdtemp(prefix="ostrel-e2e-server-"))
        port_file = self.work / "port"
        self.log = self.work / "requests.log"
        self.process = subprocess.Popen(
            [str(SERVER), "--root", str(self.root), "--port-file", str(port_file),
             "--log", str(self.log), *extra],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port = wait_until(lambda: port_file.exists() and port_file.read_text().strip(),
                          what="the catalogue server")
        self.base_url = f"http://127.0.0.1:{port}/"

    def requests(self):
        return self.log.read_text(errors="replace") if self.log.exists() else ""

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)


def publish_demo(folder, base_url):
    """The demo catalogue as the server publishes it, installers pointing at base_url."""
    folder = Path(folder)
    shutil.copytree(DEMO / "catalogue", folder, dirs_exist_ok=True)
    template = (DEMO / "catalogue" / "download.xml.in").read_bytes()
    (folder / "download.xml").write_bytes(template.replace(b"@BASE@", base_url.encode()))
    for installer in (folder / "installers").iterdir():
        installer.chmod(0o755)


class UserSession:
    def __init__(self):
        self.home = Path(tempfile.mkdtemp(prefix="ostrel-e2e-"))
        self.prefix = self.home / "prefix"
        (self.prefix / "drive_c" / "windows").mkdir(parents=True)
        self.record = self.home / "installs.txt"
        self.x = XServer()
        self.servers = []
        self.app = None

    # --- the machine -------------------------------------------------------
    def serve(self, *extra, publish=True):
        root = self.home / f"www{len(self.servers)}"
        root.mkdir()
        server = CatalogueServer(root, *extra)
        if publish:
            publish_demo(root, server.base_url)
        self.servers.append(server)
        return server

    def sign(self, server):
        """Signs the server's catalogue as its publisher would; returns the public key."""
        key = self.home / "publisher.pem"
        public_key = subprocess.run([str(SIGN_TOOL), "keygen", str(key)], check=True,
                                    capture_output=True, text=True).stdout.strip()
        subprocess.run([str(SIGN_TOOL), "sign", str(key), str(server.root / "download.xml"),
                        "--files", str(server.root / "installers")], check=True,
                       capture_output=True)
        return public_key

    def host(self, windows_path):
        """The host path of a c:\\ path in this session's prefix."""
        drive, rest = windows_path[0].lower(), windows_path[3:]
        return self.prefix / f"drive_{drive}" / Path(*rest.split("\\"))

    def write_settings(self, text):
        self.host("c:\\windows\\ostrel.ini").write_bytes(text.replace("\n", "\r\n").encode())

    def settings(self):
        path = self.host("c:\\windows\\ostrel.ini")
        return path.read_bytes().decode("cp1252") if path.exists() else ""

    def records(self):
        """The updater's own records for this session's prefix (one file)."""
        files = list((self.home / "state" / "ostrel-update").glob("*.ini"))
        return files[0].read_bytes().decode("cp1252") if len(files) == 1 else ""

    def log(self):
        path = self.host("c:\\temp\\log.txt")
        return path.read_bytes().decode("cp1252") if path.exists() else ""

    def installs(self):
        return self.record.read_text().splitlines() if self.record.exists() else []

    def installed_names(self):
        return [line.split(" ", 1)[0] for line in self.installs()]

    # --- the updater -------------------------------------------------------
    def environment(self, catalogue=None, reseller=None, public_key=None, extra_env=None):
        """The updater's environment in this session."""
        env = dict(os.environ)
        env.pop("OSTREL_PUBLIC_KEY", None)
        if public_key:
            env["OSTREL_PUBLIC_KEY"] = public_key
        env.update(extra_env or {})
        env.update(DISPLAY=self.x.display, OSTREL_PREFIX=str(self.prefix),
                   OSTREL_DEMO_RECORD=str(self.record), NO_AT_BRIDGE="1",
                   XDG_STATE_HOME=str(self.home / "state"))
        env.pop("WINEPREFIX", None)
        if catalogue:
            env["OSTREL_CATALOGUE_URL"] = catalogue
        if reseller:
            env["OSTREL_RESELLER_CATALOGUE_URL"] = reseller
        return env

    def start(self, *arguments, catalogue=None, reseller=None, public_key=None, extra_env=None):
        if self.app is not None:
            self.output.close()
        self.output = open(self.home / "updater.out", "ab")
        self.app = subprocess.Popen([str(UPDATER), *arguments],
                                    env=self.environment(catalogue, reseller, public_key, extra_env),
                                    cwd=self.home,
                                    stdout=self.output, stderr=subprocess.STDOUT)
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

    def windows(self):
        """Visible windows of the updater, as (id, title)."""
        if not self.running():
            return []
        ids = self._xdotool("search", "--onlyvisible", "--pid", str(self.app.pid), "--name", ".*",
                            check=False).split()
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
            self.app.send_signal(signal.SIGTERM)
            try:
                self.app.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.app.kill()
                self.app.wait()
        if self.app is not None:
            self.output.close()
        for server in self.servers:
            server.stop()
        self.x.stop()
        shutil.rmtree(self.home, ignore_errors=True)
