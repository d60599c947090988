// The options a packager, a shell user or a software centre expects of any
// program, `--version` and `--help`, answered on the terminal before the
// toolkit starts, so that they work without a display. They begin with a
// double dash, which the suite's own options never do, so nothing the suite
// passes changes meaning. Main thread, before anything else runs.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// `arguments` excludes the program name. When one of them is exactly
// "--version", "--help" or, where `installBridge` is given, "--install-bridge"
// (the first such one wins), answers it on `out` and returns the exit status
// (0, or 1 when `out` failed or the bridge was not installed); otherwise
// writes nothing and returns nothing, and start-up goes on as usual.
std::optional<int> AnswerConsoleOption(const std::vector<std::string>& arguments, std::ostream& out,
                                       const std::function<int()>& installBridge = {});
