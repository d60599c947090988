// What the toolkit is told before it starts, and forgets once it has.
//
// The updater draws nothing with OpenGL, yet GTK 3 looks for the system's GL
// as it opens the display: it loads the GL libraries and, with Mesa, a
// driver, which is the larger part of the toolkit's start and of the path to
// the first painted list. GDK_GL=disable tells it not to, unless the user has
// set GDK_GL. The variable is taken out again once the toolkit has started,
// so the programs the updater starts (installers, the default application
// for an information file) get the environment the user gave it. Nothing
// happens on Windows, whose toolkit has no such step.
//
// UI thread: ToolkitStarting before the toolkit starts (and before any other
// thread does), ToolkitStarted first thing once it has.
#pragma once

void ToolkitStarting();
void ToolkitStarted();
