// The window never loses the files of its home: a config.bin it could not
// load is moved aside before its first save, and it waits for ornyxctl's lock.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif
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

// Whether another process could take the home's exclusive lock now, without
// waiting: a second open file conflicts with the window's own lock.
bool ExclusiveLockIsFree(const fs::path& lockFile) {
#ifdef _WIN32
    HANDLE file = ::CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED at{};
    const bool free =
        ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
    ::CloseHandle(file);
    return free;
#else
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
#endif
}

// Stands for a message box: while it is "open" (during ShowMessage) it looks
// at the home as another program would then find it.
class LookingMessageSink final : public MessageSink {
public:
    explicit LookingMessageSink(fs::path home) : home_(std::move(home)) {}
    void ShowMessage(const std::string& text, const std::string& caption) override {
        Seen seen{text, false, 0, caption};
        seen.lockFree = ExclusiveLockIsFree(home_ / settings::kLockFileName);
        std::error_code ec;
        seen.configSize = fs::file_size(home_ / "config.bin", ec);
        if (ec) seen.configSize = 0;
        messages.push_back(seen);
    }
    struct Seen {
        std::string text;
        bool lockFree;
        std::uintmax_t configSize;
        std::string caption;
    };
    std::vector<Seen> messages;

private:
    fs::path home_;
};

// A home with str.ini and the skins, without config.bin.
void HomeWithoutConfig(const fs::path& home) {
    session::InitProgramHome(settings::ProgramPaths::ForHome(home));
    fs::copy(ORNYX_SKINS_DIR, home / "Skins", fs::copy_options::recursive);
    fs::remove(home / "config.bin");
}

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
    // Loading stays silent, and the file stays as it is until the first save.
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

TEST(WindowFilesTest, AtStartAMissingConfigIsWrittenBeforeTheMessageAndTheLockIsFree) {
    test::TempDir dir;
    HomeWithoutConfig(dir.path());
    AppOptions options;
    options.home = dir.path().string();
    options.simulate = "";
    LookingMessageSink messages(dir.path());
    AppContext context(options, messages);
    CHidMouseDlg window(context, /*tray=*/false);
    // Told when the window starts, not while the settings are loaded.
    EXPECT_TRUE(messages.messages.empty());
    window.Start();

    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Config file is not exist.");
    EXPECT_TRUE(messages.messages[0].lockFree);
    EXPECT_EQ(messages.messages[0].configSize, settings::kConfigFileSize);
    // The settings init writes, not zeros: first-run flag 0 as a new file has.
    EXPECT_EQ(context.settings.image, session::DefaultSettingsImage());
    EXPECT_EQ(context.settings.backup, session::DefaultSettingsImage());
    EXPECT_EQ(context.settings.firstRunFlag, 0);
    EXPECT_EQ(test::ReadBytes(dir / "config.bin")[0], 0);

    // Apply sends them and saves over the new file.
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, Centre(lw::kApplyButton));
    QApplication::processEvents();
    EXPECT_EQ(context.Simulator()->Memory().reportRate,
              session::DefaultSettingsImage().reportRate());
    EXPECT_EQ(test::ReadBytes(dir / "config.bin")[0], 1);
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST(WindowFilesTest, TheSetAsideMessageComesAfterTheNewFileAndWithoutTheLock) {
    test::TempDir dir;
    session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
    fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
    std::vector<std::uint8_t> bad = test::ReadBytes(dir / "config.bin");
    bad.push_back('\n');
    test::WriteBytes(dir / "config.bin", bad);

    AppOptions options;
    options.home = dir.path().string();
    options.simulate = "";
    LookingMessageSink messages(dir.path());
    AppContext context(options, messages);
    CHidMouseDlg window(context, /*tray=*/false);
    window.Start();
    ASSERT_TRUE(messages.messages.empty());
    // What is applied is the defaults, not zeros.
    EXPECT_EQ(context.settings.image, session::DefaultSettingsImage());

    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, Centre(lw::kApplyButton));
    QApplication::processEvents();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("config.bin.bad"), std::string::npos);
    EXPECT_TRUE(messages.messages[0].lockFree);
    EXPECT_EQ(messages.messages[0].configSize, settings::kConfigFileSize);
    EXPECT_EQ(test::ReadBytes(dir / "config.bin.bad"), bad);
    EXPECT_EQ(context.Simulator()->Memory().reportRate,
              session::DefaultSettingsImage().reportRate());
}

// A journal brought in with a copied home is not followed by the window either,
// and the window says so once it has let go of the lock.
TEST(WindowFilesTest, AJournalThatIsNotOursIsSetAsideAndToldAfterTheLockIsFree) {
    test::TempDir dir, outside;
    HomeWithoutConfig(dir.path());
    session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
    test::WriteText(outside / "victim", "victim");
    test::WriteText(dir / ".config.bin.ornyx-Evil01", "payload");
    test::WriteText(dir / settings::kJournalFileName,
                    std::string("ornyx-mouse journal 2\n.config.bin.ornyx-Evil01") + '\0' +
                        (outside / "victim").string() + '\0' + "end\n");
    AppOptions options;
    options.home = dir.path().string();
    options.simulate = "";
    LookingMessageSink messages(dir.path());
    AppContext context(options, messages);
    CHidMouseDlg window(context, /*tray=*/false);
    EXPECT_TRUE(messages.messages.empty());
    window.Start();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find(".ornyx-mouse.journal.bad"), std::string::npos)
        << messages.messages[0].text;
    EXPECT_TRUE(messages.messages[0].lockFree);
    EXPECT_EQ(test::ReadText(outside / "victim"), "victim");
    EXPECT_EQ(test::ReadBytes(dir / "config.bin").size(), settings::kConfigFileSize);
}

}  // namespace
}  // namespace ornyx::app
