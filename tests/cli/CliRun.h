#pragma once

// Runs ornyxctl as a child process without a shell, so that a test can time,
// kill and run several at once.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace ornyx::test {

class Child {
public:
    // ornyxctl --home HOME ARGS..., output to `log` (or /dev/null).
    Child(const std::filesystem::path& home, const std::vector<std::string>& args,
          const std::filesystem::path& log = "/dev/null") {
        std::vector<std::string> all = {ORNYXCTL_PATH, "--home", home.string()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error("cannot start " + all[0]);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }

    void Kill() { ::kill(pid_, SIGKILL); }
    // The exit code, or -signal when it was killed.
    int Wait() {
        if (pid_ > 0) {
            while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -WTERMSIG(status_);
    }
    bool Running() {
        if (pid_ <= 0) return false;
        if (::waitpid(pid_, &status_, WNOHANG) == 0) return true;
        pid_ = -1;
        return false;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

inline int RunCli(const std::filesystem::path& home, const std::vector<std::string>& args,
                  const std::filesystem::path& log = "/dev/null") {
    Child child(home, args, log);
    return child.Wait();
}

}  // namespace ornyx::test
