"""The end-to-end tests' kit: a user's session (an X server of its own, a
prefix, loopback servers and the user's hands), the Linux program as
installed, and the Wine prefix both builds meet. The tests in tests/e2e,
tests/wine and tests/windows import it (PYTHONPATH names tests/)."""
