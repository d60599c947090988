"""The Windows program's dialog templates (res/ostrel-update.rc) and the
window resources both builds make their windows from (res/update.xrc)
describe the same windows: each template's controls, in order, with the same
ids, positions and sizes in dialog units, and each dialog the same font on
Windows. Usage: resources_agree_test.py SOURCE_DIR"""

import re
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

SOURCE = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
XRC_NAMESPACE = "{http://www.wxwidgets.org/wxxrc}"
CONTROL = re.compile(r'^\s*(PUSHBUTTON|DEFPUSHBUTTON|LTEXT|EDITTEXT|CONTROL|ICON)\s+(.*)$')


def defines():
    found = {}
    for line in (SOURCE / "src" / "support" / "commands.h").read_text().splitlines():
        match = re.match(r"#define (\w+) (-?\d+)$", line)
        if match:
            found[match[1]] = int(match[2])
    return found


def number(text, names):
    text = text.strip()
    return names[text] if text in names else int(text)


def rc_templates():
    """{template id: (font, [(control id, (x, y, w, h))])} from the script."""
    names = defines()
    templates, current = {}, None
    for line in (SOURCE / "res" / "ostrel-update.rc").read_text().splitlines():
        header = re.match(r"^(\w+) DIALOG 0, 0, (\d+), (\d+)$", line)
        if header:
            current = templates.setdefault(number(header[1], names), [None, []])
            continue
        if current is None:
            continue
        font = re.match(r'^FONT (\d+), "([^"]+)"$', line)
        control = CONTROL.match(line)
        if font:
            current[0] = (int(font[1]), font[2])
        elif control:
            # The text (if any), then the id; the rectangle follows the id,
            # after the class and style of a CONTROL line.
            fields = [f.strip() for f in re.sub(r'"(?:[^"]|"")*"', '""', control[2]).split(",")]
            if fields[0] == '""' or control[1] == "ICON":  # the text, or the icon shown
                fields.pop(0)
            ident = number(fields[0], names)
            at = 3 if control[1] == "CONTROL" else 1
            current[1].append((ident, tuple(int(v) for v in fields[at:at + 4])))
        elif line == "END" and current[1]:
            current = None
    return templates


def dialog_units(text):
    return tuple(int(v) for v in text.rstrip("d").split(","))


def xrc_windows():
    root = ElementTree.parse(SOURCE / "res" / "update.xrc").getroot()
    windows = {}
    for window in root.findall(f"{XRC_NAMESPACE}object"):
        font = window.find(f"{XRC_NAMESPACE}font[@platform='win']")
        controls = []
        for child in window.findall(f"{XRC_NAMESPACE}object"):
            name = child.get("name")
            pos = dialog_units(child.find(f"{XRC_NAMESPACE}pos").text)
            size = child.find(f"{XRC_NAMESPACE}size")
            controls.append((int(name) if name.isdigit() else -1,
                             pos + (dialog_units(size.text) if size is not None else ())))
        windows[int(window.get("name"))] = (
            (int(font.find(f"{XRC_NAMESPACE}size").text), font.find(f"{XRC_NAMESPACE}face").text)
            if font is not None else None, controls)
    return windows


class ResourcesAgree(unittest.TestCase):
    def test_every_template_is_laid_out_as_its_window(self):
        templates, windows = rc_templates(), xrc_windows()
        self.assertEqual(sorted(templates), sorted(windows))
        for ident, (font, controls) in templates.items():
            xrc_font, xrc_controls = windows[ident]
            if xrc_font is not None:  # the form takes the main window's
                self.assertEqual(xrc_font, font, f"template {ident}")
            self.assertEqual([c[0] for c in xrc_controls], [c[0] for c in controls],
                             f"template {ident}")
            for (ident_, rect), (_, xrc_rect) in zip(controls, xrc_controls):
                self.assertEqual(rect[:len(xrc_rect)], xrc_rect, f"control {ident_} of {ident}")


if __name__ == "__main__":
    unittest.main()
