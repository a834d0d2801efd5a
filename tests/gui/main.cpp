// Runs the GUI tests offscreen in one QApplication; the tests drive real
// widgets with QTest's mouse and key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include "skin/SkinText.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A window that reaches the desktop's pointer settings (OK and Apply do)
    // gets gio's in-memory store, never the user's; the pointer tests bring
    // their own store.
    qputenv("GSETTINGS_BACKEND", "memory");
    // Nor do the tests' notifications reach the user's desktop.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ornyx-tests");
    QApplication app(argc, argv);
#ifdef _WIN32
    // The Windows build's skins lie beside the suite (ORNYX_SKINS_DIR is relative).
    QDir::setCurrent(QCoreApplication::applicationDirPath());
#endif
    ornyx::skin::InstallFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
