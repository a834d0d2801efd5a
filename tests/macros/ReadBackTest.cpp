// What a profile may carry into record.ini: exactly what reads back.
#include <gtest/gtest.h>

#include "macros/MacroStore.h"
#include "support/TempDir.h"

namespace ornyx::macros {
namespace {

NamedMacro Macro(std::string name, std::vector<std::string> items, std::string loops = "1") {
    return {std::move(name), {std::move(loops), std::move(items)}};
}

TEST(ReadBackTest, RefusesWhatRecordIniWouldChangeAndNamesTheField) {
    struct Case {
        NamedMacro macro;
        std::string field;
    };
    const std::vector<Case> cases = {
        {Macro("Long", std::vector<std::string>(kMaxItems + 1, "A   Dn")), "items"},
        {Macro("Quoted", {"A   Dn", "\"50 ms\""}), "items[1]"},
        {Macro("Blank", {" A   Dn"}), "items[0]"},
        {Macro("Huge", {std::string(kValueBufferChars, '5')}), "items[0]"},
        {Macro("Loops", {}, "2 "), "loop_times"},
        {Macro("[x]", {}), "name"},
        {Macro(std::string(32, 'n'), {}), "name"},
        {Macro(" Padded", {}), "name"},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckReadBack(c.macro).field, c.field) << c.macro.name;
    EXPECT_EQ(CheckReadBack(cases[0].macro).reason, "at most 1024 items");

    // What passes is written and read back unchanged.
    const std::vector<NamedMacro> good = {
        Macro("Burst", {"A   Dn", "50 ms", "A   Up", ""}, "3"),
        Macro("Max", std::vector<std::string>(kMaxItems, std::string(kValueBufferChars - 1, '7')),
              ""),
    };
    for (const NamedMacro& m : good) EXPECT_TRUE(CheckReadBack(m).empty()) << m.name;
    test::TempDir dir;
    ASSERT_TRUE(ReplaceAllMacros(dir / "record.ini", good).ok);
    const auto back = ReadAllMacros(dir / "record.ini");
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ((*back)[i].name, good[i].name);
        EXPECT_EQ((*back)[i].macro.loopTimes, good[i].macro.loopTimes);
        EXPECT_EQ((*back)[i].macro.items, good[i].macro.items);
    }
}

}  // namespace
}  // namespace ornyx::macros
