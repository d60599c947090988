// Leak reports that sanitizer builds ignore: the toolkit's own libraries
// (fontconfig, GLib, GTK, D-Bus, ...) keep caches for the life of the process
// and never free them. Each program that shows windows hands this list to the
// leak checker through __lsan_default_suppressions.
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
