// The program home on Windows: the lock through LockFileEx against another
// handle and another process, and homes named in forms only Windows has.
#include <windows.h>

#include <aclapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "settings/HomeFiles.h"
#include "settings/HomeLock.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "windows/LongPaths.h"

namespace ornyx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using settings::HomeLock;
using test::Process;
using test::ReadText;
using test::TempDir;
using test::WriteText;

bool Take(HomeLock& lock, const fs::path& home, HomeLock::Mode mode,
          std::chrono::milliseconds timeout = 100ms) {
    std::string error;
    return lock.Acquire(home, mode, timeout, error);
}

// ornyxctl.exe --home HOME ARGS..., its output in `log`.
int Ornyxctl(const fs::path& home, std::vector<std::string> args, const fs::path& log) {
    args.insert(args.begin(), {"--home", test::PathArgument(home)});
    Process child(ORNYXCTL_PATH, args, {{}, log, log});
    return child.WaitFor(std::chrono::minutes(1)).value_or(-1000);
}

TEST(HomeLockWin32Test, HandlesOfOneProcessShareReadingAndExcludeWriting) {
    TempDir dir;
    HomeLock writer, reader, other;
    ASSERT_TRUE(Take(writer, dir.path(), HomeLock::Mode::Exclusive));
    EXPECT_FALSE(Take(reader, dir.path(), HomeLock::Mode::Shared));
    EXPECT_FALSE(Take(other, dir.path(), HomeLock::Mode::Exclusive));
    writer.Release();

    // A reader that took the lock alone (to tidy up) keeps only a shared one:
    // another reader comes in, a writer does not.
    ASSERT_TRUE(Take(reader, dir.path(), HomeLock::Mode::Shared));
    EXPECT_TRUE(Take(other, dir.path(), HomeLock::Mode::Shared));
    EXPECT_FALSE(Take(writer, dir.path(), HomeLock::Mode::Exclusive));
    other.Release();
    EXPECT_FALSE(Take(writer, dir.path(), HomeLock::Mode::Exclusive));

    // The writer waiting for the last reader gets in once it leaves.
    std::thread leave([&] {
        std::this_thread::sleep_for(200ms);
        reader.Release();
    });
    EXPECT_TRUE(Take(writer, dir.path(), HomeLock::Mode::Exclusive, 5s));
    leave.join();
}

// Another process at the lock: a writer waits for a reader, and gives up with
// a message, changing nothing, when the lock is never let go.
TEST(HomeLockWin32Test, AnotherProcessWaitsForTheLockAndGivesUpWithoutChangingAnything) {
    TempDir dir;
    const fs::path home = dir / "home";
    const fs::path log = dir / "log.txt";
    ASSERT_EQ(Ornyxctl(home, {"init"}, log), 0) << ReadText(log);
    const std::string config = ReadText(home / "config.bin");

    HomeLock held;
    ASSERT_TRUE(Take(held, home, HomeLock::Mode::Shared));
    {
        Process pack(ORNYXCTL_PATH, {"--home", test::PathArgument(home), "macro", "pack"},
                     {{}, log, log});
        EXPECT_FALSE(pack.WaitFor(500ms)) << "did not wait: " << ReadText(log);
        EXPECT_EQ(ReadText(home / "config.bin"), config);
        held.Release();
        EXPECT_EQ(pack.WaitFor(30s).value_or(-1000), 0) << ReadText(log);
    }
    // A reader alongside a reader does not wait.
    ASSERT_TRUE(Take(held, home, HomeLock::Mode::Shared));
    EXPECT_EQ(Ornyxctl(home, {"show"}, log), 0) << ReadText(log);
    held.Release();

    // Held for good: the writer gives up after its wait.
    ASSERT_TRUE(Take(held, home, HomeLock::Mode::Exclusive));
    const std::string packed = ReadText(home / "config.bin");
    EXPECT_EQ(Ornyxctl(home, {"macro", "pack"}, log), 1);
    EXPECT_NE(ReadText(log).find("another program is changing the files"), std::string::npos)
        << ReadText(log);
    EXPECT_EQ(ReadText(home / "config.bin"), packed);
}

// A home past MAX_PATH, given as is and with the \\?\ prefix: ornyxctl makes
// it, writes it, and clears the temporary files a killed save left there.
TEST(HomeWin32Test, AHomePastMaxPathWorksAsGivenAndWithThePrefix) {
    TempDir dir;
    fs::path deep = dir.path();
    for (const char letter : {'a', 'b', 'c', 'd'}) deep /= std::string(70, letter);
    const fs::path log = dir / "log.txt";
    for (const fs::path& home : {deep / "plain", fs::path(LR"(\\?\)" + deep.native()) / "prefix"}) {
        SCOPED_TRACE(home.string());
        const fs::path real = deep / home.filename();
        ASSERT_EQ(Ornyxctl(home, {"init"}, log), 0) << ReadText(log);
        EXPECT_EQ(ReadText(real / "config.bin").size(), 1986u);
        WriteText(real / ".config.bin.ornyx-K1ll3d", "partial");
        ASSERT_EQ(Ornyxctl(home, {"macro", "pack"}, log), 0) << ReadText(log);
        EXPECT_FALSE(fs::exists(real / ".config.bin.ornyx-K1ll3d"));
        ASSERT_EQ(Ornyxctl(home, {"show"}, log), 0) << ReadText(log);
        EXPECT_NE(ReadText(log).find(home.filename().string()), std::string::npos) << ReadText(log);
    }
    test::RemoveTree(dir.path() / std::string(70, 'a'));
}

// A file is the user's when its owner is the user (or, for an elevated
// administrator, the Administrators group); another owner's is not, so a
// journal cannot make us rename it.
TEST(HomeFilesWin32Test, OnlyAFileTheUserOwnsCountsAsTheirs) {
    TempDir dir;
    const fs::path file = dir / ".config.bin.ornyx-Ab12Cd";
    WriteText(file, "staged");
    EXPECT_TRUE(settings::homefiles::OwnedByUser(file));
    EXPECT_FALSE(settings::homefiles::OwnedByUser(dir.path()));
    EXPECT_FALSE(settings::homefiles::OwnedByUser(dir / "missing"));

    // Given to the system account: where the system keeps that owner (Windows,
    // with the privilege to give files away) the file is no longer ours; Wine
    // accepts the call but keeps the user as the owner. Either way the answer
    // must follow the owner the system reports.
    std::uint8_t system[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof system;
    ASSERT_TRUE(::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size));
    std::wstring name = file.native();
    ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, system,
                            nullptr, nullptr, nullptr);
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                      &owner, nullptr, nullptr, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    const bool givenAway = ::EqualSid(owner, system) != 0;
    ::LocalFree(descriptor);
    std::cout << "the system " << (givenAway ? "gave the file away" : "kept the user as owner")
              << "\n";
    EXPECT_EQ(settings::homefiles::OwnedByUser(file), !givenAway);
}

// Without --home the program's folder is the home when it holds the skins and
// can be written; else %APPDATA%\Ornyx Mouse; and show says which.
TEST(ProgramHomeWin32Test, TheProgramFolderWithSkinsElseTheRoamingFolderAndHomeWins) {
    TempDir dir;
    const fs::path program = dir / "Ornyx";
    const fs::path roaming = dir / "Roaming";
    const fs::path perUser = roaming / "Ornyx Mouse";
    const fs::path log = dir / "log.txt";
    fs::create_directories(program);
    fs::create_directories(roaming);
    fs::copy_file(test::BesideTests(ORNYXCTL_PATH), program / "ornyxctl.exe");
    // The child inherits the variable; ours is put back afterwards.
    std::wstring saved(32768, L'\0');
    saved.resize(::GetEnvironmentVariableW(L"APPDATA", saved.data(), 32768));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"APPDATA", roaming.c_str()));
    const auto run = [&](std::vector<std::string> args) {
        Process child(program / "ornyxctl.exe", args, {{}, log, log});
        return child.WaitFor(std::chrono::minutes(1)).value_or(-1000);
    };

    // Installed: no skins beside the program.
    EXPECT_EQ(run({"init"}), 0) << ReadText(log);
    EXPECT_EQ(ReadText(perUser / "config.bin").size(), 1986u);
    EXPECT_FALSE(fs::exists(program / "config.bin"));
    EXPECT_EQ(run({"show"}), 0) << ReadText(log);
    EXPECT_NE(ReadText(log).find("program home:   " + perUser.string()), std::string::npos)
        << ReadText(log);

    // Portable: the skins beside it, and the folder can be written.
    fs::create_directories(program / "Skins");
    EXPECT_EQ(run({"init"}), 0) << ReadText(log);
    EXPECT_EQ(ReadText(program / "config.bin").size(), 1986u);
    EXPECT_EQ(run({"show"}), 0) << ReadText(log);
    EXPECT_NE(ReadText(log).find("program home:   " + program.string()), std::string::npos)
        << ReadText(log);

    // --home wins over both.
    EXPECT_EQ(run({"--home", test::PathArgument(dir / "mine"), "init"}), 0) << ReadText(log);
    EXPECT_EQ(ReadText(dir / "mine" / "config.bin").size(), 1986u);

    ::SetEnvironmentVariableW(L"APPDATA", saved.empty() ? nullptr : saved.c_str());
}

}  // namespace
}  // namespace ornyx
