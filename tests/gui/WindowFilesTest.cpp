// The window never loses the files of its home: a config.bin it could not
// load is moved aside before its first save, and it waits for ornyxctl's lock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "gui/LayoutPoints.h"
#include "session/Defaults.h"
#include "settings/Configuration.h"
#include "settings/HomeLock.h"
#include "support/TempDir.h"

namespace ornyx::app {
namespace {

namespace fs = std::filesystem;

TEST(WindowFilesTest, AConfigItCouldNotLoadIsMovedAsideBeforeTheFirstSave) {
    test::TempDir dir;
    session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
    fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
    std::vector<std::uint8_t> bad = test::ReadBytes(dir / "config.bin");
    bad.push_back('\n');
    test::WriteBytes(dir / "config.bin", bad);

    AppOptions options;
    options.home = dir.path().string();
    options.simulate = "";
    RecordingMessageSink messages;
    AppContext context(options, messages);
    CHidMouseDlg window(context, /*tray=*/false);
    window.Start();
    // Loading stays as it was: silent, an all-zero image.
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(test::ReadBytes(dir / "config.bin"), bad);

    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, Centre(lw::kApplyButton));  // Apply
    QApplication::processEvents();
    EXPECT_EQ(test::ReadBytes(dir / "config.bin.bad"), bad);
    EXPECT_EQ(test::ReadBytes(dir / "config.bin").size(), settings::kConfigFileSize);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("config.bin.bad"), std::string::npos);

    // Saves after that replace the now good file; nothing more is moved.
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, Centre(lw::kApplyButton));
    QApplication::processEvents();
    EXPECT_FALSE(fs::exists(dir / "config.bin.bad.1"));
    EXPECT_EQ(messages.messages.size(), 1u);

    // The window holds the home's lock only while it saves.
    settings::HomeLock lock;
    std::string error;
    EXPECT_TRUE(lock.Acquire(dir.path(), settings::HomeLock::Mode::Exclusive,
                             std::chrono::milliseconds(100), error))
        << error;
}

}  // namespace
}  // namespace ornyx::app
