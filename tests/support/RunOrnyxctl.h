// Runs the real ornyxctl in a home folder and captures what it printed.
#pragma once

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

namespace ornyx::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `ornyxctl --home . ARGS` with `dir` as the working folder and no input; ARGS
// are split at spaces. A run that does not end within two minutes is killed
// and fails.
inline CliResult RunOrnyxctl(const TempDir& dir, const std::string& args) {
    std::vector<std::string> words = {"--home", "."};
    std::istringstream split(args);
    for (std::string word; split >> word;) words.push_back(word);
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    std::optional<int> code;
    {
        Process child(ORNYXCTL_PATH, words, {dir.path(), out, err});
        code = child.WaitFor(std::chrono::minutes(2));
    }
    CliResult result{code.value_or(-1), ReadText(out), ReadText(err)};
    if (!code) result.err += "\n(killed: still running after two minutes)";
    return result;
}

}  // namespace ornyx::test
