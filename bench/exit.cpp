// Measures how long the window takes to end: from Exit() until the window and
// its context are gone (the event reader stopped and joined, the mouse closed),
// with the simulated mouse idle and with events arriving all the time. Each
// run is a fresh window; the figure is the median.
//
// Then the reader's stop alone, side by side in alternating runs: the
// cancellable hand-over the window uses against the former way (a blocking
// queued call per event, stopped by serving the event loop in a 1 ms sleep
// loop until the reader ends), as a ratio that holds on a loaded machine.
// Run from the build tree (it uses bin/Skins): build/bin/bench_exit [runs]
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "BenchHome.h"
#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "common/HandOver.h"
#include "device/sim/SimMouse.h"
#include "session/Defaults.h"
#include "session/MouseConnection.h"

using namespace ornyx;

namespace {

// The value below which the given share of the runs fall.
double Quantile(std::vector<double> v, double share) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1,
                      static_cast<std::size_t>(share * static_cast<double>(v.size())))];
}

struct Times {
    double exit = 0;  // Exit() alone: the reader stopped, the mouse closed
    double gone = 0;  // and the window destroyed
};

// One window from start to end.
Times OneExit(const std::filesystem::path& home, bool busy) {
    app::AppOptions options;
    options.home = home.string();
    options.simulate = "";
    RecordingMessageSink messages;
    auto context = std::make_unique<app::AppContext>(options, messages);
    auto window = std::make_unique<app::CHidMouseDlg>(*context, /*trayAvailable=*/true);
    window->Start();
    // Exit is mostly chosen with the window open.
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) return {-1, -1};

    // A stream of events that are only notes (report-rate switches), so that
    // the reader is usually in the middle of a hand-over when the stop comes.
    std::atomic<bool> stop{false};
    std::thread injector;
    if (busy) {
        injector = std::thread([&] {
            const std::uint8_t report[] = {6, 5, 0, 2, 0, 0, 0, 0};
            while (!stop) {
                context->Simulator()->InjectEvent(report);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    QElapsedTimer t;
    t.start();
    window->Exit();
    Times times;
    times.exit = static_cast<double>(t.nsecsElapsed()) / 1e6;
    window.reset();
    times.gone = static_cast<double>(t.nsecsElapsed()) / 1e6;
    stop = true;
    if (injector.joinable()) injector.join();
    context.reset();
    return times;
}

// Injects report-rate events every millisecond while it lives.
class Injector {
public:
    explicit Injector(std::shared_ptr<device::sim::SimMouse> mouse)
        : thread_([this, mouse] {
              const std::uint8_t report[] = {6, 5, 0, 2, 0, 0, 0, 0};
              while (!stop_) {
                  mouse->InjectEvent(report);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~Injector() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// One reader on the simulated mouse handing its events to this thread, the
// old way or the new; returns the milliseconds its stop took.
double OneStop(bool handOver, bool busy) {
    auto mouse = std::make_shared<device::sim::SimMouse>();
    NullDebugLog log;
    RecordingMessageSink messages;
    device::DeviceLink link(std::make_unique<device::sim::SimHidAccess>(mouse), nullptr, log);
    QObject receiver;
    int events = 0;
    HandOver over([&receiver](HandOver::Task task) {
        QMetaObject::invokeMethod(&receiver, std::move(task), Qt::QueuedConnection);
    });
    session::MouseConnection connection(link, messages, [&](const device::DeviceEvent&) {
        if (handOver) {
            over.Run([&events] { ++events; });
        } else {
            QMetaObject::invokeMethod(
                &receiver, [&events] { ++events; }, Qt::BlockingQueuedConnection);
        }
    });
    if (!connection.Open()) return -1;
    std::unique_ptr<Injector> injector;
    if (busy) {
        injector = std::make_unique<Injector>(mouse);
        for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    QElapsedTimer t;
    t.start();
    if (handOver) {
        over.Cancel();
    } else {
        connection.reader().RequestStop();
        while (!connection.reader().finished()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
    }
    connection.StopReader();
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    injector.reset();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 21;
    const std::filesystem::path home = bench::MakeHome("bench_exit");
    if (home.empty()) return 1;

    for (bool busy : {false, true}) {
        std::vector<double> exits;
        std::vector<double> gone;
        for (int i = 0; i < runs; ++i) {
            const Times t = OneExit(home, busy);
            if (t.exit < 0) return 1;
            exits.push_back(t.exit);
            gone.push_back(t.gone);
        }
        std::printf(
            "%s, %d runs: Exit() median %.2f ms, 90%% %.2f ms, max %.2f ms; "
            "to the window gone median %.2f ms, 90%% %.2f ms, max %.2f ms\n",
            busy ? "events arriving" : "idle", runs, Quantile(exits, 0.5), Quantile(exits, 0.9),
            Quantile(exits, 1), Quantile(gone, 0.5), Quantile(gone, 0.9), Quantile(gone, 1));
    }
    std::error_code ec;
    std::filesystem::remove_all(home, ec);

    for (bool busy : {false, true}) {
        std::vector<double> before;
        std::vector<double> after;
        for (int i = 0; i < runs; ++i) {
            before.push_back(OneStop(false, busy));
            after.push_back(OneStop(true, busy));
        }
        if (Quantile(before, 0) < 0 || Quantile(after, 0) < 0) return 1;
        std::printf(
            "reader stop, %s, %d runs each: sleep loop median %.3f ms (90%% %.3f); "
            "hand-over median %.3f ms (90%% %.3f); ratio of medians %.1f\n",
            busy ? "events arriving" : "idle", runs, Quantile(before, 0.5), Quantile(before, 0.9),
            Quantile(after, 0.5), Quantile(after, 0.9),
            Quantile(before, 0.5) / Quantile(after, 0.5));
    }
    return 0;
}
