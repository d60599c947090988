// Shows a list of message lines to the user (UI thread only).
//
// 1 to 40 lines: one message box, each line followed by CR LF. 41 or more:
// errors.txt in the working folder, rewritten with one line each, opened with
// the default application, not waited for. No lines: nothing at all.
#pragma once

#include <string>
#include <vector>

void ShowErrors(const std::vector<std::string>& lines);
