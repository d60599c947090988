"""Makes the Wine tests' machine: a pristine prefix (wineboot -i) and the NSIS
installers (first.exe 32-bit, second.exe 64-bit), in the folder given.
Usage: wine_machine.py WORK INSTALLER_NSI

Without wine or makensis nothing is made and the tests skip, except in CI
(CI=true), where that is a failure (exit status 1).
"""

import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

TOOLS = ("wine", "wineboot", "wineserver", "makensis")


def missing_tools():
    return [tool for tool in TOOLS if shutil.which(tool) is None]


def main():
    work, nsi = Path(sys.argv[1]), Path(sys.argv[2])
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    missing = missing_tools()
    if missing:
        print(f"missing: {' '.join(missing)}")
        return 1 if os.environ.get("CI") == "true" else 0

    installers = work / "installers"
    installers.mkdir()
    # Most installers are 32-bit, as makensis makes them by default; one
    # 64-bit one keeps that case.
    for name, target in (("first", "x86-unicode"), ("second", "amd64-unicode")):
        subprocess.run(["makensis", "-V2", f"-DNAME={name}", f"-DTARGET={target}",
                        f"-DOUT={installers / name}.exe", str(nsi)], check=True)

    home = work / "home"
    home.mkdir()
    env = dict(os.environ, HOME=str(home), WINEPREFIX=str(work / "pristine"), WINEDEBUG="-all")
    env.pop("DISPLAY", None)
    started = time.monotonic()
    subprocess.run(["wineboot", "-i"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, check=True)
    print(f"wineboot -i took {time.monotonic() - started:.1f} s")
    (work / "ready").write_text("")
    return 0


if __name__ == "__main__":
    sys.exit(main())
