#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

#include "support/Process.h"

namespace ornyx::test {

namespace fs = std::filesystem;

struct Process::Handle {
    pid_t pid = -1;
    int status = 0;
};

namespace {

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

}  // namespace

fs::path BesideTests(const fs::path& program) {
    if (program.has_parent_path()) return program;
    return fs::read_symlink("/proc/self/exe").parent_path() / program;
}

Process::Process(const fs::path& program, const std::vector<std::string>& args,
                 const ProcessSetup& setup)
    : handle_(std::make_unique<Handle>()) {
    const fs::path path = BesideTests(program);
    std::vector<std::string> all = {path.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The output files are named from our folder, before the child changes its own.
    const auto output = [&](int fd, const fs::path& file) {
        posix_spawn_file_actions_addopen(&actions, fd, file.empty() ? "/dev/null" : file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    };
    const fs::path out = setup.out.empty() ? fs::path() : fs::absolute(setup.out);
    const fs::path err = setup.err.empty() ? fs::path() : fs::absolute(setup.err);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    output(1, out);
    if (!err.empty() && err == out) {
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    } else {
        output(2, err);
    }
    if (!setup.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, setup.folder.c_str());
    const int rc = posix_spawn(&handle_->pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        handle_->pid = -1;
        throw std::runtime_error("cannot start " + all[0]);
    }
}

Process::~Process() {
    if (handle_->pid > 0) {
        Kill();
        Wait();
    }
}

void Process::Kill() {
    if (handle_->pid > 0) ::kill(handle_->pid, SIGKILL);
}

int Process::Wait() {
    if (handle_->pid > 0) {
        while (::waitpid(handle_->pid, &handle_->status, 0) < 0 && errno == EINTR) {
        }
        handle_->pid = -1;
    }
    return ExitCode(handle_->status);
}

std::optional<int> Process::WaitFor(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (Running()) {
        if (std::chrono::steady_clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ExitCode(handle_->status);
}

bool Process::Running() {
    if (handle_->pid <= 0) return false;
    if (::waitpid(handle_->pid, &handle_->status, WNOHANG) == 0) return true;
    handle_->pid = -1;
    return false;
}

}  // namespace ornyx::test
