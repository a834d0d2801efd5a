// Runs the real ornyxctl against the simulated mouse and checks its output,
// exit codes, trace and files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/TempDir.h"

namespace {

using ornyx::test::ReadText;
using ornyx::test::TempDir;
using ornyx::test::WriteBytes;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    TempDir dir;

    Result Run(const std::string& args) {
        const auto out = dir / "stdout.txt";
        const auto err = dir / "stderr.txt";
        const std::string command = std::string("cd '") + dir.path().string() + "' && '" +
                                    ORNYXCTL_PATH + "' --home . " + args + " >'" + out.string() +
                                    "' 2>'" + err.string() + "' </dev/null";
        const int status = std::system(command.c_str());
        Result r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        return r;
    }

    std::vector<std::string> TraceLines(const std::string& name) {
        std::vector<std::string> lines;
        std::istringstream in(ReadText(dir / name));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(CliTest, RawReadLeavesFrameAndReplyInTheTrace) {
    const Result r = Run("--simulate --trace t raw 0x83");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = TraceLines("t");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "set-feature 00 83 00 00 00 00 00 00 7c");
    EXPECT_EQ(lines[1].rfind("get-feature 00 83 ", 0), 0u);
    // The reply printed is the one in the trace.
    EXPECT_NE(r.out.find("reply: " + lines[1].substr(15)), std::string::npos) << r.out;
}

TEST_F(CliTest, RawBlockWriteSendsTwoReportsWithPauses) {
    std::string block;
    for (int i = 0; i < 64; ++i) block += "5a";
    const Result r = Run("--simulate --trace t raw 0x12 1 0x40 --block " + block);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string chunk = "write 00";
    for (int i = 0; i < 32; ++i) chunk += " 5a";
    EXPECT_EQ(TraceLines("t"), (std::vector<std::string>{"set-feature 00 12 01 40 00 00 00 00 ac",
                                                         chunk, "sleep 3", chunk, "sleep 3"}));
}

TEST_F(CliTest, RawBlockReadPrintsTheBlock) {
    const Result r = Run("--simulate raw 0x90 1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("reply: 90 01 18"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("block: c0 c1 c2"), std::string::npos) << r.out;
}

TEST_F(CliTest, ShowJsonOfWrongSizedOrMissingConfig) {
    for (std::size_t size : {1985u, 1987u}) {
        WriteBytes(dir / "config.bin", std::vector<std::uint8_t>(size, 0x11));
        const Result r = Run("show --json");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["image_hex"].get<std::string>(), std::string(3970, '0'));
    }
    std::filesystem::remove(dir / "config.bin");
    const Result r = Run("show --json");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "Config file is not exist.\n");
    EXPECT_EQ(nlohmann::json::parse(r.out)["image_hex"].get<std::string>(), std::string(3970, '0'));
}

TEST_F(CliTest, ShowDecodesFields) {
    std::vector<std::uint8_t> file(1986, 0);
    file[0] = 1;
    file[1 + 1925] = 4;              // 250 Hz
    file[1 + 1927 + 1] = 5;          // level 2 step
    file[1 + 1931 + 1] = 1;          // level 2 on
    file[1 + 1938] = 0xFF;           // level 2 red
    file[1 + 192 + 0] = 9;           // Mode B slot 0 function
    file[1 + 384 + 128 * 2] = 3;     // macro slot 3 loop count
    file[1 + 1960] = 1;              // Mode B shown
    WriteBytes(dir / "config.bin", file);
    const Result r = Run("show --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["first_run_flag"], 1);
    EXPECT_EQ(j["report_rate"]["hz"], 250);
    EXPECT_EQ(j["dpi_levels"][1]["step"], 5);
    EXPECT_EQ(j["dpi_levels"][1]["enabled"], true);
    EXPECT_EQ(j["dpi_levels"][1]["colour"], "#ff0000");
    EXPECT_EQ(j["modes"]["B"][0]["function"], 9);
    EXPECT_EQ(j["macro_slots"][2]["loop_count"], 3);
    EXPECT_EQ(j["shown_mode"], "B");
    // The plain text form shows the same without failing.
    const Result text = Run("show");
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("(250 Hz)"), std::string::npos);
}

TEST_F(CliTest, ExitCodesForNoMouseAndUsageErrors) {
    Result r = Run("raw 0x83");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "The system did not detect the gaming mouse!\n");

    for (const char* bad : {"raw 0x100", "raw 0x83 --block 00", "raw 0x12 1 64 --block 0g",
                            "raw 1 2 3 4 5 6 7 8", "--simulate=colour=9 raw 0x83", "frobnicate",
                            ""}) {
        r = Run(bad);
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
    }
    r = Run("raw --help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Examples"), std::string::npos);
}

TEST_F(CliTest, SimulatorSensorOptionReachesTheReply) {
    const Result r = Run("--simulate=sensor=3 raw 0x83");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("reply: 83 03 "), std::string::npos) << r.out;
}

}  // namespace
