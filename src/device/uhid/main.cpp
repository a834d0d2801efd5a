// ornyx-virtual-mouse: the mouse as real kernel HID devices through /dev/uhid,
// answering from the same firmware model as the simulated mouse. Lets the
// programs run on real hidraw nodes and udev events without the hardware.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "device/firmware/FirmwareModel.h"
#include "device/uhid/VirtualMouse.h"

namespace {

using namespace ornyx::device;
using Clock = std::chrono::steady_clock;

constexpr const char* kName = "ornyx-virtual-mouse";
// hid-generic binds within milliseconds; a node that has not come by then
// will not come.
constexpr auto kNodeTimeout = std::chrono::seconds(10);

bool WriteEvent(int fd, const uhid_event& event) {
    const auto bytes = uhid::AsBytes(event);
    ssize_t n;
    do {
        n = ::write(fd, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(bytes.size());
}

class Program {
public:
    Program(std::array<int, 3> fds, std::uint8_t sensor) : fds_(fds), mouse_(sensor) {
        const std::string base = std::string(kName) + "-" + std::to_string(::getpid());
        for (std::size_t i = 0; i < fds_.size(); ++i)
            phys_[i] = base + "/input" + std::to_string(i);
    }

    ~Program() {
        Unplug(false);
        for (int fd : fds_) ::close(fd);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    int Run(int signalFd) {
        if (!Plug()) return 1;
        std::string input;
        bool inputOpen = true;
        for (;;) {
            std::array<pollfd, 5> p{};
            for (std::size_t i = 0; i < 3; ++i) p[i] = {fds_[i], POLLIN, 0};
            p[3] = {inputOpen ? STDIN_FILENO : -1, POLLIN, 0};
            p[4] = {signalFd, POLLIN, 0};
            const int timeout = waitingSince_ ? 20 : -1;
            if (::poll(p.data(), p.size(), timeout) < 0 && errno != EINTR) {
                std::cerr << kName << ": poll: " << std::strerror(errno) << "\n";
                return 1;
            }
            for (std::size_t i = 0; i < 3; ++i) {
                if ((p[i].revents & POLLIN) != 0 && !Serve(i)) return 1;
            }
            if ((p[4].revents & POLLIN) != 0) return 0;
            if ((p[3].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
                if (n <= 0) {
                    if (n < 0 && errno == EINTR) continue;
                    return 0;  // end of input: the devices go with us
                }
                input.append(buffer, static_cast<std::size_t>(n));
                std::size_t eol;
                while ((eol = input.find('\n')) != std::string::npos) {
                    const std::string line = input.substr(0, eol);
                    input.erase(0, eol + 1);
                    if (!Command(line)) return 0;
                }
            }
            if (waitingSince_ && !CheckReady()) return 1;
        }
    }

private:
    bool Plug() {
        if (plugged_) return true;
        for (std::size_t i = 0; i < fds_.size(); ++i) {
            if (!WriteEvent(fds_[i], uhid::CreateRequest(uhid::kInterfaces[i], phys_[i]))) {
                std::cerr << kName << ": the kernel refused to create the "
                          << uhid::InterfaceName(uhid::kInterfaces[i])
                          << " interface: " << std::strerror(errno) << "\n";
                return false;
            }
        }
        plugged_ = true;
        waitingSince_ = Clock::now();
        return true;
    }

    void Unplug(bool announce) {
        if (!plugged_) return;
        for (int fd : fds_) WriteEvent(fd, uhid::DestroyRequest());
        plugged_ = false;
        waitingSince_.reset();
        mouse_.model().AbortTransfer();
        if (announce) Say("unplugged");
    }

    // Nodes are named by the kernel in the order it probes, which varies:
    // they are looked up by the interface's phys, never guessed.
    bool CheckReady() {
        std::string line = "ready";
        for (std::size_t i = 0; i < fds_.size(); ++i) {
            const auto node = uhid::FindHidrawNode("/sys/class/hidraw", phys_[i]);
            if (!node) {
                if (Clock::now() - *waitingSince_ < kNodeTimeout) return true;
                std::cerr << kName << ": no hidraw node appeared for the "
                          << uhid::InterfaceName(uhid::kInterfaces[i])
                          << " interface (is the hid-generic module loaded?)\n";
                return false;
            }
            line += std::string(" ") + uhid::InterfaceName(uhid::kInterfaces[i]) + "=" + *node;
        }
        waitingSince_.reset();
        Say(line);
        return true;
    }

    bool Serve(std::size_t i) {
        uhid_event event{};
        const ssize_t n = ::read(fds_[i], &event, sizeof event);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) return true;
            std::cerr << kName << ": reading /dev/uhid: " << std::strerror(errno) << "\n";
            return false;
        }
        for (const auto& reply : mouse_.Handle(uhid::kInterfaces[i], event)) {
            if (!WriteEvent(fds_[i], reply)) {
                std::cerr << kName << ": writing /dev/uhid: " << std::strerror(errno) << "\n";
            }
        }
        return true;
    }

    // False when the program is to end.
    bool Command(std::string line) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t space = line.find(' ');
        const std::string word = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (word.empty()) return true;
        if (word == "quit") return false;
        if (word == "unplug") {
            Unplug(true);
        } else if (word == "plug") {
            if (plugged_) {
                Complain("already plugged in");
            } else if (!Plug()) {
                return false;
            }
        } else if (word == "dump") {
            std::cout << firmware::DumpMemory(mouse_.model().memory()) << std::flush;
        } else if (word == "event") {
            std::string error;
            const auto report = uhid::EventReport(rest, error);
            if (!report) {
                Complain(error);
            } else if (!plugged_) {
                Complain("unplugged: nobody would hear the event");
            } else if (!WriteEvent(fds_[1], *report)) {
                Complain(std::string("sending the event: ") + std::strerror(errno));
            } else {
                Say("sent");
            }
        } else {
            Complain("unknown command \"" + word + "\" (event HEX, unplug, plug, dump, quit)");
        }
        return true;
    }

    static void Say(const std::string& line) { std::cout << line << std::endl; }
    static void Complain(const std::string& text) {
        std::cerr << kName << ": " << text << std::endl;
    }

    std::array<int, 3> fds_;
    std::array<std::string, 3> phys_;
    uhid::VirtualMouse mouse_;
    bool plugged_ = false;
    std::optional<Clock::time_point> waitingSince_;
};

}  // namespace

// A test tool: whatever escapes is a programming error, and terminate reports it.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv) {
    CLI::App app{
        "A virtual Ornyx mouse on real kernel device nodes, through /dev/uhid.\n"
        "Commands on standard input, one a line: event HEX, unplug, plug, dump, quit."};
    app.name(kName);
    unsigned sensor = 0;
    std::string uhidPath = "/dev/uhid";
    std::string replay;
    app.add_option("--sensor", sensor, "Sensor type the firmware reports")
        ->check(CLI::Range(0u, 255u))
        ->type_name("N");
    app.add_option("--uhid", uhidPath, "The uhid device")->type_name("PATH");
    app.add_option("--replay", replay,
                   "Feed a trace file's transfers into a fresh firmware and print its memory")
        ->type_name("TRACE");
    CLI11_PARSE(app, argc, argv);

    if (!replay.empty()) {
        firmware::FirmwareModel model(static_cast<std::uint8_t>(sensor));
        std::string error;
        if (!uhid::ReplayTrace(replay, model, error)) {
            std::cerr << kName << ": " << error << "\n";
            return 1;
        }
        std::cout << firmware::DumpMemory(model.memory());
        return 0;
    }

    std::array<int, 3> fds{-1, -1, -1};
    for (int& fd : fds) {
        fd = ::open(uhidPath.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            std::cerr << kName << ": cannot open " << uhidPath << " (" << std::strerror(error)
                      << "): load the module with \"sudo modprobe uhid\" and run with read and "
                         "write permission on it (for example as root)\n";
            for (int open : fds) {
                if (open >= 0) ::close(open);
            }
            return 1;
        }
    }

    // Signals arrive through the poll loop, so the devices are always removed.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);

    Program program(fds, static_cast<std::uint8_t>(sensor));
    return program.Run(signalFd);
}
