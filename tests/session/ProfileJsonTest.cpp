#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "session/Defaults.h"
#include "session/ProfileJson.h"

namespace ornyx::session {
namespace {

using settings::SettingsImage;

Profile Sample() {
    Profile p;
    p.firstRunFlag = 1;
    p.image = DefaultSettingsImage();
    // Every byte different, so that a field read into the wrong place shows.
    for (std::size_t i = 0; i < SettingsImage::kSize; ++i) {
        p.image.bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    p.image.shownMode() = 1;
    p.image.reportRate() = 2;
    p.image.dpiEnabled(1) = 1;
    p.image.dpiEnabled(2) = 0;
    for (std::size_t i = 0; i < p.labels.size(); ++i) p.labels[i] = "Label " + std::to_string(i);
    p.labels[3] = "Ünlü 左键";
    p.macros = {{"Burst", "3", {"A   Dn", "50 ms", "A   Up"}}, {"Empty", "1", {}}};
    return p;
}

TEST(ProfileJsonTest, ExportThenImportReproducesEveryByte) {
    const Profile original = Sample();
    const auto doc = ExportProfile(original);
    std::string error;
    const auto back = ImportProfile(nlohmann::json::parse(doc.dump()), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->image, original.image);
    EXPECT_EQ(back->firstRunFlag, 1);
    EXPECT_EQ(back->labels, original.labels);
    EXPECT_EQ(back->macros, original.macros);
    // Readable names where the values have them.
    EXPECT_EQ(doc["report_rate_hz"], 500);
    EXPECT_EQ(doc["shown_mode"], "B");
    EXPECT_EQ(doc["dpi"]["levels"][1]["enabled"], false);
}

TEST(ProfileJsonTest, DefaultsReadAsNames) {
    Profile p;
    p.image = DefaultSettingsImage();
    const auto doc = ExportProfile(p);
    EXPECT_EQ(doc["buttons"]["A"][0]["function"], "Left Click");
    EXPECT_EQ(doc["buttons"]["A"][5]["function"], "DPI Switch");
    EXPECT_EQ(doc["lighting"]["mode"], "Standard");
    EXPECT_EQ(doc["lighting"]["standard_brightness"], "100%");
    EXPECT_EQ(doc["dpi"]["levels"][0]["colour"], "#ff3030");
    EXPECT_EQ(doc["dpi"]["levels"][0]["dpi"], "500");
    std::string error;
    EXPECT_TRUE(ImportProfile(nlohmann::json::parse(doc.dump()), error)) << error;
}

TEST(ProfileJsonTest, EachWrongFieldIsNamed) {
    const std::string good = ExportProfile(Sample()).dump();
    struct Case {
        const char* pointer;
        nlohmann::json value;
        const char* expected;
    };
    const Case cases[] = {
        {"/version", 2, "version"},
        {"/format", "other", "format"},
        {"/buttons/A/3/function", "Teleport", "buttons.A[3].function"},
        {"/buttons/B/11/parameters/fire_key_speed", 256, "buttons.B[11].parameters.fire_key_speed"},
        {"/buttons/A/0/label", 7, "buttons.A[0].label"},
        {"/report_rate_hz", 333, "report_rate_hz"},
        {"/dpi/levels/2/colour", "#12345", "dpi.levels[2].colour"},
        {"/dpi/levels/0/step", -1, "dpi.levels[0].step"},
        {"/dpi/levels/0/dpi", "800", "dpi.levels[0].dpi"},
        {"/lighting/mode", "Disco", "lighting.mode"},
        {"/lighting/neon_period", "16S", "lighting.neon_period"},
        {"/pointer/speed", "fast", "pointer.speed"},
        {"/macros/0/items/1", 50, "macros[0].items[1]"},
        {"/macro_slots_hex/4", "00", "macro_slots_hex[4]"},
        {"/reserved_hex", "zz", "reserved_hex"},
    };
    for (const Case& c : cases) {
        auto doc = nlohmann::json::parse(good);
        doc[nlohmann::json::json_pointer(c.pointer)] = c.value;
        std::string error;
        EXPECT_FALSE(ImportProfile(doc, error)) << c.pointer;
        EXPECT_EQ(error.rfind(c.expected, 0), 0u) << c.pointer << " gave: " << error;
    }
    // Missing fields and wrong shapes are named too.
    auto doc = nlohmann::json::parse(good);
    doc["buttons"]["A"].erase(11);
    std::string error;
    EXPECT_FALSE(ImportProfile(doc, error));
    EXPECT_EQ(error.rfind("buttons.A", 0), 0u) << error;
    doc = nlohmann::json::parse(good);
    doc.erase("lighting");
    EXPECT_FALSE(ImportProfile(doc, error));
    EXPECT_EQ(error, "lighting: is missing");
    EXPECT_FALSE(ImportProfile(nlohmann::json::array(), error));
}

// Entries carry their button number; an edited file may list them in any order,
// and a number that names no button, or one named twice, is refused.
TEST(ProfileJsonTest, ButtonsArePlacedByTheirNumber) {
    const Profile original = Sample();
    const std::string good = ExportProfile(original).dump();
    auto doc = nlohmann::json::parse(good);
    std::swap(doc["buttons"]["A"][0], doc["buttons"]["A"][3]);
    std::reverse(doc["buttons"]["B"].begin(), doc["buttons"]["B"].end());
    std::string error;
    const auto back = ImportProfile(doc, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->image, original.image);
    EXPECT_EQ(back->labels, original.labels);

    struct Case {
        const char* pointer;
        nlohmann::json value;
        const char* expected;
    };
    const Case cases[] = {
        {"/buttons/A/4/button", 0, "buttons.A[4].button: must be a button number from 1 to 12"},
        {"/buttons/B/4/button", 13, "buttons.B[4].button: must be a button number from 1 to 12"},
        {"/buttons/A/4/button", "5", "buttons.A[4].button: must be a button number from 1 to 12"},
        {"/buttons/A/7/button", 2, "buttons.A[7].button: button 2 is listed twice"},
        {"/buttons/B/0/button", 12, "buttons.B[11].button: button 12 is listed twice"},
    };
    for (const Case& c : cases) {
        doc = nlohmann::json::parse(good);
        doc[nlohmann::json::json_pointer(c.pointer)] = c.value;
        EXPECT_FALSE(ImportProfile(doc, error)) << c.pointer;
        EXPECT_EQ(error, c.expected) << c.pointer;
    }
    doc = nlohmann::json::parse(good);
    doc["buttons"]["A"][6].erase("button");
    EXPECT_FALSE(ImportProfile(doc, error));
    EXPECT_EQ(error, "buttons.A[6].button: is missing");
}

// The parser refuses a key given twice in one object: with "last wins", a wrong
// first "format" or "version" would pass unseen.
TEST(ProfileJsonTest, RepeatedKeysAreRefusedWithTheirPath) {
    const std::string good = ExportProfile(Sample()).dump();
    std::string error;
    const auto parse = [&](const std::string& text) {
        return ParseProfile(
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error);
    };
    const auto parsed = parse(good);
    ASSERT_TRUE(parsed) << error;
    EXPECT_TRUE(ImportProfile(*parsed, error)) << error;

    struct Case {
        std::string text;
        const char* expected;
    };
    const auto with = [&](const std::string& at, const std::string& insert) {
        std::string s = good;
        s.insert(s.find(at), insert);
        return s;
    };
    const Case cases[] = {
        {"{\"format\":\"other\"," + good.substr(1), "format: is given more than once"},
        {with("\"version\"", "\"version\":7,"), "version: is given more than once"},
        {with("\"function\"", "\"label\":\"x\","), "buttons.A[0].label: is given more than once"},
        {with("\"colour\"", "\"colour\":\"#000000\","),
         "dpi.levels[0].colour: is given more than once"},
        {"{\"a\":[1,{\"b\":1}],\"c\":[[],{\"d\":{\"e\":1,\"E\":2,\"e\":3}}]}",
         "c[1].d.e: is given more than once"},
        {"{\"format\": ", "not valid JSON"},
        {"[1,2] x", "not valid JSON"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(parse(c.text)) << c.text;
        EXPECT_EQ(error, c.expected) << c.text;
    }
    // The same key in different objects is no repetition.
    EXPECT_TRUE(parse("{\"a\":{\"k\":1},\"b\":{\"k\":1},\"c\":[{\"k\":1},{\"k\":2}]}")) << error;
}

}  // namespace
}  // namespace ornyx::session
