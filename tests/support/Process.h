// A child process started without a shell, on every system: its arguments
// reach it as they are, its input is empty, its output goes to files, and a
// test can wait for it with a time limit or kill it.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ornyx::test {

struct ProcessSetup {
    std::filesystem::path folder;  // its working folder; empty: ours
    std::filesystem::path out;     // stdout; empty: discarded
    std::filesystem::path err;     // stderr; empty: discarded; equal to out: the same file
};

class Process {
public:
    // `program` without a folder is looked for beside the test program.
    Process(const std::filesystem::path& program, const std::vector<std::string>& args,
            const ProcessSetup& setup = {});
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();  // kills it if it still runs

    void Kill();
    // The exit code; a killed process has a negative one.
    int Wait();
    // The exit code, or nullopt when it still runs after `limit`.
    std::optional<int> WaitFor(std::chrono::milliseconds limit);
    bool Running();

    struct Handle;

private:
    std::unique_ptr<Handle> handle_;
};

// `name` beside the test program when it has no folder of its own.
std::filesystem::path BesideTests(const std::filesystem::path& name);

// A path as a command-line word: UTF-8 on every system.
inline std::string PathArgument(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace ornyx::test
