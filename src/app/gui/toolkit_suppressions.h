// Reports that sanitizer builds ignore from the toolkit's own libraries:
// fontconfig, GLib, GTK, D-Bus and friends keep caches for the life of the
// process and never free them, and synchronise their own threads in ways the
// thread checker cannot see (the libraries are not instrumented). Each program
// that shows windows hands these lists to the checkers through
// __lsan_default_suppressions and __tsan_default_suppressions.
#pragma once

inline constexpr const char* kToolkitLeakSuppressions =
    "leak:libfontconfig.so\n"
    "leak:libdbus-1.so\n"
    "leak:libglib-2.0.so\n"
    "leak:libgobject-2.0.so\n"
    "leak:libgio-2.0.so\n"
    "leak:libgtk-3.so\n"
    "leak:libgdk-3.so\n"
    "leak:libpango-1.0.so\n"
    "leak:libpangoft2-1.0.so\n"
    "leak:libcairo.so\n"
    "leak:libharfbuzz.so\n"
    "leak:libatk-bridge-2.0.so\n"
    "leak:libX11.so\n";

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
