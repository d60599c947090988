#include "app/gui/toolkit_start.h"

#include <wx/defs.h>

#include <cstdlib>

namespace {
#ifdef __WXGTK__
constexpr const char* kGlVariable = "GDK_GL";
// Set by ToolkitStarting, for ToolkitStarted to take out.
bool g_glDisabledHere = false;
#endif
}  // namespace

void ToolkitStarting() {
#ifdef __WXGTK__
  if (std::getenv(kGlVariable) == nullptr)
    g_glDisabledHere = ::setenv(kGlVariable, "disable", 0) == 0;
#endif
}

void ToolkitStarted() {
#ifdef __WXGTK__
  // GDK has read it while opening the display. Were one of the toolkit's
  // threads reading the environment meanwhile, it could miss one variable
  // for a moment, never crash: the C library keeps the texts and moves only
  // the list of pointers.
  if (g_glDisabledHere)
    ::unsetenv(kGlVariable);
  g_glDisabledHere = false;
#endif
}
