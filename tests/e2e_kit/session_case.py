"""A test case with a session of its own: made before each test, closed
after it; a failing test first leaves a screenshot of its display among the
build's artefacts (OSTREL_E2E_ARTEFACTS)."""

import os
import time
import unittest


class SessionCase(unittest.TestCase):
    MAIN_WINDOW_TIMEOUT = 20

    def make_session(self):
        raise NotImplementedError

    def setUp(self):
        self.session = self.make_session()

    def tearDown(self):
        result = self._outcome.result
        if any(test is self for test, _ in result.failures + result.errors):
            artefacts = os.environ.get("OSTREL_E2E_ARTEFACTS")
            if artefacts:
                self.session.screenshot(os.path.join(artefacts, f"{self._testMethodName}.png"))
        self.session.close()

    def main_window(self):
        """The updater's main window, once it has settled."""
        main = self.session.window_titled(r"Ostrel - update", timeout=self.MAIN_WINDOW_TIMEOUT)
        time.sleep(0.5)
        return main
