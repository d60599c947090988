// Tells when a window has first been painted: the start-up trace marks the
// moment the user first sees the list's rows.
//
// A composite control (the generic list control of wxGTK: a header window and
// a window of rows) counts as painted once each of its child windows has
// painted once; a native one (wxMSW's) once it has. `painted` runs once,
// after the paint has been handled. UI thread only.
#pragma once

#include <functional>

class wxWindow;

void WhenFirstPainted(wxWindow* window, std::function<void()> painted);
