// `ornyxctl info` and `ornyxctl listen`.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/CliContext.h"
#include "common/Hex.h"
#include "device/Commands.h"
#include "device/Discovery.h"
#include "device/EventQueue.h"
#include "device/ReportDescriptor.h"
#include "session/Apply.h"
#include "session/MouseConnection.h"

namespace ornyx::cli {

namespace {

using namespace device;

int RunInfo(CliContext& context) {
    if (!context.OpenMouse()) return kNoMouse;
    DeviceLink& link = context.link();
    const Connection& c = link.connection();
    std::printf("mouse %04x:%04x\n", kMouseVendorId, kMouseProductId);
    for (const HidInterfaceInfo& node : link.platformAccess().Enumerate()) {
        if (node.vendorId != kMouseVendorId || node.productId != kMouseProductId) continue;
        std::printf("interface %s (version %04x)\n", node.path.c_str(), node.version);
        std::string unusable;
        for (const TopLevelCollection& col : CollectionsOf(node, unusable)) {
            std::string role;
            if (node.path == c.devicePath && col.usagePage == 0xFF00 && col.usage == 0xFF00) {
                role = "  <- command channel";
            } else if (node.path == c.eventPath && col.usagePage == 0xFF01 && col.usage == 0xFF01) {
                role = "  <- event channel";
            }
            std::string ids;
            for (std::uint8_t id : col.reportIds)
                ids += (ids.empty() ? " report IDs " : ",") + std::to_string(id);
            std::printf(
                "  collection usage page 0x%04x usage 0x%04x: input %u, output %u, feature %u "
                "bytes%s%s\n",
                col.usagePage, col.usage, col.inputReportLength, col.outputReportLength,
                col.featureReportLength, ids.c_str(), role.c_str());
        }
    }
    std::printf("command channel: %s (feature %u, input %u, output %u bytes)\n",
                c.devicePath.c_str(), c.featureReportLength, c.inputReportLength,
                c.outputReportLength);
    std::printf("event channel:   %s\n",
                c.eventRead
                    ? (c.eventPath + " (" + std::to_string(c.eventReportLength) + " bytes)").c_str()
                    : "not found (no notifications from the mouse)");
    // Read only: the sensor settings as the mouse holds them.
    if (const TransferResult read = ReadSensorSettings(link.transport(), link.state());
        !read.ok()) {
        // No reply is no settings: print none rather than zeros.
        if (!context.TraceError().empty()) return kUsage;  // the trace's own message says why
        std::fprintf(stderr, "ornyxctl: reading the sensor settings failed (%s)\n",
                     DescribeTransfer(read).c_str());
        return link.Vanished() ? kNoMouse : kFailure;
    }
    const SensorSettings& s = link.state().sensor;
    std::printf("sensor settings: type %u, rate 0x%02x, option1 0x%02x, option2 0x%02x\n",
                s.sensorType, s.rate, s.option1, s.option2);
    return kOk;
}

struct ListenArgs {
    int count = 0;
    double timeoutSeconds = 0;
    std::vector<std::string> inject;
};

void PrintNotification(const i18n::Notification& n) {
    std::printf("%.*s\t%s\n", static_cast<int>(n.title.size()), n.title.data(), n.text.c_str());
    std::fflush(stdout);
}

int RunListen(CliContext& context, const ListenArgs& args) {
    std::vector<std::vector<std::uint8_t>> injects;
    for (const std::string& hex : args.inject) {
        const auto bytes = ParseHex(hex);
        if (!bytes || bytes->empty() || bytes->size() > 40) {
            throw UsageError{"--inject takes an event report of 1 to 40 bytes in hex, not \"" +
                             hex + "\""};
        }
        injects.push_back(*bytes);
    }
    if (!injects.empty() && !context.options().simulate) {
        throw UsageError{"--inject works only with --simulate"};
    }
    if (args.count < 0 || args.timeoutSeconds < 0)
        throw UsageError{"--count and --timeout must not be negative"};

    context.LoadSettings();
    // Listening may last for hours; it must not keep writers out.
    context.UnlockHome();
    const i18n::Language language = context.text().language;
    const settings::SettingsImage& image = context.settings().image;
    context.CreateLink();
    DeviceLink& link = context.link();
    EventQueue queue;
    session::MouseConnection connection(link, context.messages(),
                                        [&](const DeviceEvent& e) { queue.Push(e); });
    const auto warning =
        session::NotificationForEvent(i18n::kMouseNotDetectedEvent, 0, language, image, 0);
    if (!connection.Open()) {
        PrintNoMouse(!context.options().simulate);
        return kNoMouse;
    }
    context.session().Handshake();
    // The reader is running: injected reports travel the whole path.
    for (const auto& report : injects) context.simulator()->InjectEvent(report);

    std::unique_ptr<DeviceMonitor> monitor = context.CreateMonitor();
    using Clock = std::chrono::steady_clock;
    const bool bounded = args.timeoutSeconds > 0;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(args.timeoutSeconds));
    int shown = 0;
    const auto warn = [&] {
        // A warning, not an event of the mouse: to stderr.
        std::fprintf(stderr, "ornyxctl: %.*s: %s\n", static_cast<int>(warning->title.size()),
                     warning->title.data(), warning->text.c_str());
        ++shown;
    };
    constexpr Clock::time_point kNotSettling = Clock::time_point::max();
    Clock::time_point settleAt = kNotSettling;  // while an arrival settles
    const auto msUntil = [](Clock::time_point t) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
    };
    while (args.count == 0 || shown < args.count) {
        int waitMs = -1;
        if (bounded) {
            if (Clock::now() >= deadline) break;
            waitMs = msUntil(deadline) + 1;
        }
        if (settleAt != kNotSettling)
            waitMs = waitMs < 0 ? msUntil(settleAt) : std::min(waitMs, msUntil(settleAt));
        bool waited = true;
        const EventQueue::Ready ready = queue.Wait(monitor.get(), waitMs, waited);
        if (!waited) break;
        if (ready.monitor) {
            while (auto change = monitor->Receive()) {
                switch (connection.HandleDeviceChange(*change)) {
                    case session::ChangeOutcome::Lost:
                        settleAt = kNotSettling;
                        warn();
                        break;
                    case session::ChangeOutcome::Settling:
                        settleAt = Clock::now() + session::kArrivalSettle;
                        break;
                    case session::ChangeOutcome::Arrived:
                        settleAt = kNotSettling;
                        break;
                    default:
                        break;
                }
            }
        }
        if (settleAt != kNotSettling && Clock::now() >= settleAt) {
            settleAt = kNotSettling;
            if (connection.Settle() == session::ChangeOutcome::Lost) warn();
        }
        for (const DeviceEvent& e : queue.Take()) {
            if (args.count != 0 && shown >= args.count) break;
            const auto n = session::NotificationForEvent(e.code, e.parameter, language, image,
                                                         link.state().sensorTypeInUse);
            if (!n) continue;
            PrintNotification(*n);
            ++shown;
        }
    }
    connection.StopReader();
    return kOk;
}

}  // namespace

Command AddInfoCommand(CLI::App& parent) {
    auto* app =
        parent.add_subcommand("info", "Show the mouse's interfaces, channels and sensor settings");
    app->footer(
        "Reads the sensor settings (command 0x83) and changes nothing.\n"
        "Examples:\n"
        "  ornyxctl info\n"
        "  ornyxctl --simulate info");
    return {app, RunInfo};
}

Command AddListenCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand(
        "listen", "Print the mouse's notifications (report rate, DPI, key matrix, macro key)");
    auto args = std::make_shared<ListenArgs>();
    app->add_option("--count", args->count, "Exit after N notifications")->type_name("N");
    app->add_option("--timeout", args->timeoutSeconds, "Exit after SECONDS")->type_name("SECONDS");
    app->add_option("--inject", args->inject,
                    "With --simulate: an event report in hex for the simulated mouse to send "
                    "(repeatable, sent in order)")
        ->type_name("HEX");
    app->footer(
        "Each notification is one line: the title, a tab, the text, in the language of str.ini.\n"
        "Examples:\n"
        "  ornyxctl listen --timeout 60\n"
        "  ornyxctl --simulate listen --count 2 --inject 06050002 --inject 06090000 --inject "
        "0609000c");
    return {app, [args](CliContext& context) { return RunListen(context, *args); }};
}

}  // namespace ornyx::cli
