// Two real ornyx-mouse processes: a second start must bring the running
// instance's window forward and end, never leave the user without a window.
// Which lock and socket a start trusts is checked against folders and a
// process of another user (nobody), which needs root to set up.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/SingleInstance.h"
#include "common/BuildInfo.h"
#include "session/Defaults.h"
#include "settings/ProgramHome.h"
#include "support/TempDir.h"

namespace ornyx {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// Root can hand files and processes to another user; anyone else cannot
// build these cases.
bool CanActAsAnotherUser(std::string& why) {
    if (::geteuid() == 0) return true;
    why = "only root can hand files and processes to another user";
    return false;
}

#define REQUIRE_ANOTHER_USER()                               \
    do {                                                     \
        std::string why;                                     \
        if (!CanActAsAnotherUser(why)) {                     \
            if (std::getenv("CI") != nullptr) FAIL() << why; \
            GTEST_SKIP() << why;                             \
        }                                                    \
    } while (false)

// A folder shared with another user, as /tmp is: theirs, writable by all.
// The folders above it must let that user through.
void MakeSharedFolder(const fs::path& top, const fs::path& folder) {
    fs::permissions(top, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(folder);
    ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
}

// Another user's process that holds the lock in `folder` and answers every
// request on the socket there with "ok", as a running instance would. What
// it is sent comes back through a pipe.
class OtherUsersInstance {
public:
    explicit OtherUsersInstance(const fs::path& folder) {
        // Everything the child needs is made before the fork: after it, only
        // plain system calls.
        const std::string lock = (folder / "Z93Mutex").string();
        const std::string socket = (folder / (std::string(kAppId) + ".socket")).string();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (socket.size() >= sizeof(address.sun_path)) return;
        std::memcpy(address.sun_path, socket.c_str(), socket.size());
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int out = fds[1];
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(1);
            }
            const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(2);
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ::unlink(socket.c_str());
            if (server < 0 ||
                ::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
                ::chmod(socket.c_str(), 0777) != 0 || ::listen(server, 8) != 0) {
                ::_exit(3);
            }
            if (::write(out, "R", 1) != 1) ::_exit(4);
            for (;;) {
                const int client = ::accept(server, nullptr, nullptr);
                if (client < 0) continue;
                char buffer[4096];
                const ssize_t n = ::read(client, buffer, sizeof(buffer));
                if (n > 0 && ::write(out, buffer, static_cast<std::size_t>(n)) != n) ::_exit(5);
                // The peer may have gone already; that is its business.
                ::send(client, "ok\n", 3, MSG_NOSIGNAL);
                ::close(client);
            }
        }
        ::close(fds[1]);
        out_ = fds[0];
        char ready = 0;
        pollfd p{out_, POLLIN, 0};
        ready_ = ::poll(&p, 1, 10000) == 1 && ::read(out_, &ready, 1) == 1 && ready == 'R';
    }

    ~OtherUsersInstance() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    OtherUsersInstance(const OtherUsersInstance&) = delete;
    OtherUsersInstance& operator=(const OtherUsersInstance&) = delete;

    bool Ready() const { return ready_; }

    // What it was sent so far, waiting up to `ms` for the first bytes.
    std::string Received(int ms) {
        std::string text;
        pollfd p{out_, POLLIN, 0};
        while (::poll(&p, 1, text.empty() ? ms : 100) == 1) {
            char buffer[256];
            const ssize_t n = ::read(out_, buffer, sizeof(buffer));
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool ready_ = false;
};

// The lock and the socket of one start, in the test's own process: a lock
// taken twice through two opens conflicts as between two processes.
class SingleInstanceTest : public ::testing::Test {
protected:
    test::TempDir dir;
    QString fallback = QString::fromStdString((dir / "private").string());
    QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");

    void TearDown() override {
        if (savedRuntime.isNull()) {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
        }
    }

    void UseRuntime(const fs::path& folder) {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder.string()));
    }

    // One start takes the lock in the private fallback folder, the next one
    // finds it held and is sent to that start's socket.
    void ExpectTheFallbackFolderServes() {
        app::SingleInstance first(fallback);
        app::SingleInstance second(fallback);
        EXPECT_TRUE(first.Acquired());
        EXPECT_FALSE(second.Acquired()) << "every start would open another instance";
        EXPECT_EQ(first.LockPath().toStdString(), (fallback + "/Z93Mutex").toStdString());
        EXPECT_EQ(second.SocketPath().toStdString(), first.SocketPath().toStdString());
        EXPECT_TRUE(second.SocketPath().startsWith(fallback + "/"));
        struct stat st {};
        ASSERT_EQ(::lstat(fallback.toLocal8Bit().constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
};

TEST_F(SingleInstanceTest, ARuntimeFolderThatCannotHoldTheLockGivesWayToAPrivateFolder) {
    {
        SCOPED_TRACE("not writable");
        UseRuntime("/proc");
        ExpectTheFallbackFolderServes();
    }
    {
        SCOPED_TRACE("the lock's name taken by a folder");
        const fs::path runtime = dir / "run";
        fs::create_directories(runtime / "Z93Mutex");
        fs::permissions(runtime, fs::perms::owner_all);
        UseRuntime(runtime);
        ExpectTheFallbackFolderServes();
    }
    {
        SCOPED_TRACE("writable by everyone");
        const fs::path runtime = dir / "open";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::all);
        UseRuntime(runtime);
        ExpectTheFallbackFolderServes();
        EXPECT_FALSE(fs::exists(runtime / "Z93Mutex"));
    }
}

TEST_F(SingleInstanceTest, ALockHeldInAFolderSharedWithAnotherUserIsNotOurs) {
    REQUIRE_ANOTHER_USER();
    const fs::path shared = dir / "shared";
    MakeSharedFolder(dir.path(), shared);
    const fs::path lock = shared / "Z93Mutex";
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fchown(fd, kNobody, kNobody), 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    UseRuntime(shared);
    ExpectTheFallbackFolderServes();
    ::close(fd);

    // Nor a lock file of theirs in a folder of ours.
    const fs::path runtime = dir / "run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const int theirs = ::open((runtime / "Z93Mutex").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(theirs, 0);
    ASSERT_EQ(::fchown(theirs, kNobody, kNobody), 0);
    ASSERT_EQ(::flock(theirs, LOCK_EX | LOCK_NB), 0);
    UseRuntime(runtime);
    ExpectTheFallbackFolderServes();
    ::close(theirs);
}

// With no folder fit for the lock the program still starts, but it never
// writes into a folder someone else could have prepared.
TEST_F(SingleInstanceTest, AFallbackFolderThatIsNotPrivateIsNotUsed) {
    UseRuntime("/proc");
    const std::string path = fallback.toStdString();
    {
        SCOPED_TRACE("writable by everyone");
        fs::create_directories(path);
        fs::permissions(path, fs::perms::all);
        app::SingleInstance instance(fallback);
        EXPECT_TRUE(instance.Acquired());
        EXPECT_TRUE(instance.LockPath().isEmpty()) << instance.LockPath().toStdString();
        EXPECT_TRUE(instance.SocketPath().isEmpty());
        EXPECT_FALSE(fs::exists(fs::path(path) / "Z93Mutex"));
        fs::remove_all(path);
    }
    {
        SCOPED_TRACE("a link");
        const fs::path target = dir / "elsewhere";
        fs::create_directories(target);
        fs::permissions(target, fs::perms::owner_all);
        fs::create_directory_symlink(target, path);
        app::SingleInstance instance(fallback);
        EXPECT_TRUE(instance.Acquired());
        EXPECT_TRUE(instance.LockPath().isEmpty()) << instance.LockPath().toStdString();
        EXPECT_FALSE(fs::exists(target / "Z93Mutex"));
        fs::remove(path);
    }
    {
        SCOPED_TRACE("a file");
        test::WriteText(path, "x");
        app::SingleInstance instance(fallback);
        EXPECT_TRUE(instance.Acquired());
        EXPECT_TRUE(instance.LockPath().isEmpty()) << instance.LockPath().toStdString();
        fs::remove(path);
    }
}

TEST_F(SingleInstanceTest, AnotherUsersFolderIsNotUsedAsTheFallback) {
    REQUIRE_ANOTHER_USER();
    UseRuntime("/proc");
    const std::string path = fallback.toStdString();
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_all);
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    app::SingleInstance instance(fallback);
    EXPECT_TRUE(instance.Acquired());
    EXPECT_TRUE(instance.LockPath().isEmpty()) << instance.LockPath().toStdString();
    EXPECT_FALSE(fs::exists(fs::path(path) / "Z93Mutex"));
}

// Another user's process answering on a socket where ours would be gets
// neither the request nor the desktop's activation token, and the start is
// not told that an instance was reached.
TEST_F(SingleInstanceTest, ActivationIsNeverHandedToAnotherUsersProcess) {
    REQUIRE_ANOTHER_USER();
    const fs::path shared = dir / "shared";
    MakeSharedFolder(dir.path(), shared);
    OtherUsersInstance other(shared);
    ASSERT_TRUE(other.Ready());
    const QString socket =
        QString::fromStdString((shared / (std::string(kAppId) + ".socket")).string());
    QString error;
    EXPECT_FALSE(app::ActivateRunningInstance(socket, "token-of-this-desktop", 500, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(other.Received(300), "");

    // Nor when the socket file is ours but their process listens on it.
    ASSERT_EQ(::lchown(socket.toLocal8Bit().constData(), ::geteuid(), ::getegid()), 0);
    error.clear();
    EXPECT_FALSE(app::ActivateRunningInstance(socket, "token-of-this-desktop", 500, error));
    EXPECT_TRUE(error.contains("not of this user")) << error.toStdString();
    EXPECT_EQ(other.Received(300), "");
}

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
        // The private fallback folder is made under the temp folder.
        fs::create_directories(dir / "tmp");
        env.insert("TMPDIR", QString::fromStdString((dir / "tmp").string()));
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

// A runtime folder shared with another user whose process holds the lock
// there and answers "ok": the start trusts neither, opens as the first
// instance in its private folder and keeps the desktop's token to itself.
TEST_F(SecondStartTest, AnotherUsersInstanceInASharedRuntimeFolderIsNotReached) {
    REQUIRE_ANOTHER_USER();
    const fs::path shared = dir.path() / "shared";
    MakeSharedFolder(dir.path(), shared);
    OtherUsersInstance other(shared);
    ASSERT_TRUE(other.Ready());
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(shared.string()));
    env.insert("XDG_ACTIVATION_TOKEN", "token-of-this-desktop");

    Instance first;
    Start(first, {"--hidden", "--verbose"});
    EXPECT_TRUE(first.WaitFor("program home")) << first.err.constData();
    EXPECT_EQ(first.process.state(), QProcess::Running) << "the start did not open";
    const fs::path socket = dir.path() / "tmp" / ("ornyx-mouse-" + std::to_string(::geteuid())) /
                            (std::string(kAppId) + ".socket");
    QElapsedTimer timer;
    timer.start();
    while (!fs::exists(socket) && timer.elapsed() < 20000) QTest::qWait(20);
    EXPECT_TRUE(fs::exists(socket));
    EXPECT_EQ(other.Received(200), "");

    // The next start finds this one in the same private folder.
    QByteArray err;
    EXPECT_EQ(SecondStart(&err), 0) << err.constData();
    EXPECT_TRUE(first.WaitFor("activated: the window is shown")) << first.err.constData();
    EXPECT_EQ(other.Received(200), "");
    first.process.kill();
    first.process.waitForFinished(10000);
}

}  // namespace
}  // namespace ornyx
