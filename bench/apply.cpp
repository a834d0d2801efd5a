// Measures one apply against the simulated mouse and reports it as a ratio to
// the pacing floor: the sum of the pauses the sequence must make. Everything
// above 1.0 is the program's own overhead (framing, simulator, file saves).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Discovery.h"
#include "device/Pacer.h"
#include "device/Transport.h"
#include "device/sim/SimMouse.h"
#include "i18n/TextSettings.h"
#include "session/Apply.h"
#include "session/Defaults.h"

namespace {

using namespace ornyx;

// Sleeps as the real program does and adds up what it was asked to wait.
class CountingPacer final : public device::Pacer {
public:
    void Pause(int ms) override {
        requestedMs += ms;
        inner.Pause(ms);
    }
    device::SteadyPacer inner;
    long requestedMs = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    char tmpl[] = "/tmp/ornyx-bench-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) return 1;
    const std::filesystem::path home = tmpl;
    const auto paths = settings::ProgramPaths::ForHome(home);
    session::InitProgramHome(paths);

    auto mouse = std::make_shared<device::sim::SimMouse>();
    device::sim::SimHidAccess access(mouse);
    NullDebugLog log;
    RecordingMessageSink messages;
    device::Connection connection;
    if (!device::OpenDevice(access, connection, messages, log)) return 1;
    CountingPacer pacer;
    device::Transport transport(connection, pacer, log);
    device::DeviceState state;
    settings::SettingsState settings;
    settings.image = session::DefaultSettingsImage();
    const i18n::TextSettings text = i18n::LoadTextSettings(paths.text);
    session::SensorHandshake(transport, state);

    std::vector<double> ratios;
    double best = 1e9;
    double total = 0;
    for (int i = 0; i < runs; ++i) {
        pacer.requestedMs = 0;
        // Alternate a label so that str.ini is really rewritten each time.
        i18n::TextSettings changed = text;
        changed.labels[0] = "Left Click " + std::to_string(i);
        const auto start = std::chrono::steady_clock::now();
        session::ApplySettings({transport, state, settings, paths, changed, messages, log});
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        const double ratio = took.count() / static_cast<double>(pacer.requestedMs);
        best = std::min(best, ratio);
        total += ratio;
        std::printf("run %2d: %.2f ms for a pacing floor of %ld ms, ratio %.4f\n", i + 1,
                    took.count(), pacer.requestedMs, ratio);
    }
    std::printf("apply: mean ratio to pacing floor %.4f, best %.4f over %d runs (target <= 1.05)\n",
                total / runs, best, runs);
    std::filesystem::remove_all(home);
    return 0;
}
