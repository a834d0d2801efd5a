// Measures the main window's drawing against a 16.7 ms frame: a full Basic
// page draw, a hover redraw, and the start-up up to a ready tray icon.
// Run from the build tree (it uses bin/Skins): build/bin/bench_draw [runs]
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "settings/Defaults.h"
#include "skin/SkinText.h"

using namespace ornyx;

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    skin::InstallFontSubstitutes();
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;

    char tmpl[] = "/tmp/ornyx-bench-draw-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) return 1;
    const std::filesystem::path home = tmpl;
    settings::InitProgramHome(settings::ProgramPaths::ForHome(home));
    const auto skins = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "Skins";
    std::error_code ec;
    std::filesystem::copy(skins, home / "Skins", std::filesystem::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "bench_draw: no skins beside the program (%s)\n", ec.message().c_str());
        return 1;
    }

    app::AppOptions options;
    options.home = home.string();
    options.simulate = "";
    RecordingMessageSink messages;

    std::vector<double> startups;
    std::vector<double> pages;
    std::vector<double> hovers;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        app::AppContext context(options, messages);
        app::CHidMouseDlg window(context, /*trayAvailable=*/true);
        window.Start();
        startups.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);

        // A full page: switch away and back so the Basic page is drawn anew.
        window.BuildAdvancedPage();
        t.restart();
        window.BuildBasicPage();
        pages.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);

        QTest::mouseMove(&window, QPoint(400, 600));
        t.restart();
        QTest::mouseMove(&window, QPoint(600, 630));  // over OK
        QTest::mouseMove(&window, QPoint(400, 600));  // and back
        hovers.push_back(static_cast<double>(t.nsecsElapsed()) / 2e6);
    }
    const double page = Median(pages);
    const double hover = Median(hovers);
    const double startup = Median(startups);
    std::printf("full Basic page draw: %.2f ms, %.3f of a 16.7 ms frame\n", page, page / kFrameMs);
    std::printf("hover redraw:         %.3f ms, %.4f of a 16.7 ms frame\n", hover, hover / kFrameMs);
    std::printf("start-up to tray:     %.2f ms, %.3f of a 16.7 ms frame (median of %d runs)\n", startup,
                startup / kFrameMs, runs);
    std::filesystem::remove_all(home);
    return 0;
}
