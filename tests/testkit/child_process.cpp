#include "testkit/child_process.h"

// What both systems' child processes share; starting and waiting are each
// system's (posix/, windows/).

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args)
    : ChildProcess(program, args, Options{}) {}
