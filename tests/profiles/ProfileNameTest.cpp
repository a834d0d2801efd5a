// Profile names: which are refused, and which file each one becomes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/Utf8.h"
#include "profiles/ProfileName.h"

namespace ornyx::profiles {
namespace {

namespace fs = std::filesystem;

std::string File(std::string_view name) {
    const auto file = FileNameFor(name);
    EXPECT_TRUE(file.has_value()) << name;
    return file.value_or("");
}

TEST(ProfileName, RefusesWhatCannotBeShownOnOneLineOrTypedBack) {
    EXPECT_EQ(NameProblem(""), "is empty");
    EXPECT_EQ(NameProblem(std::string("a\0b", 3)), "has a NUL character");
    EXPECT_EQ(NameProblem("a\nb"), "has a line break");
    EXPECT_EQ(NameProblem("a\rb"), "has a line break");
    EXPECT_EQ(NameProblem("a\xe2\x80\xa8"
                          "b"),
              "has a line break");  // U+2028
    EXPECT_EQ(NameProblem("a\tb"), "has a control character");
    EXPECT_EQ(NameProblem("a\x1b[31mb"), "has a control character");
    EXPECT_EQ(NameProblem("\xff\xfe"), "is not UTF-8 text");
    EXPECT_EQ(NameProblem(" Shooter"), "begins or ends with a blank");
    EXPECT_EQ(NameProblem("Shooter\xe3\x80\x80"), "begins or ends with a blank");  // U+3000
    EXPECT_EQ(NameProblem(std::string(65, 'x')), "is longer than 64 characters");
}

TEST(ProfileName, AcceptsAnyLanguageUpToSixtyFourCharacters) {
    for (const std::string& name : std::vector<std::string>{
             "Shooter", "Büro", "射击游戏", "Стратегия", "ゲーム 2", "../x", "/etc/passwd", ".",
             "..", "CON", "a:b*c?", "50%", std::string(64, 'x')}) {
        EXPECT_EQ(NameProblem(name), "") << name;
    }
    // 64 characters of four bytes each are still 64 characters.
    std::string emoji;
    for (int i = 0; i < 64; ++i) emoji += "\xf0\x9f\x8e\xae";
    EXPECT_EQ(NameProblem(emoji), "");
}

// Whatever the name, its file is one plain, visible name in the folder that
// fits any file system, with the extension the listing looks for.
TEST(ProfileName, EveryFileNameStaysInsideTheFolder) {
    std::string emoji;
    for (int i = 0; i < 64; ++i) emoji += "\xf0\x9f\x8e\xae";
    for (const std::string& name : std::vector<std::string>{
             "../x", "../../etc/passwd", "/etc/passwd", ".", "..", "a/b\\c", "C:", "x.json",
             ".hidden", "~", "%2E", "con", "Nul", "LPT1", "com9", emoji}) {
        const std::string file = File(name);
        SCOPED_TRACE(name + " -> " + file);
        const fs::path p = utf8::ToPath(file);
        EXPECT_EQ(p.filename().string(), file);
        EXPECT_FALSE(p.has_parent_path());
        EXPECT_NE(file[0], '.');
        EXPECT_EQ(file.find_first_of("/\\:*?\"<>|"), std::string::npos);
        EXPECT_LE(file.size(), 255u);
        EXPECT_TRUE(LooksLikeProfileFile(file));
        const std::string stem = file.substr(0, file.size() - 5);
        for (std::string_view device : {"con", "prn", "aux", "nul", "com9", "lpt1"})
            EXPECT_NE(stem, device);
    }
}

TEST(ProfileName, CaseAndCompositionMakeOneProfile) {
    EXPECT_EQ(File("Shooter"), File("SHOOTER"));
    EXPECT_EQ(File("Büro"), File("BÜRO"));
    // "é" composed and as "e" with a combining acute accent.
    EXPECT_EQ(File("Caf\xc3\xa9"), File("Cafe\xcc\x81"));
    EXPECT_EQ(File("CAFE\xcc\x81"), File("caf\xc3\xa9"));
    EXPECT_EQ(File("Стратегия"), File("СТРАТЕГИЯ"));
    EXPECT_EQ(File("Ωmega"), File("ωMEGA"));
}

TEST(ProfileName, DifferentNamesGetDifferentFiles) {
    // Escapes of their own look like other names' escapes unless '%' is escaped too.
    std::set<std::string> files;
    const std::vector<std::string> names = {"a b",  "a%20b", "a_b",      "a-b",
                                            "a.b",  "a%2Eb", "ab",       "Caf\xc3\xa9",
                                            "Cafe", "ss",    "\xc3\x9f", "x~1"};
    for (const std::string& n : names) files.insert(File(n));
    EXPECT_EQ(files.size(), names.size());
    // Long names are cut, but told apart by the rest of the name.
    std::string a, b;
    for (int i = 0; i < 63; ++i) a += "\xf0\x9f\x8e\xae";
    b = a + "x";
    a += "y";
    EXPECT_NE(File(a), File(b));
}

TEST(ProfileName, OnlyOurFileNamesAreListed) {
    EXPECT_TRUE(LooksLikeProfileFile("shooter.json"));
    EXPECT_FALSE(LooksLikeProfileFile(".json"));
    EXPECT_FALSE(LooksLikeProfileFile("Shooter.json"));  // never made: names are folded
    EXPECT_FALSE(LooksLikeProfileFile(".shooter.json.ornyx-Ab12Cd"));
    EXPECT_FALSE(LooksLikeProfileFile("notes.txt"));
    EXPECT_FALSE(LooksLikeProfileFile("a b.json"));
}

}  // namespace
}  // namespace ornyx::profiles
