#pragma once

// Runs ornyxctl as a child process without a shell, so that a test can time,
// kill and run several at once.
#include <filesystem>
#include <string>
#include <vector>

#include "support/Process.h"

namespace ornyx::test {

class Child {
public:
    // ornyxctl --home HOME ARGS..., output to `log` (or nowhere).
    Child(const std::filesystem::path& home, const std::vector<std::string>& args,
          const std::filesystem::path& log = {})
        : process_(ORNYXCTL_PATH, WithHome(home, args), {{}, log, log}) {}

    void Kill() { process_.Kill(); }
    // The exit code; negative when it was killed.
    int Wait() { return process_.Wait(); }
    bool Running() { return process_.Running(); }

private:
    static std::vector<std::string> WithHome(const std::filesystem::path& home,
                                             const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--home", PathArgument(home)};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }

    Process process_;
};

inline int RunCli(const std::filesystem::path& home, const std::vector<std::string>& args,
                  const std::filesystem::path& log = {}) {
    Child child(home, args, log);
    return child.Wait();
}

}  // namespace ornyx::test
