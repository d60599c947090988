"""End-to-end: the installed updater, run as a user runs it, against the demo catalogue."""

import os
import signal
import subprocess
import unittest

from e2e_kit.installed_updater import DEMO, ORDINARY_INSTALLERS, UPDATER, UserSession
from e2e_kit.session import wait_until
from e2e_kit.session_case import SessionCase


class UpdaterEndToEnd(SessionCase):
    def make_session(self):
        return UserSession()

    def install_all(self, *arguments, server=None, **urls):
        s = self.session
        server = server or s.serve()
        urls.setdefault("catalogue", server.base_url)
        s.start("/ALL", *arguments, **urls)
        return server

    def wait_until_installers_ended(self, count):
        """Until `count` installers have ended and nothing began after the
        last: Install All starts the next download as soon as an installer
        ends, so the run is over."""
        s = self.session

        def over():
            log = s.log()
            return (log.count(" ended with status ") >= count
                    and " ended with status " in log.rstrip("\r\n").rsplit("\r\n", 1)[-1])

        wait_until(lambda: len(s.installs()) >= count, what=f"{count} installers")
        wait_until(over, what=f"the end of the run after {count} installers")

    def test_install_all_under_the_makers_brand(self):
        s = self.session
        self.install_all()
        self.wait_until_installers_ended(6)
        self.assertEqual(sorted(s.installed_names()), sorted(ORDINARY_INSTALLERS))
        self.assertEqual(s.installed_names()[0], "dll.exe")
        temp = str(s.host("c:\\temp").resolve())
        for line in s.installs():
            self.assertIn("args=[/S]", line)
            self.assertTrue(line.endswith(f"folder={temp}"), line)
        settings = s.settings()
        for name in ("accounts", "payroll", "cisforms", "dll", "register", "halvex"):
            self.assertIn(f"update{name}=", settings)
        log = s.log()
        self.assertIn(": parsing command line\r\n", log)
        self.assertIn(": connecting...\r\n", log)
        self.assertTrue(s.running(), "the window stays open after Install All")

    def test_install_all_from_a_signed_catalogue(self):
        s = self.session
        server = s.serve()
        s.start("/ALL", catalogue=server.base_url, public_key=s.sign(server))
        wait_until(lambda: len(s.installs()) >= 6, what="six installers")
        self.assertEqual(sorted(s.installed_names()), sorted(ORDINARY_INSTALLERS))
        self.assertIn("download.xml verified: serial 1", s.log())
        self.assertEqual(s.log().count("digest checked"), 6)
        self.assertIn("[catalogueserial]\r\nostrel=1\r\n", s.records())
        self.assertNotIn("catalogueserial", s.settings())

    def test_gresmo_never_sees_the_payroll_update(self):
        s = self.session
        self.install_all("/S", "gresmo")
        self.wait_until_installers_ended(5)
        self.assertNotIn("payroll27.exe", s.installed_names())
        self.assertEqual(len(s.installs()), 5)
        self.assertIn("skin=gresmo", s.settings())
        self.assertIn("SetSkin(gresmo)", s.log())

    def test_corbain_fetches_from_its_reseller_and_never_sees_cis(self):
        s = self.session
        maker = s.serve()
        reseller = s.serve()
        self.install_all("/S", "Corbain", server=reseller, catalogue=maker.base_url,
                         reseller=reseller.base_url)
        self.wait_until_installers_ended(5)
        self.assertNotIn("cisforms.exe", s.installed_names())
        self.assertIn("/download.xml", reseller.requests())
        self.assertNotIn("/download.xml", maker.requests())

    def test_network_download_then_run_from_the_installers_folder(self):
        s = self.session
        server = s.serve()
        s.host("c:\\net\\installers").mkdir(parents=True)
        s.write_settings("[paths]\ninstallers=c:\\net\\installers\n")
        s.start(catalogue=server.base_url)
        s.choose_menu(self.main_window(), downs=4, rights=1)  # Install > Network > Download
        s.answer_message_box()
        folder = s.host("c:\\net\\installers")
        wait_until(lambda: all((folder / n).exists() for n in ORDINARY_INSTALLERS),
                   what="the installers folder filled")
        self.assertEqual(s.installs(), [], "Download starts nothing")

        # A new run installs from the folder, each installer waited for in turn.
        s.app.terminate()
        s.app.wait(timeout=10)
        s.start("/RUN", catalogue=server.base_url)
        s.answer_message_box()
        wait_until(lambda: len(s.installs()) >= 6, what="six installers run")
        resolved = str(folder.resolve())
        self.assertEqual(s.installed_names()[0], "dll.exe")
        for line in s.installs():
            self.assertTrue(line.endswith(f"folder={resolved}"), line)
            self.assertIn("args=[/S]", line)

    def test_library_check_with_every_library_present_ends_without_a_window(self):
        s = self.session
        server = s.serve()
        for name in ("ostrelrt.dll", "ostrelpr.dll"):
            library = s.host(f"c:\\windows\\system32\\{name}")
            library.parent.mkdir(parents=True, exist_ok=True)
            library.write_bytes(b"library")
        s.host("c:\\ostrel").mkdir(parents=True)
        s.host("c:\\ostrel\\dllversion.txt").write_bytes((DEMO / "dllversion.txt").read_bytes())
        s.start("/dllcheck", catalogue=server.base_url)
        self.assertEqual(s.wait_for_exit(), 0)
        self.assertIn("about to CheckDlls()", s.log())
        self.assertNotIn("connecting...", s.log())
        self.assertEqual(server.requests(), "")

    def test_library_check_with_a_library_missing_installs_the_libraries_and_closes(self):
        s = self.session
        server = s.serve()
        s.host("c:\\ostrel").mkdir(parents=True)
        s.host("c:\\ostrel\\dllversion.txt").write_bytes((DEMO / "dllversion.txt").read_bytes())
        s.start("/DLLCHECK", catalogue=server.base_url)
        s.answer_message_box()  # the libraries are missing and will be installed
        wait_until(lambda: s.installed_names() == ["dll.exe"], what="the library installer")
        self.assertEqual(s.wait_for_exit(), 0)
        self.assertEqual(s.installs()[0].split(" ")[1], "args=[]")

    def test_a_server_that_asks_for_a_password(self):
        s = self.session
        server = s.serve("--auth", "clerk:s3cret")
        s.start(catalogue=server.base_url)
        prompt = s.window_titled(r"update")  # the credential prompt, captioned as the program
        s.type_text(prompt, "clerk")
        s.press(prompt, "Tab")
        s.type_text(prompt, "s3cret")
        s.press(prompt, "Return")
        wait_until(lambda: "Authorization:" in server.requests(), what="the second request")
        catalogue = s.host("c:\\temp\\temp.xml")
        wait_until(catalogue.exists, what="the catalogue")
        self.assertIn(b"<Downloads>", catalogue.read_bytes())
        s.window_titled(r"Ostrel - update")
        self.assertNotIn("failed", s.log())

    def test_a_server_that_is_down(self):
        s = self.session
        s.start(catalogue="http://127.0.0.1:9/")
        s.answer_message_box()  # "Download from ... failed. ..."
        s.window_titled(r"Ostrel - update")
        self.assertIn("download of http://127.0.0.1:9/download.xml failed", s.log())
        self.assertFalse(s.host("c:\\temp\\temp.xml").exists())
        self.assertTrue(s.running())

    def test_an_updater_ended_mid_download_leaves_no_temporary(self):
        s = self.session
        server = s.serve(publish=False)
        (server.root / "download.xml").write_bytes(
            f"<Catalogue><Downloads><Item><Description>Never ends</Description>"
            # Slow enough to be caught under way, fast enough not to stall:
            # an endless body on loopback reaches the size bound at once.
            f"<href>{server.base_url}-/trickle/10000000?every=0.01</href><Info>endless.txt</Info>"
            f"<Size>1 MB</Size></Item></Downloads></Catalogue>".encode())
        temp = s.host("c:\\temp")

        def named(*endings):
            return [p.name for p in temp.iterdir() if p.name.endswith(endings)] \
                if temp.exists() else []

        def temporaries():
            return named(".part")

        # The answer names a validator, so the file being written may be the
        # partial kept for the next run (with its record) rather than a
        # temporary: that one is meant to stay.
        def in_progress():
            return named(".part", ".partial")

        # The display goes last: the session has no other.
        for ending, status in (("SIGTERM", -signal.SIGTERM), ("SIGINT", -signal.SIGINT),
                               ("SIGHUP", -signal.SIGHUP), ("display lost", 1)):
            with self.subTest(ending=ending):
                # An earlier case's files, so that each case shows its own.
                for left in named(".part", ".partial", ".partial.record"):
                    (temp / left).unlink()
                s.start("/ALL", catalogue=server.base_url)
                wait_until(in_progress, what="the transfer's file")
                if ending == "display lost":
                    s.x.process.kill()
                else:
                    s.app.send_signal(getattr(signal, ending))
                self.assertEqual(s.wait_for_exit(), status)
                self.assertEqual(temporaries(), [])

    def test_a_second_updater_in_the_prefix_touches_nothing(self):
        s = self.session
        server = s.serve()
        temp = s.host("c:\\temp")
        temp.mkdir(parents=True)
        (temp / ".accounts27.exe.0123abcd.part").write_bytes(b"left by a killed run")
        (temp / "notes.txt").write_bytes(b"the user's")
        s.start(catalogue=server.base_url)
        s.window_titled(r"Ostrel - update")
        self.assertFalse((temp / ".accounts27.exe.0123abcd.part").exists())
        self.assertTrue((temp / "notes.txt").exists())

        # An updater of another prefix opens its window over the first one's.
        other_prefix = s.home / "other"
        (other_prefix / "drive_c" / "windows").mkdir(parents=True)
        other = subprocess.Popen([str(UPDATER)], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL,
                                 env=dict(s.environment(catalogue=s.serve().base_url),
                                          OSTREL_PREFIX=str(other_prefix)))
        self.addCleanup(other.wait, 10)
        self.addCleanup(other.terminate)
        wait_until(lambda: self.topmost_of(s.app.pid, other.pid) == other.pid,
                   what="the other prefix's window on top")

        before = (s.log(), s.settings(), server.requests())
        for arguments in (["/ALL"], ["/DLLCHECK"]):
            with self.subTest(arguments=arguments):
                second = subprocess.run([str(UPDATER), *arguments], capture_output=True,
                                        env=s.environment(catalogue=server.base_url),
                                        timeout=30)
                self.assertEqual(second.returncode, 1)
                self.assertIn(f"already running in {s.prefix} (process {s.app.pid})",
                              second.stderr.decode())
                self.assertEqual((s.log(), s.settings(), server.requests()), before)
                self.assertTrue(s.running())
        self.assertEqual(self.topmost_of(s.app.pid, other.pid), s.app.pid,
                         "the first updater's window is brought to the front")

    def topmost_of(self, *pids):
        """Which of these processes has the topmost visible window."""
        s = self.session
        owner = {}
        for pid in pids:
            found = s._xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--name",
                               ".*", check=False)
            owner.update({int(window): pid for window in found.split()})
        tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True,
                              env=dict(os.environ, DISPLAY=s.x.display)).stdout
        for line in tree.splitlines():  # topmost first
            word = line.strip().split(" ", 1)[0]
            if word.startswith("0x") and int(word, 16) in owner:
                return owner[int(word, 16)]
        return None


if __name__ == "__main__":
    unittest.main()
