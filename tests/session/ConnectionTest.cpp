#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "device/sim/SimMouse.h"
#include "performance/Dpi.h"
#include "session/Apply.h"
#include "session/Defaults.h"
#include "session/MouseConnection.h"
#include "support/DeviceFixture.h"
#include "support/TempDir.h"

namespace ornyx::session {
namespace {

using namespace device;
using sim::SimHidAccess;
using sim::SimMouse;
using namespace std::chrono_literals;

// Collects the events the reader hands over, from the reader thread.
struct EventLog {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<DeviceEvent> events;

    void Push(const DeviceEvent& e) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            events.push_back(e);
        }
        arrived.notify_all();
    }
    // Waits until `n` events have arrived; false after a generous time-out.
    bool WaitFor(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, 5s, [&] { return events.size() >= n; });
    }
    std::size_t size() {
        std::lock_guard<std::mutex> lock(mutex);
        return events.size();
    }
};

struct Rig {
    explicit Rig(const sim::SimOptions& options = {})
        : mouse(std::make_shared<SimMouse>(options)),
          link(std::make_unique<SimHidAccess>(mouse), &trace, log),
          monitor(mouse),
          connection(link, messages, [this](const DeviceEvent& e) { events.Push(e); }) {}

    // Hands every waiting announcement to the connection, as the GUI's notifier does.
    std::vector<ChangeOutcome> Pump() {
        std::vector<ChangeOutcome> outcomes;
        while (auto change = monitor.Receive())
            outcomes.push_back(connection.HandleDeviceChange(*change));
        return outcomes;
    }
    void Inject(std::uint8_t code, std::uint8_t parameter) {
        const std::uint8_t report[] = {6, code, 0, parameter, 0, 0, 0, 0};
        mouse->InjectEvent(report);
    }

    std::shared_ptr<SimMouse> mouse;
    test::MemoryTrace trace;
    NullDebugLog log;
    RecordingMessageSink messages;
    DeviceLink link;
    sim::SimDeviceMonitor monitor;
    EventLog events;
    MouseConnection connection;
};

TEST(EventReaderTest, DecodeAcceptsOnlyKnownEventsWithReportIdSix) {
    DeviceEvent e;
    const std::vector<std::uint8_t> ok = {6, 7, 0, 2};
    ASSERT_TRUE(EventReader::Decode(ok, e));
    EXPECT_EQ(e.code, 7);
    EXPECT_EQ(e.parameter, 2);
    for (const std::vector<std::uint8_t>& bad : std::vector<std::vector<std::uint8_t>>{
             {5, 7, 0, 2}, {6, 6, 0, 1}, {6, 15, 0, 0}, {6, 5, 0}, {}}) {
        EXPECT_FALSE(EventReader::Decode(bad, e));
    }
}

TEST(NotificationTest, EventsBecomeTheirTextsWithDpiLabels) {
    settings::SettingsImage image;
    image.dpiStep(2) = 3;
    const auto rate = NotificationForEvent(5, 2, i18n::Language::English, image, 0);
    ASSERT_TRUE(rate);
    EXPECT_EQ(rate->title, "Info");
    EXPECT_EQ(rate->text, "Switch report rate into 500HZ");
    EXPECT_EQ(rate->timeoutMs, 5000);
    EXPECT_FALSE(NotificationForEvent(5, 3, i18n::Language::English, image, 0));
    EXPECT_FALSE(NotificationForEvent(9, 0, i18n::Language::English, image, 0));
    EXPECT_EQ(NotificationForEvent(9, 12, i18n::Language::English, image, 0)->text,
              "Switch to macro key12");
    // The label of the step at offset 1928 in the list of the sensor type in use.
    EXPECT_EQ(NotificationForEvent(7, 2, i18n::Language::English, image, 0)->text,
              "Switch DPI into the second stage 1000");
    EXPECT_EQ(NotificationForEvent(7, 2, i18n::Language::English, image, 1)->text,
              "Switch DPI into the second stage " + std::string(performance::DpiLabel(1, 3)));
    EXPECT_EQ(NotificationForEvent(7, 2, i18n::Language::English, image, 9)->text,
              "Switch DPI into the second stage ");
    EXPECT_FALSE(NotificationForEvent(7, 5, i18n::Language::English, image, 0));
    const auto warning = NotificationForEvent(15, 0, i18n::Language::Turkish, image, 0);
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->title, "Warning");
    EXPECT_EQ(warning->timeoutMs, 100);
}

TEST(MouseConnectionTest, EventsArriveInEitherCollectionOrder) {
    for (bool commandFirst : {false, true}) {
        Rig rig({.commandFirst = commandFirst});
        ASSERT_TRUE(rig.connection.Open());
        rig.Inject(5, 1);
        rig.Inject(8, 2);
        ASSERT_TRUE(rig.events.WaitFor(2)) << "commandFirst=" << commandFirst;
        EXPECT_EQ(rig.events.events[0].code, 5);
        EXPECT_EQ(rig.events.events[1].parameter, 2);
    }
}

// --simulate=events=...: the notifications wait for the program that opens
// the mouse, in order; a bad list is refused whole, with what it takes.
TEST(MouseConnectionTest, SimulatedStartEventsArriveOnceOpened) {
    std::string error;
    const auto options = sim::SimOptions::Parse("sensor=1,events=7.2+5.1+9.12", error);
    ASSERT_TRUE(options) << error;
    Rig rig(*options);
    ASSERT_TRUE(rig.connection.Open());
    ASSERT_TRUE(rig.events.WaitFor(3));
    EXPECT_EQ(rig.events.events[0].code, 7);
    EXPECT_EQ(rig.events.events[0].parameter, 2);
    EXPECT_EQ(rig.events.events[2].code, 9);
    EXPECT_EQ(rig.events.events[2].parameter, 12);
    std::string many = "1.1";
    for (int i = 0; i < 64; ++i) many += "+1.1";
    for (const std::string& bad :
         std::vector<std::string>{"events=", "events=7", "events=7.", "events=.2", "events=7.2+",
                                  "events=256.1", "events=7.-1", "events=7.2 ", "events=" + many}) {
        error.clear();
        EXPECT_FALSE(sim::SimOptions::Parse(bad, error)) << bad;
        EXPECT_NE(error.find("events= takes"), std::string::npos) << bad << ": " << error;
    }
}

TEST(MouseConnectionTest, UnplugWarnsOnceAndReplugReconnectsWithHandshake) {
    Rig rig;
    ASSERT_TRUE(rig.connection.Open());
    rig.mouse->Unplug();
    const auto gone = rig.Pump();
    EXPECT_EQ(gone, (std::vector<ChangeOutcome>{ChangeOutcome::Lost, ChangeOutcome::Absent,
                                                ChangeOutcome::Absent}));
    EXPECT_FALSE(rig.connection.present());

    rig.trace.lines.clear();
    rig.mouse->Replug();
    const auto back = rig.Pump();
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(back[0], ChangeOutcome::Arrived);
    EXPECT_TRUE(rig.connection.present());
    // Each arrival answers with the sensor handshake.
    const auto codes = rig.trace.CommandCodes();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], 0x83);
    EXPECT_EQ(codes[1], 0x03);
    rig.Inject(9, 3);
    ASSERT_TRUE(rig.events.WaitFor(1));
    EXPECT_EQ(rig.events.events[0].parameter, 3);
}

// A node of the mouse may be announced before the search can find both
// channels: that is no warning yet, only once the settle finds nothing.
TEST(MouseConnectionTest, AnArrivalSettlesBeforeItWarns) {
    Rig rig;
    rig.mouse->Unplug();
    while (rig.monitor.Receive()) {
    }
    EXPECT_FALSE(rig.connection.Open());
    const DeviceChange early{DeviceChange::Action::Added, "/dev/hidraw7", device::kMouseVendorId,
                             device::kMouseProductId};
    EXPECT_EQ(rig.connection.HandleDeviceChange(early), ChangeOutcome::Settling);
    EXPECT_EQ(rig.connection.Settle(), ChangeOutcome::Lost);  // nothing came after it

    EXPECT_EQ(rig.connection.HandleDeviceChange(early), ChangeOutcome::Settling);
    rig.mouse->Replug();
    while (rig.monitor.Receive()) {
    }
    rig.trace.lines.clear();
    EXPECT_EQ(rig.connection.Settle(), ChangeOutcome::Arrived);
    EXPECT_EQ(rig.trace.CommandCodes().front(), 0x83);  // the handshake of an arrival
    EXPECT_EQ(rig.connection.Settle(), ChangeOutcome::StillPresent);
    rig.Inject(7, 1);
    EXPECT_TRUE(rig.events.WaitFor(1));
}

TEST(MouseConnectionTest, MouseAbsentAtStartIsFoundOnArrival) {
    Rig rig;
    rig.mouse->Unplug();
    while (rig.monitor.Receive()) {
    }
    EXPECT_FALSE(rig.connection.Open());
    rig.mouse->Replug();
    EXPECT_EQ(rig.Pump().front(), ChangeOutcome::Arrived);
    rig.Inject(7, 1);
    EXPECT_TRUE(rig.events.WaitFor(1));
}

TEST(MouseConnectionTest, ForeignDevicesAndPartialRemovalsChangeNothing) {
    Rig rig;
    ASSERT_TRUE(rig.connection.Open());
    DeviceChange other{DeviceChange::Action::Added, "/dev/hidraw9", 0x046D, 0xC077};
    EXPECT_EQ(rig.connection.HandleDeviceChange(other), ChangeOutcome::Ignored);
    // One node of the mouse went, the others are still listed: still present, no warning.
    DeviceChange removed{DeviceChange::Action::Removed, SimHidAccess::kMousePath, 0, 0};
    EXPECT_EQ(rig.connection.HandleDeviceChange(removed), ChangeOutcome::StillPresent);
    EXPECT_TRUE(rig.connection.present());
    rig.Inject(8, 1);
    EXPECT_TRUE(rig.events.WaitFor(1));
}

TEST(MouseConnectionTest, ReplugStressLosesNoEventAndNeverDeadlocks) {
    Rig rig;
    ASSERT_TRUE(rig.connection.Open());
    std::size_t expected = 0;
    for (int cycle = 0; cycle < 300; ++cycle) {
        rig.mouse->Unplug();
        rig.Pump();
        rig.mouse->Replug();
        rig.Pump();
        ASSERT_TRUE(rig.connection.present()) << cycle;
        // Events sent after the reconnect must all arrive.
        rig.Inject(5, 1);
        rig.Inject(9, static_cast<std::uint8_t>(cycle % 200 + 1));
        expected += 2;
        ASSERT_TRUE(rig.events.WaitFor(expected)) << "cycle " << cycle << ": " << rig.events.size();
    }
    EXPECT_EQ(rig.events.size(), expected);
}

TEST(SimFaultTest, FaultyMiceNeverHangOrCorrupt) {
    struct Case {
        sim::SimOptions options;
        const char* name;
    };
    const Case cases[] = {{{.fault = sim::SimFault::Silent}, "silent"},
                          {{.fault = sim::SimFault::Bogus}, "bogus"},
                          {{.vanishAfterFrames = 20}, "vanish"}};
    for (const Case& c : cases) {
        test::TempDir dir;
        Rig rig(c.options);
        ASSERT_TRUE(rig.connection.Open()) << c.name;
        const auto paths = settings::ProgramPaths::ForHome(dir.path());
        session::InitProgramHome(paths);
        settings::SettingsState state;
        state.image = session::DefaultSettingsImage();
        const auto text = i18n::LoadTextSettings(paths.text);
        const auto start = std::chrono::steady_clock::now();
        const device::TransferResult handshake =
            session::SensorHandshake(rig.link.transport(), rig.link.state());
        const session::ApplyResult applied = session::ApplySettings(
            {rig.link.transport(), rig.link.state(), state, paths, text, rig.messages, rig.log});
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << c.name;
        // Each fault is reported, by the handshake or by the apply.
        EXPECT_FALSE(handshake.ok() && applied.ok()) << c.name;
        // config.bin is saved whatever happened on the wire.
        EXPECT_EQ(test::ReadBytes(paths.config)[0], 1) << c.name;
        if (c.options.fault == sim::SimFault::Silent) {
            EXPECT_EQ(rig.link.state().sensor.sensorType, 0);
            EXPECT_EQ(rig.link.state().transferBuffer[0], (std::array<std::uint8_t, 128>{}));
        }
        if (c.options.vanishAfterFrames > 0) {
            EXPECT_FALSE(rig.mouse->plugged());
        }
    }
}

}  // namespace
}  // namespace ornyx::session
