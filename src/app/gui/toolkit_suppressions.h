// Reports that the thread checker ignores from the toolkit's own libraries:
// GLib, GTK, D-Bus and friends synchronise their own threads in ways the
// checker cannot see (the libraries are not instrumented). Each program that
// shows windows hands this list to the checker through
// __tsan_default_suppressions. (Their leaks are in tests/lsan.supp.)
#pragma once

inline constexpr const char* kToolkitThreadSuppressions =
    "race:libglib-2.0.so\n"
    "race:libgio-2.0.so\n"
    "race:libgobject-2.0.so\n"
    "race:libgtk-3.so\n"
    "race:libgdk-3.so\n"
    "race:libdconfsettings.so\n"
    "race:libdbus-1.so\n"
    "race:libfontconfig.so\n"
    "race:libpango-1.0.so\n"
    "race:libatk-bridge-2.0.so\n"
    "called_from_lib:libglib-2.0.so\n"
    "called_from_lib:libgio-2.0.so\n"
    "called_from_lib:libdconfsettings.so\n"
    "deadlock:libglib-2.0.so\n"
    "mutex:libglib-2.0.so\n"
    "mutex:libgobject-2.0.so\n";
