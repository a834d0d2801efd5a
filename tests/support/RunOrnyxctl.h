// Runs the real ornyxctl in a home folder and captures what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace ornyx::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `ornyxctl --home . ARGS` with `dir` as the working folder and no input.
inline CliResult RunOrnyxctl(const TempDir& dir, const std::string& args) {
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    const std::string command = "cd '" + dir.path().string() + "' && '" + ORNYXCTL_PATH +
                                "' --home . " + args + " >'" + out.string() + "' 2>'" +
                                err.string() + "' </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

}  // namespace ornyx::test
