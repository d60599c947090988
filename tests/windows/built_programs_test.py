"""The Windows programs as built, read from the files: 32-bit programs (PE32
for the i386 machine) that Windows treats as it treats the suite's own, with
a manifest that requests no execution level (so that Windows virtualizes
them for a standard user) and no terminal-server awareness (so that a
terminal server gives them the user's own Windows folder); and the programs
and the installer carry Authenticode signatures that osslsigncode verifies
against the certificate they were signed with.

Usage: built_programs_test.py [-v] CERTIFICATE INSTALLER PROGRAM...
(CERTIFICATE "-": the build signed nothing, and the signatures are not checked.)
"""

import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

ARGUMENTS = [a for a in sys.argv[1:] if a != "-v"]
CERTIFICATE = None if ARGUMENTS[0] == "-" else Path(ARGUMENTS[0])
INSTALLER = Path(ARGUMENTS[1])
PROGRAMS = [Path(p) for p in ARGUMENTS[2:]]

PE32 = 0x10B
I386 = 0x14C
TERMINAL_SERVER_AWARE = 0x8000
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"


def pe_header(data):
    """(machine, optional-header magic, DllCharacteristics)."""
    at = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[at:at + 4] == b"PE\0\0", "no PE signature"
    machine = struct.unpack_from("<H", data, at + 4)[0]
    optional = at + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    return machine, magic, characteristics


def manifest(data):
    """The manifest resource: the one XML assembly document the file holds."""
    start = data.find(b"<assembly")
    end = data.find(b"</assembly>", start)
    assert start >= 0 and end > start, "no manifest"
    return ElementTree.fromstring(data[start:end + len(b"</assembly>")])


class BuiltPrograms(unittest.TestCase):
    def test_the_programs_are_32_bit_and_treated_as_the_suites_own(self):
        for program in PROGRAMS:
            with self.subTest(program=program.name):
                data = program.read_bytes()
                machine, magic, characteristics = pe_header(data)
                self.assertEqual((machine, magic), (I386, PE32))
                self.assertFalse(characteristics & TERMINAL_SERVER_AWARE)
        updater = manifest(PROGRAMS[0].read_bytes())
        names = {element.tag.rsplit("}", 1)[-1] for element in updater.iter()}
        self.assertFalse(names & {"trustInfo", "requestedExecutionLevel"})
        identity = updater.find(f"{ASM_V1}assemblyIdentity")
        self.assertEqual(identity.get("processorArchitecture"), "x86")
        controls = [d.get("name") for d in updater.iter(f"{ASM_V1}assemblyIdentity")]
        self.assertIn("Microsoft.Windows.Common-Controls", controls)

    @unittest.skipIf(CERTIFICATE is None, "built without a signing certificate")
    def test_the_programs_and_the_installer_are_signed(self):
        for signed in [*PROGRAMS, INSTALLER]:
            with self.subTest(file=signed.name):
                result = subprocess.run(
                    ["osslsigncode", "verify", "-CAfile", str(CERTIFICATE), "-in", str(signed)],
                    capture_output=True, text=True)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + [a for a in sys.argv[1:] if a == "-v"])
