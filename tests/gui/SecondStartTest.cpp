// Two real ornyx-mouse processes: a second start must bring the running
// instance's window forward and end, never leave the user without a window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <filesystem>

#include "common/BuildInfo.h"
#include "session/Defaults.h"
#include "settings/ProgramHome.h"
#include "support/TempDir.h"

namespace ornyx {
namespace {

namespace fs = std::filesystem;

struct Instance {
    QProcess process;
    QByteArray err;

    bool WaitFor(const QByteArray& text, int ms = 20000) {
        QElapsedTimer timer;
        timer.start();
        while (!err.contains(text)) {
            if (timer.elapsed() > ms || process.state() == QProcess::NotRunning) {
                err += process.readAllStandardError();
                return err.contains(text);
            }
            process.waitForReadyRead(50);
            err += process.readAllStandardError();
        }
        return true;
    }
};

class SecondStartTest : public ::testing::Test {
protected:
    test::TempDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString home;

    void SetUp() override {
        const fs::path h = dir.path() / "home";
        session::InitProgramHome(settings::ProgramPaths::ForHome(h));
        fs::copy(ORNYX_SKINS_DIR, h / "Skins", fs::copy_options::recursive);
        home = QString::fromStdString(h.string());
        const fs::path runtime = dir.path() / "run";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");  // no tray there
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ornyx-tests");
        env.insert("GSETTINGS_BACKEND", "memory");
    }

    void Start(Instance& instance, QStringList args) {
        instance.process.setProcessEnvironment(env);
        args << "--home" << home << "--simulate";
        instance.process.start(ORNYX_MOUSE_PATH, args);
        ASSERT_TRUE(instance.process.waitForStarted(10000));
    }

    // Runs a second start to its end; returns its exit code.
    int SecondStart(QByteArray* err = nullptr) {
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(ORNYX_MOUSE_PATH, {"--home", home, "--simulate"});
        if (!second.waitForFinished(15000)) {
            second.kill();
            second.waitForFinished();
            return -1;
        }
        if (err) *err = second.readAllStandardError();
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }

    void TearDown() override {}
};

TEST_F(SecondStartTest, ShowsTheHiddenWindowOfTheRunningInstanceAndEnds) {
    Instance first;
    Start(first, {"--hidden", "--verbose"});
    ASSERT_TRUE(first.WaitFor("program home")) << first.err.constData();
    // The socket is there once the window is up.
    const fs::path socket = dir.path() / "run" / (std::string(kAppId) + ".socket");
    QElapsedTimer timer;
    timer.start();
    while (!fs::exists(socket) && timer.elapsed() < 20000) QTest::qWait(20);
    ASSERT_TRUE(fs::exists(socket));
    EXPECT_FALSE(first.err.contains("activated")) << "hidden start showed the window";

    QByteArray err;
    EXPECT_EQ(SecondStart(&err), 0) << err.constData();
    EXPECT_TRUE(first.WaitFor("activated: the window is shown")) << first.err.constData();
    EXPECT_EQ(first.process.state(), QProcess::Running);

    // Every further start does the same.
    first.err.clear();
    EXPECT_EQ(SecondStart(), 0);
    EXPECT_TRUE(first.WaitFor("activated: the window is shown")) << first.err.constData();

    // Once the first has gone (even killed), a new start is the first again
    // and answers the next one, over the stale socket left behind.
    first.process.kill();
    first.process.waitForFinished(10000);
    Instance again;
    Start(again, {"--hidden", "--verbose"});
    ASSERT_TRUE(again.WaitFor("program home")) << again.err.constData();
    timer.restart();
    int code = -1;
    // The new instance may not listen yet; the second start waits for it.
    code = SecondStart(&err);
    EXPECT_EQ(code, 0) << err.constData();
    EXPECT_TRUE(again.WaitFor("activated: the window is shown")) << again.err.constData();
    again.process.kill();
    again.process.waitForFinished(10000);
}

}  // namespace
}  // namespace ornyx
