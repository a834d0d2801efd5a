// Inputs beyond what the files can carry: import refuses what would not read
// back, export refuses what import would refuse, and oversized files are
// refused before they are read.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/RunOrnyxctl.h"
#include "support/TempDir.h"

namespace {

using ornyx::test::ReadText;
using ornyx::test::TempDir;
using ornyx::test::WriteText;

using Result = ornyx::test::CliResult;

class BoundsTest : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override { ASSERT_EQ(Run("init").exitCode, 0); }

    Result Run(const std::string& args) { return ornyx::test::RunOrnyxctl(dir, args); }
    nlohmann::json Export() {
        const Result r = Run("export -");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? nlohmann::json::parse(r.out) : nlohmann::json{};
    }
    std::string Home() {
        return ReadText(dir / "config.bin") + ReadText(dir / "str.ini") +
               ReadText(dir / "record.ini");
    }
};

TEST_F(BoundsTest, ImportRefusesWhatCannotBeReadBack) {
    const nlohmann::json good = Export();
    const std::string before = Home();
    struct Case {
        nlohmann::json macro;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{{"name", "Big"},
          {"loop_times", "1"},
          {"items", std::vector<std::string>(8000, "A   Dn")}},
         "macros[0].items: at most 1024 items"},
        {{{"name", "Q"}, {"loop_times", "1"}, {"items", {"A   Dn", "'50 ms'"}}},
         "macros[0].items[1]:"},
        {{{"name", "L"},
          {"loop_times", std::string(2000, '1')},
          {"items", nlohmann::json::array()}},
         "macros[0].loop_times:"},
    };
    for (const Case& c : cases) {
        nlohmann::json p = good;
        p["macros"] = {c.macro};
        WriteText(dir / "in.json", p.dump());
        const Result r = Run("import in.json");
        EXPECT_EQ(r.exitCode, 1) << c.expected;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
        EXPECT_EQ(Home(), before);
    }
    // At the limit it goes in and comes out whole.
    nlohmann::json p = good;
    p["macros"] = {{{"name", "Full"},
                    {"loop_times", "1"},
                    {"items", std::vector<std::string>(1024, "A   Dn")}}};
    WriteText(dir / "in.json", p.dump());
    ASSERT_EQ(Run("import in.json").exitCode, 0);
    EXPECT_EQ(Export()["macros"], p["macros"]);
}

TEST_F(BoundsTest, ExportRefusesWhatItsImportWouldRefuse) {
    for (const std::string& name : {std::string("[x]"), std::string(40, 'n')}) {
        WriteText(dir / "record.ini", "[Fine]\r\nItemCount=0\r\n[" + name + "]\r\nItemCount=0\r\n");
        const Result r = Run("export out.json");
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_NE(r.err.find("cannot be carried by a profile"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.json"));
    }
    // What it writes, its import takes.
    WriteText(dir / "record.ini",
              "[Fine]\r\nMacroLoopTimes='2'\r\nItemCount=2\r\nItem0=\"A   Dn\"\r\nItem1=x\r\n");
    ASSERT_EQ(Run("export out.json").exitCode, 0);
    const Result r = Run("import out.json");
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(BoundsTest, OversizedFilesAreRefusedBeforeTheyAreRead) {
    WriteText(dir / "record.ini", "[A]\r\nItemCount=0\r\n");
    std::filesystem::resize_file(dir / "record.ini", 17u << 20);
    Result r = Run("macro list");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("larger than 16 MiB"), std::string::npos) << r.err;
    EXPECT_EQ(Run("export -").exitCode, 1);
    std::filesystem::remove(dir / "record.ini");

    // A profile home whose config.bin is a gigabyte: import refuses it unread.
    const nlohmann::json p = Export();
    WriteText(dir / "in.json", p.dump());
    std::filesystem::resize_file(dir / "config.bin", 1ull << 30);
    r = Run("import in.json");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("config.bin"), std::string::npos) << r.err;
    EXPECT_EQ(std::filesystem::file_size(dir / "config.bin"), 1ull << 30);
}

// Export and pack take nothing for a file they could not read: no default labels
// in a profile, no "packed 0 macros" with success.
TEST_F(BoundsTest, ExportAndPackRefuseHomeFilesTheyCannotRead) {
    std::filesystem::resize_file(dir / "str.ini", 17u << 20);
    Result r = Run("export out.json");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("str.ini is larger than 16 MiB"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("cut"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.json"));
    std::filesystem::remove(dir / "str.ini");
    std::filesystem::create_directory(dir / "str.ini");
    r = Run("export out.json");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("str.ini"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.json"));
    std::filesystem::remove(dir / "str.ini");
    // No str.ini at all is a home that has none yet, as before.
    EXPECT_EQ(Run("export out.json").exitCode, 0);

    WriteText(dir / "record.ini", "[A]\r\nMacroLoopTimes=3\r\nItemCount=1\r\nItem0=A   Dn\r\n");
    ASSERT_EQ(Run("macro pack").exitCode, 0);
    const std::string config = ReadText(dir / "config.bin");
    std::filesystem::resize_file(dir / "record.ini", 17u << 20);
    r = Run("macro pack");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("record.ini is larger than 16 MiB"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("packed"), std::string::npos) << r.out;
    std::filesystem::remove(dir / "record.ini");
    std::filesystem::create_directory(dir / "record.ini");
    r = Run("macro pack");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("record.ini"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(dir / "config.bin"), config);
}

}  // namespace
