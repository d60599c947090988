"""The Windows program's dialog templates (res/ostrel-update.rc) and the
window resources both builds make their windows from (res/update.xrc) describe
the same windows: the same controls in the same order, with the same ids,
positions and sizes in dialog units, and each dialog the same font on Windows.
Usage: resources_agree_test.py SOURCE_DIR"""

import re
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

SOURCE = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
X = "{http://www.wxwidgets.org/wxxrc}"


def rc_templates():
    """{id: (font, [(control id, rectangle)])}, names resolved by commands.h."""
    names = dict(re.findall(r"^#define (\w+) (-?\d+)$",
                            (SOURCE / "src/support/commands.h").read_text(), re.M))
    value = lambda text: int(names.get(text.strip(), text))  # noqa: E731
    templates, current = {}, None
    for line in (SOURCE / "res/ostrel-update.rc").read_text().splitlines():
        if header := re.match(r"^(\w+) DIALOG ", line):
            current = templates.setdefault(value(header[1]), [None, []])
        elif current is not None and (font := re.match(r'^FONT (\d+), "(.+)"$', line)):
            current[0] = (int(font[1]), font[2])
        elif current is not None and (control := re.match(
                r"^\s*(PUSHBUTTON|DEFPUSHBUTTON|LTEXT|EDITTEXT|CONTROL|ICON)\s+(.*)$", line)):
            # The text or the icon shown, if any, then the id; the rectangle
            # follows the id, after the class and style of a CONTROL line.
            fields = [f.strip() for f in re.sub(r'"(?:[^"]|"")*"', '""', control[2]).split(",")]
            if fields[0] == '""' or control[1] == "ICON":
                fields.pop(0)
            at = 3 if control[1] == "CONTROL" else 1
            current[1].append((value(fields[0]), tuple(int(v) for v in fields[at:at + 4])))
    return templates


def xrc_windows():
    units = lambda text: tuple(int(v) for v in text.rstrip("d").split(","))  # noqa: E731
    windows = {}
    for window in ElementTree.parse(SOURCE / "res/update.xrc").getroot().findall(f"{X}object"):
        font = window.find(f"{X}font[@platform='win']")
        controls = [(int(c.get("name")) if c.get("name").isdigit() else -1,
                     units(c.find(f"{X}pos").text)
                     + (units(c.find(f"{X}size").text) if c.find(f"{X}size") is not None else ()))
                    for c in window.findall(f"{X}object")]
        windows[int(window.get("name"))] = (
            (int(font.find(f"{X}size").text), font.find(f"{X}face").text) if font is not None
            else None, controls)
    return windows


class ResourcesAgree(unittest.TestCase):
    def test_every_template_is_laid_out_as_its_window(self):
        templates, windows = rc_templates(), xrc_windows()
        self.assertEqual(sorted(templates), sorted(windows))
        for ident, (font, controls) in templates.items():
            xrc_font, xrc_controls = windows[ident]
            if xrc_font is not None:  # the form takes the main window's
                self.assertEqual(xrc_font, font, f"template {ident}")
            self.assertEqual([c[0] for c in xrc_controls], [c[0] for c in controls], ident)
            for (control, rect), (_, xrc_rect) in zip(controls, xrc_controls):
                self.assertEqual(rect[:len(xrc_rect)], xrc_rect, f"control {control} of {ident}")


if __name__ == "__main__":
    unittest.main()
