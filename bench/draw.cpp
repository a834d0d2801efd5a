// Measures the main window's drawing against what bounds it, as ratios taken
// side by side in one run, so that they hold on a loaded or shared machine:
//   - a full Basic page draw / decoding the same PNG files alone (the skins
//     are read and decoded at every draw, so decoding is the floor);
//   - a hover redraw / one 60 Hz frame;
//   - start-up to a shown window / a minimal Qt Widgets program that shows one
//     labelled window (both run as fresh processes of this same binary).
// Run from the build tree (it uses bin/Skins): build/bin/bench_draw [runs] [skins]
// With a skins folder (a copy of an earlier build's bin/Skins) the page draw is
// also set against decoding that folder's files, the same names: how a change
// of the skin files' encoding moves the draw against a fixed yardstick.
#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "BenchHome.h"
#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "session/Defaults.h"
#include "skin/SkinImage.h"
#include "skin/SkinText.h"

using namespace ornyx;

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

std::vector<QString>& Loaded() {
    static std::vector<QString> paths;
    return paths;
}
void Remember(const QString& path) {
    Loaded().push_back(path);
}

// Child modes: start, show the window, end once it is on screen.
int ShowMainWindow(const char* home) {
    app::AppOptions options;
    options.home = home;
    options.simulate = "";
    options.show = true;
    RecordingMessageSink messages;
    skin::InstallFontSubstitutes();
    app::AppContext context(options, messages);
    app::CHidMouseDlg window(context, /*trayAvailable=*/false);
    window.Start();
    const bool shown = QTest::qWaitForWindowExposed(&window);
    window.Exit();
    return shown ? 0 : 1;
}

int ShowLabel() {
    QLabel label("Ornyx Mouse");
    label.show();
    return QTest::qWaitForWindowExposed(&label) ? 0 : 1;
}

double RunChild(const QStringList& arguments) {
    QElapsedTimer t;
    t.start();
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(30000) || child.exitCode() != 0) return -1;
    return Ms(t);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "--show-window") == 0) return ShowMainWindow(argv[2]);
    if (argc > 1 && std::strcmp(argv[1], "--show-label") == 0) return ShowLabel();

    skin::InstallFontSubstitutes();
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
    const std::filesystem::path home = bench::MakeHome("bench_draw");
    if (home.empty()) return 1;

    app::AppOptions options;
    options.home = home.string();
    options.simulate = "";
    RecordingMessageSink messages;
    app::AppContext context(options, messages);
    app::CHidMouseDlg window(context, /*trayAvailable=*/true);
    window.Start();
    // Hover needs the pointer over a shown window.
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;

    // The files one Basic page draw reads, in order and as often as it reads them.
    window.BuildAdvancedPage();
    skin::SetImageLoadHook(&Remember);
    window.BuildBasicPage();
    skin::SetImageLoadHook(nullptr);
    const std::vector<QString> files = Loaded();
    // The same files in the other skins folder, when one is given.
    std::vector<QString> baseline;
    if (argc > 2) {
        const QString ours = QString::fromStdString((home / "Skins").string());
        for (const QString& file : files) {
            baseline.push_back(QString::fromLocal8Bit(argv[2]) + file.mid(ours.size()));
        }
    }
    const auto decodeAll = [](const std::vector<QString>& paths) {
        QElapsedTimer t;
        t.start();
        for (const QString& file : paths) {
            QImageReader reader(file);
            reader.setAutoTransform(false);
            if (reader.read().isNull()) return -1.0;
        }
        return Ms(t);
    };

    std::vector<double> pages;
    std::vector<double> decodes;
    std::vector<double> baselineDecodes;
    std::vector<double> hovers;
    for (int i = 0; i < runs; ++i) {
        // Page draw and decoding alone take turns, so that both see the same machine.
        window.BuildAdvancedPage();
        QElapsedTimer t;
        t.start();
        window.BuildBasicPage();
        pages.push_back(Ms(t));

        decodes.push_back(decodeAll(files));
        if (decodes.back() < 0) return 1;
        if (!baseline.empty()) {
            baselineDecodes.push_back(decodeAll(baseline));
            if (baselineDecodes.back() < 0) {
                std::fprintf(stderr, "bench_draw: the other skins folder lacks a file\n");
                return 1;
            }
        }

        QTest::mouseMove(&window, QPoint(400, 600));
        t.restart();
        QTest::mouseMove(&window, QPoint(600, 630));  // over OK
        QTest::mouseMove(&window, QPoint(400, 600));  // and back
        hovers.push_back(Ms(t) / 2);
    }

    const int startRuns = std::max(3, runs / 3);
    std::vector<double> starts;
    std::vector<double> labels;
    for (int i = 0; i < startRuns; ++i) {
        const double label = RunChild({"--show-label"});
        const double start = RunChild({"--show-window", QString::fromStdString(home.string())});
        if (label < 0 || start < 0) {
            std::fprintf(stderr, "bench_draw: a child run failed\n");
            return 1;
        }
        labels.push_back(label);
        starts.push_back(start);
    }

    const double page = Median(pages);
    const double decode = Median(decodes);
    const double hover = Median(hovers);
    const double start = Median(starts);
    const double label = Median(labels);
    std::printf(
        "full Basic page draw / decoding its %zu PNG files alone: %.3f  (%.2f ms / %.2f ms)\n",
        files.size(), page / decode, page, decode);
    if (!baselineDecodes.empty()) {
        const double other = Median(baselineDecodes);
        std::printf(
            "full Basic page draw / decoding the other folder's files: %.3f  (%.2f ms / %.2f ms)\n",
            page / other, page, other);
    }
    std::printf(
        "hover redraw / one 60 Hz frame:                        %.3f  (%.3f ms / %.2f ms)\n",
        hover / kFrameMs, hover, kFrameMs);
    std::printf(
        "start-up to a shown window / a labelled Qt window:     %.3f  (%.1f ms / %.1f ms)\n",
        start / label, start, label);
    std::printf("medians of %d draws and %d start-ups\n", runs, startRuns);
    std::filesystem::remove_all(home);
    return 0;
}
