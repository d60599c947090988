"""The Linux program as installed (OSTREL_E2E_INSTALL), in a session whose
prefix is a plain folder, with the demo catalogue served on loopback."""

import os
import shutil
from pathlib import Path

from e2e_kit.servers import CatalogueServer
from e2e_kit.session import Session

INSTALL = Path(os.environ["OSTREL_E2E_INSTALL"])
DEMO = INSTALL / "share" / "ostrel-update" / "demo"
UPDATER = INSTALL / "bin" / "ostrel-update"
ORDINARY_INSTALLERS = ["accounts27.exe", "payroll27.exe", "cisforms.exe", "dll.exe",
                       "tamlin27.exe", "halvex27.exe"]


def publish_demo(folder, base_url):
    """The demo catalogue as the server publishes it, installers pointing at base_url."""
    folder = Path(folder)
    shutil.copytree(DEMO / "catalogue", folder, dirs_exist_ok=True)
    template = (DEMO / "catalogue" / "download.xml.in").read_bytes()
    (folder / "download.xml").write_bytes(template.replace(b"@BASE@", base_url.encode()))
    for installer in (folder / "installers").iterdir():
        installer.chmod(0o755)


class UserSession(Session):
    def __init__(self):
        super().__init__()
        self.record = self.home / "installs.txt"

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
        return self.sign_catalogue(server.root / "download.xml", server.root / "installers")

    def records(self):
        """The updater's own records for this session's prefix (one file)."""
        files = list((self.home / "state" / "ostrel-update").glob("*.ini"))
        return files[0].read_bytes().decode("cp1252") if len(files) == 1 else ""

    def installs(self):
        return self.record.read_text().splitlines() if self.record.exists() else []

    def installed_names(self):
        return [line.split(" ", 1)[0] for line in self.installs()]

    # --- the updater -------------------------------------------------------
    def window_owner(self):
        """Only the updater's own windows."""
        return ["--pid", str(self.app.pid)] if self.running() else None

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
        return self.launch([str(UPDATER), *arguments],
                           self.environment(catalogue, reseller, public_key, extra_env))
