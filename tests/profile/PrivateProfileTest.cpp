#include "profile/PrivateProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace ornyx::profile {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::ReadText;
using test::TempDir;
using test::WriteBytes;
using test::WriteText;

std::vector<std::uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

std::vector<std::uint8_t> Utf16LeWithBom(std::u16string_view s) {
    std::vector<std::uint8_t> out{0xFF, 0xFE};
    for (const char16_t u : s) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

std::string Get(const fs::path& f, std::string_view section, std::string_view key,
                std::size_t n = 1024, std::string_view def = "") {
    return GetPrivateProfileString(f, section, key, def, n);
}

bool Write(const fs::path& f, std::string_view section, std::optional<std::string_view> key,
           std::optional<std::string_view> value) {
    return WritePrivateProfileString(f, section, key, value).ok;
}

// ---- Reading -----------------------------------------------------------------------

TEST(PrivateProfileRead, LookupFollowsWindowsRules) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    WriteText(f,
              "Lan=TUR\r\n"  // before any section: belongs to none
              "; Lan=CHT\r\n"
              "  [ Skins ]  \r\n"
              "; Path=commented\r\n"
              "  Path  =  Blue Sky  \r\n"
              "RColor=\"  12 \"\r\n"
              "GColor='34'\r\n"
              "BColor=\"56'\r\n"
              "Empty=\r\n"
              "garbage line\r\n"
              "[Setting-EN]\r\n"
              "Item1=Left Click\r\n");
    EXPECT_EQ(Get(f, "skins", "PATH"), "Blue Sky");
    EXPECT_EQ(Get(f, " SKINS ", " path "), "Blue Sky");
    EXPECT_EQ(Get(f, "Skins", "RColor"), "  12 ");  // quotes off, blanks inside kept
    EXPECT_EQ(Get(f, "Skins", "GColor"), "34");
    EXPECT_EQ(Get(f, "Skins", "BColor"), "\"56'");  // quotes that do not match stay
    EXPECT_EQ(Get(f, "Skins", "Empty", 1024, "dflt"), "");
    EXPECT_EQ(Get(f, "Skins", "Lan", 1024, "dflt"), "dflt");
    EXPECT_EQ(Get(f, "Skins", "garbage line", 1024, "dflt"), "dflt");
    EXPECT_EQ(Get(f, "Skins", "Item1", 1024, "dflt"), "dflt");
    EXPECT_EQ(Get(f, "Setting-EN", "item1"), "Left Click");
    EXPECT_EQ(Get(f, "Nope", "Item1", 1024, "dflt"), "dflt");
    EXPECT_EQ(Get(f, "Skins", "", 1024, "dflt"), "dflt");
    EXPECT_EQ(Get(dir / "missing.ini", "Skins", "Lan", 1024, "dflt"), "dflt");
    EXPECT_EQ(Get(f, "Skins", "Path", 0, "dflt"), "");
    EXPECT_EQ(GetPrivateProfileSectionNames(f), (std::vector<std::string>{"Skins", "Setting-EN"}));
    EXPECT_TRUE(GetPrivateProfileSectionNames(dir / "missing.ini").empty());
}

TEST(PrivateProfileRead, ValueAndDefaultAreCutToBufferMinusOneUtf16Units) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    WriteText(f, "[S]\nA=abcdef\nC=黑体宋体\nE=a😀b\n");
    EXPECT_EQ(Get(f, "S", "A", 4), "abc");
    EXPECT_EQ(Get(f, "S", "A", 1), "");
    EXPECT_EQ(Get(f, "S", "A", 7), "abcdef");
    EXPECT_EQ(Get(f, "S", "C", 3), "黑体");  // two code units, not two bytes
    EXPECT_EQ(Get(f, "S", "E", 3), "a");     // the pair would be split: dropped whole
    EXPECT_EQ(Get(f, "S", "E", 4), "a😀");
    EXPECT_EQ(Get(f, "S", "E", 5), "a😀b");
    EXPECT_EQ(Get(f, "S", "missing", 3, "xyz"), "xy");
    EXPECT_EQ(Get(dir / "none.ini", "S", "A", 2, "宋体"), "宋");
}

TEST(PrivateProfileRead, RepeatedSectionsReadTheirFirstBlockButDeleteEveryBlock) {
    TempDir dir;
    const fs::path f = dir / "record.ini";
    WriteText(f, "[M1]\nA=1\nA=dup\n[m2]\nB=2\n[m1]\nA=shadowed\nC=3\n");
    EXPECT_EQ(GetPrivateProfileSectionNames(f), (std::vector<std::string>{"M1", "m2", "m1"}));
    EXPECT_EQ(Get(f, "M1", "A"), "1");
    EXPECT_EQ(Get(f, "M1", "C", 1024, "dflt"), "dflt");  // only in the second block

    // A new key goes to the first block; an existing one changes there.
    ASSERT_TRUE(Write(f, "M1", "C", "new"));
    EXPECT_EQ(ReadText(f), "[M1]\nA=1\nA=dup\nC=new\n[m2]\nB=2\n[m1]\nA=shadowed\nC=3\n");

    // Deleting removes every copy, so nothing stale reappears in its place.
    ASSERT_TRUE(Write(f, "M1", "A", std::nullopt));
    EXPECT_EQ(Get(f, "M1", "A", 1024, "gone"), "gone");
    ASSERT_TRUE(Write(f, "m1", std::nullopt, std::nullopt));
    EXPECT_EQ(ReadText(f), "[m2]\nB=2\n");
}

TEST(PrivateProfileRead, SemicolonAndBareLinesAreKeys) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    WriteText(f, "Top=1\r\n[S]\r\n;K=commented\r\nbare\r\nK2=v\r\n; note\r\n[T]\r\n");
    EXPECT_EQ(Get(f, "S", ";K"), "commented");
    EXPECT_EQ(Get(f, "S", "K", 1024, "dflt"), "dflt");
    EXPECT_EQ(Get(f, "S", "bare", 1024, "dflt"), "dflt");  // no '=': reads as missing
    EXPECT_EQ(Get(f, "", "Top"), "1");                     // before any section

    ASSERT_TRUE(Write(f, "S", "bare", "now"));  // updated where it stands
    ASSERT_TRUE(Write(f, "S", "K3", "new"));    // after the last key, not after the note
    EXPECT_EQ(ReadText(f),
              "Top=1\r\n[S]\r\n;K=commented\r\nbare=now\r\nK2=v\r\nK3=new\r\n; note\r\n[T]\r\n");
}

TEST(PrivateProfileRead, DefaultLosesTrailingBlanksAndQuotes) {
    TempDir dir;
    const fs::path f = dir / "none.ini";
    EXPECT_EQ(Get(f, "S", "K", 1024, "  dflt  "), "  dflt");
    EXPECT_EQ(Get(f, "S", "K", 1024, "   "), "");
    EXPECT_EQ(Get(f, "S", "K", 1024, "\"quoted\"  "), "quoted");
    EXPECT_EQ(Get(f, "S", "K", 1024, "'q"), "'q");
}

TEST(PrivateProfileRead, EveryLineEndStyleEndsALineAndIsKept) {
    TempDir dir;
    const fs::path f = dir / "record.ini";
    WriteText(f, "[M1]\rItemCount=1\rItem0=A   Dn\r[M2]\rItemCount=0");
    EXPECT_EQ(GetPrivateProfileSectionNames(f), (std::vector<std::string>{"M1", "M2"}));
    EXPECT_EQ(Get(f, "M1", "Item0"), "A   Dn");
    ASSERT_TRUE(Write(f, "M1", "Item1", "50 ms"));
    ASSERT_TRUE(Write(f, "M3", "ItemCount", "2"));
    EXPECT_EQ(
        ReadText(f),
        "[M1]\rItemCount=1\rItem0=A   Dn\rItem1=50 ms\r[M2]\rItemCount=0\r[M3]\rItemCount=2\r");

    WriteText(f, "[S]\rA=1\nB=2\r\nC=3");
    EXPECT_EQ(Get(f, "S", "A") + Get(f, "S", "B") + Get(f, "S", "C"), "123");
    ASSERT_TRUE(Write(f, "S", "B", "two"));
    EXPECT_EQ(ReadText(f), "[S]\rA=1\nB=two\r\nC=3");
}

TEST(PrivateProfileRead, DamagedFilesGiveSensibleResults) {
    TempDir dir;
    const fs::path f = dir / "x.ini";

    using namespace std::string_literals;
    WriteBytes(f, Bytes("[S]\nA=ab\0cd\nB=2\n\0[T]\nC=3"s));
    EXPECT_EQ(Get(f, "S", "A"), "ab");
    EXPECT_EQ(Get(f, "S", "B"), "2");
    EXPECT_EQ(Get(f, "T", "C", 1024, "dflt"), "dflt");  // its header is hidden behind a NUL

    std::vector<std::uint8_t> odd = Utf16LeWithBom(u"[S]\r\nA=x");
    odd.insert(odd.end(), {0x00, 0xD8, 0x0A, 0x00, 0x42});  // lone surrogate, LF, half unit
    WriteBytes(f, odd);
    EXPECT_EQ(Get(f, "S", "A"), "x\uFFFD");
    // A line after the cut-off last unit: the half unit becomes the U+FFFD it reads
    // as, and the units stay aligned.
    ASSERT_TRUE(Write(f, "T", "K", "v"));
    EXPECT_EQ(Get(f, "T", "K"), "v");
    EXPECT_EQ(Get(f, "S", "A"), "x\uFFFD");
    EXPECT_EQ(GetPrivateProfileSectionNames(f), (std::vector<std::string>{"S", "T"}));

    WriteText(f, "[S]\nA=" + std::string(200000, 'v') + "\n[T]\nB=1\n");
    EXPECT_EQ(Get(f, "S", "A", 1024).size(), 1023u);
    EXPECT_EQ(Get(f, "T", "B"), "1");

    fs::create_directory(dir / "dir.ini");
    EXPECT_EQ(Get(dir / "dir.ini", "S", "A", 1024, "dflt"), "dflt");
    EXPECT_TRUE(GetPrivateProfileSectionNames(dir / "dir.ini").empty());
}

// ---- Writing -----------------------------------------------------------------------

TEST(PrivateProfileWrite, NewFileIsUtf8WithCrlf) {
    TempDir dir;
    const fs::path f = dir / "record.ini";
    ASSERT_TRUE(Write(f, "Macro 1", "MacroLoopTimes", "1"));
    ASSERT_TRUE(Write(f, "Macro 1", "ItemCount", "0"));
    ASSERT_TRUE(Write(f, "宏", "Item0", "A   Dn"));
    EXPECT_EQ(ReadText(f),
              "[Macro 1]\r\nMacroLoopTimes=1\r\nItemCount=0\r\n[宏]\r\nItem0=A   Dn\r\n");
}

TEST(PrivateProfileWrite, UpdatesInPlaceAndKeepsOtherLines) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    const std::string before =
        "; hand-written\r\n"
        "\r\n"
        "[Skins]\r\n"
        "  path = Old  \r\n"
        "odd line\r\n"
        "RColor = 1\r\n";
    WriteText(f, before);
    ASSERT_TRUE(Write(f, "SKINS", "Path", "New"));
    EXPECT_EQ(ReadText(f),
              "; hand-written\r\n\r\n[Skins]\r\npath=New\r\nodd line\r\nRColor = 1\r\n");

    // Writing the value it already has leaves the hand formatting alone.
    ASSERT_TRUE(Write(f, "Skins", "rcolor", "1"));
    EXPECT_NE(ReadText(f).find("RColor = 1\r\n"), std::string::npos);
}

TEST(PrivateProfileWrite, NewKeyGoesAfterTheLastKeyOfItsSection) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    WriteText(f,
              "[A]\nx=1\n\n; about B\n[B]\ny=2\n\n"
              "[Empty]\n; nothing yet\n");
    ASSERT_TRUE(Write(f, "a", "z", "3"));
    ASSERT_TRUE(Write(f, "B", "w", "4"));
    ASSERT_TRUE(Write(f, "Empty", "v", "5"));
    ASSERT_TRUE(Write(f, "C", "u", "6"));
    EXPECT_EQ(ReadText(f),
              "[A]\nx=1\nz=3\n\n; about B\n[B]\ny=2\nw=4\n\n"
              "[Empty]\nv=5\n; nothing yet\n[C]\nu=6\n");
}

TEST(PrivateProfileWrite, LastLineWithoutLineEndGetsOneBeforeAppending) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    WriteText(f, "[A]\r\nx=1");
    ASSERT_TRUE(Write(f, "A", "y", "2"));
    ASSERT_TRUE(Write(f, "B", "z", "3"));
    EXPECT_EQ(ReadText(f), "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
}

TEST(PrivateProfileWrite, DeletedSectionWrittenAgainMovesToTheEnd) {
    // The macro store's confirm: delete the section, then write its keys anew.
    TempDir dir;
    const fs::path f = dir / "record.ini";
    WriteText(f,
              "[One]\r\nItemCount=1\r\nItem0=stale\r\n[Two]\r\nItemCount=0\r\n[Three]\r\nItemCount="
              "0\r\n");
    ASSERT_TRUE(Write(f, "one", std::nullopt, std::nullopt));
    EXPECT_EQ(Get(f, "One", "Item0", 1024, "gone"), "gone");
    ASSERT_TRUE(Write(f, "One", "MacroLoopTimes", "2"));
    ASSERT_TRUE(Write(f, "One", "ItemCount", "0"));
    EXPECT_EQ(GetPrivateProfileSectionNames(f), (std::vector<std::string>{"Two", "Three", "One"}));
    EXPECT_EQ(ReadText(f),
              "[Two]\r\nItemCount=0\r\n[Three]\r\nItemCount=0\r\n[One]\r\nMacroLoopTimes="
              "2\r\nItemCount=0\r\n");
}

TEST(PrivateProfileWrite, DeleteKeyAndDeletionsThatFindNothing) {
    TempDir dir;
    const fs::path f = dir / "record.ini";
    WriteText(f, "[M]\nA=1\n; keep\nB=2\n");
    ASSERT_TRUE(Write(f, "m", "a", std::nullopt));
    EXPECT_EQ(ReadText(f), "[M]\n; keep\nB=2\n");
    EXPECT_TRUE(Write(f, "M", "nope", std::nullopt));
    EXPECT_TRUE(Write(f, "Nope", std::nullopt, std::nullopt));
    EXPECT_EQ(ReadText(f), "[M]\n; keep\nB=2\n");

    const fs::path none = dir / "none.ini";
    EXPECT_TRUE(Write(none, "M", std::nullopt, std::nullopt));
    EXPECT_TRUE(Write(none, "M", "A", std::nullopt));
    EXPECT_FALSE(fs::exists(none));
}

TEST(PrivateProfileWrite, RefusesTextThatWouldChangeTheFileStructure) {
    TempDir dir;
    const fs::path f = dir / "record.ini";
    const std::string before = "[M]\r\nA=1\r\n";
    WriteText(f, before);
    EXPECT_FALSE(Write(f, "M", "A", "1\r\n[Evil]"));
    EXPECT_FALSE(Write(f, "M\nX", "A", "1"));
    EXPECT_FALSE(Write(f, "M", "A=B", "1"));
    EXPECT_FALSE(Write(f, "M", "  ", "1"));
    EXPECT_FALSE(Write(f, "  ", "A", "1"));
    EXPECT_FALSE(Write(f, "M", "A", std::string_view("a\0b", 3)));
    EXPECT_FALSE(Write(f, "M", "A", "\xC3("));  // broken UTF-8
    const WriteResult r = WritePrivateProfileString(f, "M", "A", "x\ny");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(ReadText(f), before);
}

// ---- Encodings and line endings ------------------------------------------------------

TEST(PrivateProfileEncoding, Utf16LeFileIsReadAndWrittenBackAsUtf16Le) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    WriteBytes(f, Utf16LeWithBom(u"[Setting-CHS]\r\nItem1=左键\r\n"));
    EXPECT_EQ(Get(f, "setting-chs", "item1"), "左键");
    ASSERT_TRUE(Write(f, "Setting-CHS", "Item1", "右键😀"));
    ASSERT_TRUE(Write(f, "Skins", "Lan", "CHS"));
    EXPECT_EQ(ReadBytes(f),
              Utf16LeWithBom(u"[Setting-CHS]\r\nItem1=右键😀\r\n[Skins]\r\nLan=CHS\r\n"));
}

TEST(PrivateProfileEncoding, Utf8BomAndLfAreKept) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    WriteText(f, "\xEF\xBB\xBF[Skins]\nLan=CHT\n");
    EXPECT_EQ(Get(f, "Skins", "Lan"), "CHT");
    EXPECT_EQ(GetPrivateProfileSectionNames(f), std::vector<std::string>{"Skins"});
    ASSERT_TRUE(Write(f, "Skins", "Path", "藍"));
    EXPECT_EQ(ReadText(f), "\xEF\xBB\xBF[Skins]\nLan=CHT\nPath=藍\n");
}

TEST(PrivateProfileEncoding, LegacyFilesAreReadAndWrittenInTheirLanguagesCodePage) {
    TempDir dir;
    const fs::path str = dir / "str.ini";
    const fs::path record = dir / "record.ini";
    // Simplified Chinese: GBK. "左键" and a comment stay byte for byte; "右键" goes in as GBK.
    const std::string gbk =
        "[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=\xD7\xF3\xBC\xFC\r\n;\xD7\xF3\r\n";
    WriteText(str, gbk);
    EXPECT_EQ(Get(str, "Setting-CHS", "Item1"), "左键");
    ASSERT_TRUE(Write(str, "Setting-CHS", "Item2", "右键"));
    EXPECT_EQ(ReadText(str),
              "[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=\xD7\xF3\xBC\xFC\r\nItem2="
              "\xD3\xD2\xBC\xFC\r\n;\xD7\xF3\r\n");
    // record.ini follows str.ini's language.
    WriteText(record, "[\xD7\xF3]\r\nItem0=A   Dn\r\n");
    EXPECT_EQ(GetPrivateProfileSectionNames(record), std::vector<std::string>{"左"});

    // Traditional Chinese: Big5.
    WriteText(str, "[Skins]\nLan=CHT\n[Setting-CHT]\nItem1=\xA5\xAA\xC1\xE4\n");
    EXPECT_EQ(Get(str, "Setting-CHT", "Item1"), "左鍵");
    // Turkish: 1254, where 0xDD is "İ" (1252 would give "Ý").
    WriteText(str, "[Skins]\nLan=TUR\n[Setting-TUR]\nItem6=\xDDptal\n");
    EXPECT_EQ(Get(str, "Setting-TUR", "Item6"), "İptal");
    ASSERT_TRUE(Write(str, "Setting-TUR", "Item1", "Sağ tık"));
    EXPECT_EQ(ReadText(str),
              "[Skins]\nLan=TUR\n[Setting-TUR]\nItem6=\xDDptal\nItem1=Sa\xF0 t\xFDk\n");
    // English, and any other or no language: 1252.
    WriteText(str, "[Skins]\nLan=tur\n[Setting-EN]\nItem1=Caf\xE9 \x80\n");
    EXPECT_EQ(Get(str, "Setting-EN", "Item1"), "Café €");
    fs::remove(str);
    WriteText(record, "[Caf\xE9]\nItemCount=0\n");
    EXPECT_EQ(GetPrivateProfileSectionNames(record), std::vector<std::string>{"Café"});
}

TEST(PrivateProfileEncoding, LegacyFileKeepsEveryByteAndNeverLosesAWrite) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    // Not valid GBK (0xFF, a lone lead byte): unreadable, but the bytes survive.
    const std::string odd = "[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem5=x\xFF\xD7\r\n";
    WriteText(f, odd);
    EXPECT_EQ(Get(f, "Setting-CHS", "Item5"), "x\uFFFD\uFFFD");
    ASSERT_TRUE(Write(f, "Setting-CHS", "Item1", "ok"));
    EXPECT_EQ(ReadText(f),
              "[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem5=x\xFF\xD7\r\nItem1=ok\r\n");

    // A character the code page cannot hold turns the file into UTF-16 with BOM
    // rather than into question marks; every line is still there.
    WriteText(f, "[Skins]\r\nLan=TUR\r\n[Setting-TUR]\r\nItem5=Geri\xFD\r\n");
    ASSERT_TRUE(Write(f, "Setting-TUR", "Item2", "左"));
    EXPECT_EQ(
        ReadBytes(f),
        Utf16LeWithBom(u"[Skins]\r\nLan=TUR\r\n[Setting-TUR]\r\nItem5=Geriı\r\nItem2=左\r\n"));
    EXPECT_EQ(Get(f, "Setting-TUR", "Item5"), "Geriı");
}

// One sequence the code page rejects (a user-defined GBK character, a stray byte)
// makes only its own line unreadable: the others read as GBK, and a write keeps
// the bad line's bytes and re-encodes none of the lines it does not change.
TEST(PrivateProfileEncoding, OneUndecodableLineStaysAsItWasAndTheRestReads) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    const std::string gbk =
        "[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=\xD7\xF3\xBC\xFC\r\n"
        "Item2=\xD3\xD2\xAA\xA1\xBC\xFC\xFF\r\nItem3=\xD3\xD2\xBC\xFC\r\n";
    WriteText(f, gbk);
    EXPECT_EQ(Get(f, "Setting-CHS", "Item1"), "左键");
    EXPECT_EQ(Get(f, "Setting-CHS", "Item2"), "右\uFFFD键\uFFFD");
    EXPECT_EQ(Get(f, "Setting-CHS", "Item3"), "右键");

    // Another label changes: that line alone, still in GBK.
    ASSERT_TRUE(Write(f, "Setting-CHS", "Item3", "中键"));
    std::string expected = gbk;
    expected.replace(expected.find("Item3=") + 6, 4, "\xD6\xD0\xBC\xFC");
    EXPECT_EQ(ReadText(f), expected);
    // Writing back what was read of the bad line leaves it alone.
    ASSERT_TRUE(Write(f, "Setting-CHS", "Item2", "右\uFFFD键\uFFFD"));
    EXPECT_EQ(ReadText(f), expected);

    // A character GBK has no place for would turn the file into UTF-16, which
    // would lose the bad line's bytes: refused, and the file stays as it was.
    const WriteResult r = WritePrivateProfileString(f, "Setting-CHS", "Item4", "😀");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("936"), std::string::npos) << r.error;
    EXPECT_EQ(ReadText(f), expected);

    // The bad line itself replaced: the file is all readable again and may
    // become UTF-16.
    ASSERT_TRUE(Write(f, "Setting-CHS", "Item2", "右键"));
    ASSERT_TRUE(Write(f, "Setting-CHS", "Item4", "😀"));
    EXPECT_EQ(ReadBytes(f), Utf16LeWithBom(u"[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=左键\r\n"
                                           u"Item2=右键\r\nItem3=中键\r\nItem4=😀\r\n"));

    // A UTF-8 file with BOM and one bad byte: the same, line by line.
    WriteText(f, "\xEF\xBB\xBF[S]\nA=\xE5\xB7\xA6\nB=x\xC0y\n");
    EXPECT_EQ(Get(f, "S", "A"), "左");
    EXPECT_EQ(Get(f, "S", "B"), "x\uFFFDy");
    ASSERT_TRUE(Write(f, "S", "A", "右"));
    EXPECT_EQ(ReadText(f), "\xEF\xBB\xBF[S]\nA=\xE5\x8F\xB3\nB=x\xC0y\n");

    // A lone surrogate in a UTF-16 file is kept as it was, too.
    std::vector<std::uint8_t> utf16 = Utf16LeWithBom(u"[S]\r\nA=x");
    utf16.insert(utf16.end(), {0x00, 0xD8, 0x0D, 0x00, 0x0A, 0x00});
    const std::vector<std::uint8_t> tail = Utf16LeWithBom(u"B=1\r\n");
    utf16.insert(utf16.end(), tail.begin() + 2, tail.end());
    WriteBytes(f, utf16);
    ASSERT_TRUE(Write(f, "S", "B", "2"));
    utf16[utf16.size() - 6] = '2';
    EXPECT_EQ(ReadBytes(f), utf16);
}

std::vector<std::uint8_t> Utf16(std::u16string_view s, bool bigEndian, bool bom) {
    std::vector<std::uint8_t> out;
    if (bom)
        out = bigEndian ? std::vector<std::uint8_t>{0xFE, 0xFF}
                        : std::vector<std::uint8_t>{0xFF, 0xFE};
    for (const char16_t u : s) {
        const auto lo = static_cast<std::uint8_t>(u & 0xFF);
        const auto hi = static_cast<std::uint8_t>(u >> 8);
        out.insert(out.end(), bigEndian ? std::initializer_list<std::uint8_t>{hi, lo}
                                        : std::initializer_list<std::uint8_t>{lo, hi});
    }
    return out;
}

// UTF-16 without BOM, and big-endian, as Windows' text detection recognises
// them: read as text, and written back in the same byte order, with or without
// BOM as before, never with 8-bit lines appended.
TEST(PrivateProfileEncoding, Utf16WithoutBomOrBigEndianIsReadAndKept) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    for (const bool bigEndian : {false, true}) {
        for (const bool bom : {false, true}) {
            SCOPED_TRACE(std::string(bigEndian ? "big" : "little") + "-endian, " +
                         (bom ? "BOM" : "no BOM"));
            WriteBytes(
                f, Utf16(u"[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=左键\r\n", bigEndian, bom));
            EXPECT_EQ(Get(f, "Skins", "Lan"), "CHS");
            EXPECT_EQ(Get(f, "Setting-CHS", "Item1"), "左键");
            EXPECT_EQ(GetPrivateProfileSectionNames(f),
                      (std::vector<std::string>{"Skins", "Setting-CHS"}));
            ASSERT_TRUE(Write(f, "Setting-CHS", "Item2", "右键"));
            ASSERT_TRUE(Write(f, "Setting-EN", "Item1", "Left"));
            EXPECT_EQ(ReadBytes(f), Utf16(u"[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=左键\r\n"
                                          u"Item2=右键\r\n[Setting-EN]\r\nItem1=Left\r\n",
                                          bigEndian, bom));
        }
    }
    // Mostly Chinese text still has the pattern of its ASCII names and line ends.
    WriteBytes(f, Utf16(u"[宏一二三四五六七八九十]\r\nItem0=左右上下前后\r\n", false, false));
    EXPECT_EQ(GetPrivateProfileSectionNames(f), std::vector<std::string>{"宏一二三四五六七八九十"});
}

// The detection is conservative: ordinary 8-bit and UTF-8 files have no NUL
// bytes, so they are never taken for UTF-16, whatever their length or content.
TEST(PrivateProfileEncoding, EightBitFilesAreNeverTakenForUtf16) {
    TempDir dir;
    const fs::path f = dir / "str.ini";
    const std::vector<std::string> files = {
        "[S]\r\nA=1\r\n",
        "ab",
        "[Skins]\r\nLan=CHS\r\n[Setting-CHS]\r\nItem1=\xD7\xF3\xBC\xFC\r\n",
        "\xD7\xF3\xBC\xFC\xD7\xF3\xBC\xFC",
        // A stray NUL or two in an 8-bit file is no UTF-16 pattern.
        std::string("[Sx]\r\nA=1\0\r\nB=2\0\r\n", 18),
        std::string("A=1\0B=2\0C=3\0", 12),
        // The pattern, but with a NUL unit: binary data, not text.
        std::string("[\0S\0]\0\0\0\r\0\n\0", 12),
    };
    for (const std::string& text : files) {
        SCOPED_TRACE(text);
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        const IniDocument doc = IniDocument::Parse(bytes, 936);
        EXPECT_NE(doc.encoding(), TextEncoding::Utf16Le);
        EXPECT_NE(doc.encoding(), TextEncoding::Utf16Be);
    }
    WriteText(f, files[2]);
    EXPECT_EQ(Get(f, "Setting-CHS", "Item1"), "左键");
    ASSERT_TRUE(Write(f, "Setting-CHS", "Item2", "右键"));
    EXPECT_EQ(ReadText(f), files[2] + "Item2=\xD3\xD2\xBC\xFC\r\n");
}

// ---- Section-name buffer -------------------------------------------------------------

TEST(PrivateProfileSectionBuffer, NamesEndInDoubleNulEvenWhenCut) {
    TempDir dir;
    const fs::path f = dir / "record.ini";
    WriteText(f, "[ab]\n[cde]\n[AB]\n[]\n[f]\n");
    using namespace std::string_literals;
    // Every block is listed, as Windows lists it; "[]" is not.
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 1024), u"ab\0cde\0AB\0f\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 10), u"ab\0cde\0A\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 9), u"ab\0cde\0\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 6), u"ab\0c\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 3), u"a\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 2), u"\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 1), u"\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 0), u""s);
    for (std::size_t n = 1; n < 12; ++n) {
        const std::u16string b = GetPrivateProfileSectionNamesBuffer(f, n);
        EXPECT_LE(b.size(), n);
        EXPECT_EQ(b.back(), u'\0');
        if (n >= 2) {
            EXPECT_EQ(b[b.size() - 2], u'\0') << n;
        }
    }

    WriteText(f, "[x😀]\n");
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 4), u"x\0\0"s);  // no lone high surrogate
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(f, 5), u"x😀\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionNamesBuffer(dir / "missing.ini", 1024), u"\0"s);
}

// ---- Write failures ------------------------------------------------------------------

TEST(PrivateProfileFailure, UnwritableOrUnreadableTargetsReportFailure) {
    TempDir dir;
    const WriteResult r =
        WritePrivateProfileString(dir / "no-such-folder" / "str.ini", "S", "K", "V");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.errorCode, 0);
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));

    // A folder where the file should be is neither read nor replaced.
    fs::create_directory(dir / "str.ini");
    WriteText(dir / "str.ini" / "inside", "keep");
    EXPECT_FALSE(Write(dir / "str.ini", "S", "K", "V"));
    EXPECT_FALSE(Write(dir / "str.ini", "S", std::nullopt, std::nullopt));
    EXPECT_EQ(ReadText(dir / "str.ini" / "inside"), "keep");
}

}  // namespace
}  // namespace ornyx::profile
