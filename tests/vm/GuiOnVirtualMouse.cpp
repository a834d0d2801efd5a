// Run inside the test machine only: the desktop program's window, offscreen,
// on the real hidraw nodes of ornyx-virtual-mouse. It must find the mouse,
// run the handshake, and on Apply send, transfer for transfer, what
// `ornyxctl --simulate apply` sends for the same home.
#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "common/MessageSink.h"
#include "skin/SkinText.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "FAIL: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* home = std::getenv("ORNYX_VM_HOME");
    const char* expectedTrace = std::getenv("ORNYX_VM_SIM_TRACE");
    if (home == nullptr || expectedTrace == nullptr) {
        return Fail(
            "set ORNYX_VM_HOME (a program home) and ORNYX_VM_SIM_TRACE (the simulator's apply "
            "trace)");
    }
    QApplication application(argc, argv);
    ornyx::app::AppOptions options;
    options.home = home;
    options.trace = std::string(home) + "/gui-trace.txt";
    ornyx::RecordingMessageSink messages;
    ornyx::app::AppContext context(options, messages);
    ornyx::app::CHidMouseDlg window(context, /*tray=*/false);
    window.Start();
    if (!window.isVisible()) return Fail("the window did not show: no mouse found?");
    if (window.CurrentPage() != ornyx::app::CHidMouseDlg::kBasicPage)
        return Fail("the Basic page was not built");
    if (Lines(*options.trace).empty()) return Fail("no handshake with the mouse at start");

    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier,
                      ornyx::skin::ToQRect(ornyx::layout::window::kApplyButton).center());  // Apply
    QApplication::processEvents();
    window.Exit();

    const auto got = Lines(*options.trace);
    const auto want = Lines(expectedTrace);
    for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
        const std::string g = i < got.size() ? got[i] : "(nothing)";
        const std::string w = i < want.size() ? want[i] : "(nothing)";
        if (g != w) {
            return Fail("transfer " + std::to_string(i + 1) + ": sent \"" + g +
                        "\", the simulator sent \"" + w + "\" (" + std::to_string(got.size()) +
                        " and " + std::to_string(want.size()) + " transfers)");
        }
    }
    std::printf("the window's handshake and Apply: %zu transfers, as the simulator's\n",
                got.size());
    for (const auto& m : messages.messages) std::printf("message: %s\n", m.text.c_str());
    return 0;
}
