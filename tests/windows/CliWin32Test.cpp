// What ornyxctl.exe tells a user on Windows when it cannot reach the mouse.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

namespace ornyx {
namespace {

using test::Process;
using test::ReadText;
using test::TempDir;

// Wine's prefix here has no such mouse, so every command that needs it finds none.
TEST(CliWin32Test, NoMouseHintsSpeakOfWindowsNotOfUdev) {
    TempDir dir;
    const std::filesystem::path log = dir / "log.txt";
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", test::PathArgument(dir.path())});
        Process child(ORNYXCTL_PATH, args, {{}, log, log});
        return child.WaitFor(std::chrono::minutes(1)).value_or(-1000);
    };
    ASSERT_EQ(run({"init"}), 0) << ReadText(log);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"raw", "0x83"}, std::vector<std::string>{"info"},
          std::vector<std::string>{"listen", "--count", "1", "--timeout", "1"}}) {
        SCOPED_TRACE(args.front());
        const int code = run(args);
        const std::string err = ReadText(log);
        EXPECT_EQ(code, 3) << err;
        EXPECT_NE(err.find("The system did not detect the gaming mouse!"), std::string::npos)
            << err;
        EXPECT_EQ(err.find("udev"), std::string::npos) << err;
        EXPECT_NE(err.find("another USB port"), std::string::npos) << err;
        EXPECT_NE(err.find("--simulate"), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace ornyx
