// Runs the real ornyxctl against the simulated mouse and checks its output,
// exit codes, trace and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/RunOrnyxctl.h"
#include "support/TempDir.h"

namespace {

using ornyx::test::ReadText;
using ornyx::test::TempDir;
using ornyx::test::WriteBytes;

using Result = ornyx::test::CliResult;

class CliTest : public ::testing::Test {
protected:
    TempDir dir;

    Result Run(const std::string& args) { return ornyx::test::RunOrnyxctl(dir, args); }

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
    // The home "." as the system writes its paths.
    const std::string config = (std::filesystem::path(".") / "config.bin").string();
    for (std::size_t size : {1985u, 1987u}) {
        WriteBytes(dir / "config.bin", std::vector<std::uint8_t>(size, 0x11));
        const Result r = Run("show --raw --json");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        // The image shown is not the file's: said on stderr, JSON intact on stdout.
        EXPECT_EQ(r.err, "ornyxctl: warning: " + config +
                             " cannot be read as a settings file; showing an all-zero image\n");
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["image_hex"].get<std::string>(), std::string(3970, '0'));
    }
    std::filesystem::remove(dir / "config.bin");
    const Result r = Run("show --raw --json");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ornyxctl: " + config + ": Config file is not exist.\n");
    EXPECT_EQ(nlohmann::json::parse(r.out)["image_hex"].get<std::string>(), std::string(3970, '0'));
}

TEST_F(CliTest, ShowDecodesFields) {
    std::vector<std::uint8_t> file(1986, 0);
    file[0] = 1;
    file[1 + 1925] = 4;           // 250 Hz
    file[1 + 1927 + 1] = 5;       // level 2 step
    file[1 + 1931 + 1] = 1;       // level 2 on
    file[1 + 1938] = 0xFF;        // level 2 red
    file[1 + 192 + 0] = 9;        // Mode B slot 0 function
    file[1 + 384 + 128 * 2] = 3;  // macro slot 3 loop count
    file[1 + 1960] = 1;           // Mode B shown
    WriteBytes(dir / "config.bin", file);
    const Result r = Run("show --raw --json");
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
    const Result text = Run("show --raw");
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("(250 Hz)"), std::string::npos);

    // The readable form names what the numbers mean, as export does.
    const Result readable = Run("show");
    ASSERT_EQ(readable.exitCode, 0) << readable.err;
    EXPECT_NE(readable.out.find("report rate:    250 Hz"), std::string::npos) << readable.out;
    EXPECT_NE(readable.out.find("colour #ff0000"), std::string::npos) << readable.out;
    EXPECT_NE(readable.out.find("DPI, on"), std::string::npos) << readable.out;
    EXPECT_EQ(readable.out.find("func  mm-idx"), std::string::npos)
        << "raw columns in the readable form";
}

// The mouse has six buttons; the readable form does not list six more that
// press nothing, but shows a slot without a button that holds something.
TEST_F(CliTest, ShowListsTheButtonsTheMouseHas) {
    ASSERT_EQ(Run("init").exitCode, 0);
    Result r = Run("show");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("   6  DPI Switch"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("   7  Key Off"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Key Off  "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("6 more slots without a button on the mouse"), std::string::npos) << r.out;

    std::vector<std::uint8_t> file = ornyx::test::ReadBytes(dir / "config.bin");
    file[1 + 8] = 1;  // Mode A slot 8 (button 9): Right Click
    WriteBytes(dir / "config.bin", file);
    r = Run("show");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("   9  Right Click"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(no such button on the mouse)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("5 more slots without"), std::string::npos) << r.out;

    // The raw form and JSON keep all twelve.
    r = Run("show --raw");
    EXPECT_NE(r.out.find("\n    11 "), std::string::npos) << r.out;
    r = Run("show --json");
    EXPECT_EQ(nlohmann::json::parse(r.out)["buttons"]["B"].size(), 12u);
}

TEST_F(CliTest, ShowJsonAndExportShareTheirKeys) {
    ASSERT_EQ(Run("init").exitCode, 0);
    const Result shown = Run("show --json");
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const Result exported = Run("export -");
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const auto a = nlohmann::json::parse(shown.out);
    const auto b = nlohmann::json::parse(exported.out);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(a["buttons"]["A"][0]["function"].is_string());
    EXPECT_TRUE(a["lighting"]["mode"].is_string());
}

TEST_F(CliTest, VersionAndErrorLinesNameTheProgram) {
    Result r = Run("--version");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("ornyxctl ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find('.'), std::string::npos) << r.out;

    r = Run("bogus");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("unknown command 'bogus'"), std::string::npos) << r.err;

    // Every line of every error is marked as ornyxctl's.
    for (const char* args : {"bogus", "raw 0x100", "show --nope", "", "raw 0x83", "--home"}) {
        r = Run(args);
        ASSERT_FALSE(r.err.empty()) << args;
        std::istringstream lines(r.err);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_EQ(line.rfind("ornyxctl: ", 0), 0u) << args << ": " << line;
        }
    }
}

TEST_F(CliTest, ExitCodesForNoMouseAndUsageErrors) {
    Result r = Run("raw 0x83");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind("ornyxctl: The system did not detect the gaming mouse!\n", 0), 0u)
        << r.err;
    // The real mouse's absence comes with what to try; what the system's own
    // hint says is checked per system (CliPosixTest, CliWin32Test).
    EXPECT_NE(r.err.find("--simulate"), std::string::npos) << r.err;

    for (const char* bad :
         {"raw 0x100", "raw 0x83 --block 00", "raw 0x12 1 64 --block 0g", "raw 1 2 3 4 5 6 7 8",
          "--simulate=colour=9 raw 0x83", "frobnicate", ""}) {
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

// ---- Profiles and macros ---------------------------------------------------------

class ProfileCliTest : public CliTest {
protected:
    void SetUp() override { ASSERT_EQ(Run("init").exitCode, 0); }

    nlohmann::json Export() {
        const Result r = Run("export -");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }
    Result Import(const nlohmann::json& profile) {
        ornyx::test::WriteText(dir / "in.json", profile.dump(1));
        return Run("import in.json");
    }
    struct Files {
        std::string config, text, record;
        bool operator==(const Files&) const = default;
    };
    Files Snapshot() {
        return {ReadText(dir / "config.bin"), ReadText(dir / "str.ini"),
                ReadText(dir / "record.ini")};
    }
};

TEST_F(ProfileCliTest, ExportThenImportReproducesEveryFile) {
    // A home the program has written: edited labels, colours, reserved bytes and
    // macros (one with a non-ASCII name), all through import.
    nlohmann::json p = Export();
    p["buttons"]["B"][2]["label"] = "Grenade";
    p["dpi"]["levels"][1]["colour"] = "#123456";
    p["macros"] = {
        {{"name", "Burst"}, {"loop_times", "3"}, {"items", {"A   Dn", "50 ms", "A   Up"}}},
        {{"name", "Sprünge"}, {"loop_times", "1"}, {"items", {"Space   Dn", "Space   Up"}}}};
    ASSERT_EQ(Import(p).exitCode, 0);
    ASSERT_EQ(Run("macro pack").exitCode, 0);
    const Files original = Snapshot();
    const nlohmann::json exported = Export();
    ornyx::test::WriteText(dir / "saved.json", exported.dump(2));

    // Everything changed or gone, then the import of the saved profile.
    std::vector<std::uint8_t> other(1986, 0x5A);
    WriteBytes(dir / "config.bin", other);
    std::filesystem::remove(dir / "record.ini");
    nlohmann::json scrambled = exported;
    scrambled["buttons"]["A"][0]["label"] = "x";
    scrambled["macros"] = {{{"name", "Other"}, {"loop_times", "9"}, {"items", {"B   Dn"}}}};
    ASSERT_EQ(Import(scrambled).exitCode, 0);
    ASSERT_NE(Snapshot(), original);

    const Result r = Run("import saved.json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Snapshot(), original);
    EXPECT_NE(original.record.find("[Sprünge]\r\n"), std::string::npos);
    EXPECT_EQ(Export(), exported);
}

// Files as a Windows installation leaves them: every encoding and line-end
// style comes back from export and import byte for byte, and export names what
// a profile cannot carry instead of dropping it silently.
TEST_F(ProfileCliTest, WindowsFilesOfEveryEncodingSurviveExportAndImport) {
    auto utf16 = [](std::u16string_view s) {
        std::string out = "\xFF\xFE";
        for (const char16_t u : s) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        }
        return out;
    };
    struct Home {
        const char* style;
        std::string text, record;
    };
    const std::vector<Home> homes = {
        {"UTF-8, CR only", "[Skins]\rLan=EN\r[Setting-EN]\rItem1=Left Click\rItem2=\"quoted\"\r",
         "[Burst]\rMacroLoopTimes=3\rItemCount=3\rItem0=A   Dn\rItem1=50 ms\rItem2=A   Up\r[Zwei]\r"
         "MacroLoopTimes=1\rItemCount=0\r"},
        {"UTF-8 with BOM, LF, no final line end",
         "\xEF\xBB\xBF[Skins]\nLan=CHT\n[Setting-CHT]\nItem1=左鍵",
         "\xEF\xBB\xBF[巨集]\nMacroLoopTimes=2\nItemCount=1\nItem0=B   Dn"},
        {"UTF-16LE, CRLF",
         utf16(u"[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=左键\r\nItem13=右键\r\n"),
         utf16(u"[宏]\r\nMacroLoopTimes=1\r\nItemCount=2\r\nItem0=A   Dn\r\nItem1=A   Up\r\n")},
        {"GBK, CRLF", "[Skins]\r\nLan=CHS\r\nPath=\r\n[Setting-CHS]\r\nItem1=\xD7\xF3\xBC\xFC\r\n",
         "[\xBA\xEA]\r\nMacroLoopTimes = 5\r\nItemCount=1\r\nItem0=C   Dn\r\n"},
        {"Turkish 1254, CR only",
         "[Skins]\rLan=TUR\r[Setting-TUR]\rItem1=Sol t\xFDk\rItem6=\xDDptal\r",
         "[Sald\xFDr\xFD]\rMacroLoopTimes=1\rItemCount=1\rItem0=D   Dn\r"},
    };
    for (const Home& home : homes) {
        SCOPED_TRACE(home.style);
        ornyx::test::WriteText(dir / "str.ini", home.text);
        ornyx::test::WriteText(dir / "record.ini", home.record);
        const Files before = Snapshot();
        Result r = Run("export p.json");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");  // nothing here that a profile cannot carry
        r = Run("import p.json");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Snapshot(), before);
    }

    // The labels reach the profile as text, whatever the file's encoding.
    ornyx::test::WriteText(dir / "str.ini", homes[3].text);
    const nlohmann::json p = Export();
    EXPECT_EQ(p["buttons"]["A"][0]["label"], "左键");

    // What the profile cannot carry is named; the file still keeps its bytes.
    ornyx::test::WriteText(
        dir / "record.ini",
        "; made by hand\r\n[M]\r\nItemCount=2x\r\nItem0=A   Dn\r\nItem1=A   Up\r\n"
        "Item7=stale\r\nNote=mine\r\n[m]\r\nItemCount=0\r\n");
    const Files before = Snapshot();
    Result r = Run("export p.json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* note :
         {"the lines before the first macro", "ItemCount \"2x\", carried as 2",
          "the line \"Item7\"", "the line \"Note\"", "the second block of macro \"m\""}) {
        EXPECT_NE(r.err.find(note), std::string::npos) << note << " in " << r.err;
    }
    r = Run("import p.json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string expected = before.record;
    expected.replace(expected.find("ItemCount=2x"), 12, "ItemCount=2");  // as announced
    EXPECT_EQ(Snapshot().record, expected);
}

// A GBK str.ini with one sequence the code page rejects: the import of one
// changed label rewrites that label's line and leaves every other byte alone.
TEST_F(ProfileCliTest, OneChangedLabelOfAGbkFileWithAnUnreadableLineChangesOnlyItsLine) {
    std::string text =
        "[Skins]\r\nLan=CHS\r\nPath=\r\n[Setting-CHS]\r\nItem1=\xD7\xF3\xBC\xFC\r\n"
        "Item2=\xD3\xD2\xBC\xFC\r\nItem3=\xAA\xA1\xFF\r\nItem4=\xC7\xB0\xBD\xF8\r\n";
    for (int i = 5; i <= 12; ++i) text += "Item" + std::to_string(i) + "=\xD7\xF3\r\n";
    for (int i = 1; i <= 12; ++i) text += "Item" + std::to_string(i) + "3=\xD3\xD2\r\n";
    ornyx::test::WriteText(dir / "str.ini", text);
    nlohmann::json p = Export();
    EXPECT_EQ(p["buttons"]["A"][0]["label"], "左键");
    EXPECT_EQ(p["buttons"]["A"][3]["label"], "前进");
    p["buttons"]["A"][1]["label"] = "中键";
    const Result r = Import(p);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string expected = text;
    expected.replace(expected.find("Item2=") + 6, 4, "\xD6\xD0\xBC\xFC");
    EXPECT_EQ(ReadText(dir / "str.ini"), expected);
}

// Files in UTF-16 without BOM, little- and big-endian: import reads their
// language and macros and writes them back in the same encoding, never with
// 8-bit lines appended.
TEST_F(ProfileCliTest, ImportKeepsUtf16FilesWithoutBomInTheirByteOrder) {
    auto utf16 = [](std::u16string_view s, bool bigEndian) {
        std::string out;
        for (const char16_t u : s) {
            const char lo = static_cast<char>(u & 0xFF);
            const char hi = static_cast<char>(u >> 8);
            out += bigEndian ? hi : lo;
            out += bigEndian ? lo : hi;
        }
        return out;
    };
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        std::u16string text = u"[Skins]\r\nLan=CHS\r\nPath=\r\n[Setting-CHS]\r\n";
        for (int i = 1; i <= 12; ++i) {
            const std::string n = std::to_string(i);
            text += u"Item" + std::u16string(n.begin(), n.end()) + u"=左键\r\n";
            text += u"Item" + std::u16string(n.begin(), n.end()) + u"3=左键\r\n";
        }
        const std::u16string record =
            u"[宏]\r\nMacroLoopTimes=1\r\nItemCount=1\r\nItem0=A   Dn\r\n";
        ornyx::test::WriteText(dir / "str.ini", utf16(text, bigEndian));
        ornyx::test::WriteText(dir / "record.ini", utf16(record, bigEndian));
        nlohmann::json p = Export();
        ASSERT_EQ(p["macros"].size(), 1u);
        EXPECT_EQ(p["macros"][0]["name"], "宏");
        EXPECT_EQ(p["buttons"]["A"][0]["label"], "左键");
        p["buttons"]["A"][0]["label"] = "右键";
        p["macros"][0]["loop_times"] = "2";
        const Result r = Import(p);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("(CHS)"), std::string::npos) << r.out;
        std::u16string expectedText = text;
        expectedText.replace(expectedText.find(u"Item1=") + 6, 2, u"右键");
        EXPECT_EQ(ReadText(dir / "str.ini"), utf16(expectedText, bigEndian));
        std::u16string expectedRecord = record;
        expectedRecord.replace(expectedRecord.find(u"Times=1") + 6, 1, u"2");
        EXPECT_EQ(ReadText(dir / "record.ini"), utf16(expectedRecord, bigEndian));
    }
}

TEST_F(ProfileCliTest, ImportNamesTheWrongFieldAndWritesNothing) {
    const nlohmann::json good = Export();
    const Files before = Snapshot();
    struct Case {
        std::function<void(nlohmann::json&)> spoil;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {[](auto& p) { p["dpi"]["levels"][2]["colour"] = "#12345"; }, "dpi.levels[2].colour"},
        {[](auto& p) { p["report_rate_hz"] = 333; }, "report_rate_hz"},
        {[](auto& p) { p["version"] = 99; }, "version"},
        {[](auto& p) {
             p["macros"] = {
                 {{"name", "a]b"}, {"loop_times", "1"}, {"items", nlohmann::json::array()}}};
         },
         "macros[0].name"},
        {[](auto& p) {
             p["macros"] = {{{"name", std::string(32, 'm')},
                             {"loop_times", "1"},
                             {"items", nlohmann::json::array()}}};
         },
         "macros[0].name"},
        {[](auto& p) {
             p["macros"] = {
                 {{"name", "Dup"}, {"loop_times", "1"}, {"items", nlohmann::json::array()}},
                 {{"name", "DUP"}, {"loop_times", "1"}, {"items", nlohmann::json::array()}}};
         },
         "used twice"},
    };
    for (const Case& c : cases) {
        nlohmann::json p = good;
        c.spoil(p);
        const Result r = Import(p);
        EXPECT_EQ(r.exitCode, 1) << c.expected;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
        EXPECT_EQ(Snapshot(), before) << c.expected;
    }
    // Not a profile at all.
    WriteBytes(dir / "junk.json", {0xFF, 0x00, '{', 0x80});
    Result r = Run("import junk.json");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("not valid JSON"), std::string::npos);
    r = Run("import missing.json");
    EXPECT_EQ(r.exitCode, 1);
    r = Run("import .");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Snapshot(), before);
}

// A key given twice is refused rather than read as its last copy.
TEST_F(ProfileCliTest, ImportRefusesARepeatedKey) {
    const std::string good = Export().dump();
    const Files before = Snapshot();
    const std::string text = "{\"format\":\"something else\"," + good.substr(1);
    ornyx::test::WriteText(dir / "in.json", text);
    const Result r = Run("import in.json");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("in.json: format: is given more than once"), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(), before);
}

// A hand-made record.ini with many lines a profile cannot carry: the export
// names a few and counts the rest instead of printing a line for each.
TEST_F(ProfileCliTest, ExportSummarisesManyUncarriedLines) {
    std::string ini = "[M]\r\nMacroLoopTimes=1\r\nItemCount=1\r\nItem0=A   Dn\r\n";
    for (int i = 0; i < 5000; ++i) ini += "Note" + std::to_string(i) + "=x\r\n";
    ornyx::test::WriteText(dir / "record.ini", ini);
    const Result r = Run("export p.json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("the line \"Note0\""), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("the line \"Note4999\""), std::string::npos);
    EXPECT_NE(r.err.find("and 4990 more"), std::string::npos) << r.err;
    EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 11);
    // The profile itself is whole.
    const nlohmann::json p = nlohmann::json::parse(ReadText(dir / "p.json"));
    EXPECT_EQ(p["macros"][0]["items"], nlohmann::json({"A   Dn"}));
}

TEST_F(ProfileCliTest, MacroListShowAndPack) {
    // First a macro with more events than a slot holds, then thirteen small ones.
    std::string ini = "[Long]\r\nMacroLoopTimes=1\r\nItemCount=200\r\n";
    for (int i = 0; i < 200; ++i)
        ini += "Item" + std::to_string(i) + (i % 2 ? "=B   Up\r\n" : "=B   Dn\r\n");
    for (int i = 1; i <= 13; ++i) {
        ini += "[M" + std::to_string(i) + "]\r\nMacroLoopTimes=" + std::to_string(i) +
               "\r\nItemCount=2\r\nItem0=A   Dn\r\nItem1=A   Up\r\n";
    }
    ornyx::test::WriteText(dir / "record.ini", ini);

    Result r = Run("macro list");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("M11 "), std::string::npos);
    EXPECT_NE(r.out.find("slot 12"), std::string::npos);
    EXPECT_EQ(r.out.find("slot 13"), std::string::npos);
    EXPECT_NE(r.out.find("not packed"), std::string::npos);

    r = Run("macro show m2");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("MacroLoopTimes=2\nItem0=A   Dn\nItem1=A   Up\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(Run("macro show Nope").exitCode, 1);

    r = Run("macro pack");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("packed 12 macros"), std::string::npos);
    EXPECT_NE(r.err.find("Long"), std::string::npos);  // its surplus events are reported
    const auto config = ornyx::test::ReadBytes(dir / "config.bin");
    ASSERT_EQ(config.size(), 1986u);
    const std::size_t slots = 1 + 384;
    // Loop counts are big-endian in each slot's first two bytes; the long macro
    // stays inside slot 1 and M11 lands in slot 12, untouched by it.
    EXPECT_EQ(config[slots + 1], 1);
    EXPECT_EQ(config[slots + 128 + 1], 1);
    EXPECT_EQ(config[slots + 128 * 11 + 1], 11);
    EXPECT_EQ(Run("macro").exitCode, 2);
}

TEST_F(ProfileCliTest, ImportIntoAHomeItCannotReadChangesNothing) {
    const nlohmann::json p = Export();
    const std::string config = ReadText(dir / "config.bin");
    // str.ini replaced by a folder: it can be neither read nor replaced.
    std::filesystem::remove(dir / "str.ini");
    std::filesystem::create_directories(dir / "str.ini" / "x");
    const Result r = Import(p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("str.ini"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "record.ini"));
    EXPECT_EQ(ReadText(dir / "config.bin"), config);
}
