"""Real servers on loopback for a session: the catalogue server, and Debian's
squid as a proxy asking for a login."""

import shutil
import socket
import subprocess
import tempfile
from pathlib import Path

from e2e_kit.session import publisher_tool, wait_until

TESTS = Path(__file__).resolve().parent.parent


class CatalogueServer:
    def __init__(self, root, *extra):
        self.root = Path(root)
        self.work = Path(tempfile.mkdtemp(prefix="ostrel-e2e-server-"))
        port_file = self.work / "port"
        self.log = self.work / "requests.log"
        program = publisher_tool("OSTREL_CATALOGUE_SERVER", "ostrel-catalogue-server")
        self.process = subprocess.Popen(
            [str(program), "--root", str(self.root), "--port-file", str(port_file),
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
            ["bash", str(TESTS / "testkit" / "loopback_proxy.sh"), str(self.work),
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
