// The profiles folder: saving, finding, listing, renaming and deleting, with
// hand-edited and hostile content in it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <span>
#include <vector>

#include "profiles/ProfileName.h"
#include "profiles/ProfileStore.h"
#include "session/Defaults.h"
#include "support/TempDir.h"

namespace ornyx::profiles {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

session::Profile Sample(std::uint8_t seed) {
    session::Profile p;
    p.firstRunFlag = 1;
    p.image = session::DefaultSettingsImage();
    p.image.reportRate() = seed % 4;
    for (std::size_t i = 0; i < p.labels.size(); ++i) p.labels[i] = "Label " + std::to_string(i);
    p.labels[0] = "Tir " + std::to_string(seed);
    p.macros = {{"Burst", "3", {"A   Dn", "50 ms", "A   Up"}}};
    return p;
}

bool Same(const session::Profile& a, const session::Profile& b) {
    return a.firstRunFlag == b.firstRunFlag && a.image == b.image && a.labels == b.labels &&
           a.macros == b.macros;
}

class ProfileStoreTest : public ::testing::Test {
protected:
    TempDir home;
    ProfileStore store{home.path()};
    std::string error;

    std::vector<StoredProfile> List() {
        const auto all = store.List(error);
        EXPECT_TRUE(all.has_value()) << error;
        return all.value_or(std::vector<StoredProfile>{});
    }
};

TEST_F(ProfileStoreTest, SavedProfilesComeBackByAnyCaseOrComposition) {
    EXPECT_TRUE(List().empty());  // no folder yet is no profile, not an error
    ASSERT_TRUE(store.Save("Café Büro", Sample(1), false, error)) << error;
    ASSERT_TRUE(store.Save("射击", Sample(2), false, error)) << error;

    StoredProfile found;
    ASSERT_EQ(store.Find("CAFE\xcc\x81 BÜRO", found, error), ProfileStore::Found::Ok) << error;
    EXPECT_EQ(found.name, "Café Büro");  // as it was saved, not as it was asked for
    EXPECT_TRUE(Same(found.profile, Sample(1)));

    const auto all = List();
    ASSERT_EQ(all.size(), 2u);
    for (const StoredProfile& p : all) EXPECT_TRUE(p.usable) << p.name << ": " << p.reason;
    EXPECT_EQ(store.Find("nothing", found, error), ProfileStore::Found::Missing);
}

TEST_F(ProfileStoreTest, SaveReplacesOnlyWhenAskedTo) {
    ASSERT_TRUE(store.Save("Shooter", Sample(1), false, error)) << error;
    const std::string before = ReadText(store.folder() / *FileNameFor("Shooter"));
    EXPECT_FALSE(store.Save("SHOOTER", Sample(2), false, error));
    EXPECT_NE(error.find("exists already"), std::string::npos) << error;
    EXPECT_EQ(ReadText(store.folder() / *FileNameFor("Shooter")), before);
    ASSERT_TRUE(store.Save("SHOOTER", Sample(2), true, error)) << error;
    StoredProfile found;
    ASSERT_EQ(store.Find("shooter", found, error), ProfileStore::Found::Ok);
    EXPECT_EQ(found.name, "SHOOTER");
    EXPECT_TRUE(Same(found.profile, Sample(2)));
}

TEST_F(ProfileStoreTest, HostileNamesStayInsideTheFolder) {
    for (const std::string& name :
         std::vector<std::string>{"../x", "../../escape", "/etc/passwd", ".", "..", "a\\b"}) {
        ASSERT_TRUE(store.Save(name, Sample(1), false, error)) << name << ": " << error;
    }
    EXPECT_FALSE(fs::exists(home.path() / "x"));
    EXPECT_FALSE(fs::exists(home.path().parent_path() / "escape"));
    std::size_t inside = 0;
    for (const auto& e : fs::directory_iterator(store.folder())) {
        EXPECT_TRUE(e.is_regular_file()) << e.path();
        if (e.path().filename() != ".index") ++inside;
    }
    EXPECT_EQ(inside, 6u);
    EXPECT_EQ(List().size(), 6u);
    for (const std::string& bad : std::vector<std::string>{"", std::string("a\0b", 3), "a\nb"}) {
        EXPECT_FALSE(store.Save(bad, Sample(1), false, error));
        EXPECT_NE(error.find("the profile name"), std::string::npos) << error;
    }
    EXPECT_EQ(List().size(), 6u);
}

TEST_F(ProfileStoreTest, HandEditedFilesAreListedAsUnusableWithTheReason) {
    ASSERT_TRUE(store.Save("Good", Sample(1), false, error)) << error;
    WriteText(store.folder() / "broken.json", "{\"format\": ");
    nlohmann::json newer = nlohmann::json::parse(ReadText(store.folder() / "good.json"));
    newer["version"] = 99;
    newer["name"] = "Newer";
    WriteText(store.folder() / "newer.json", newer.dump());
    // A copy under another file name: its name would find the other file.
    fs::copy_file(store.folder() / "good.json", store.folder() / "copy.json");
    WriteText(store.folder() / "notes.txt", "not a profile");

    const auto all = List();
    ASSERT_EQ(all.size(), 4u);
    std::map<std::string, StoredProfile> byFile;
    for (const StoredProfile& p : all) byFile[p.file] = p;
    EXPECT_TRUE(byFile["good.json"].usable);
    EXPECT_FALSE(byFile["broken.json"].usable);
    EXPECT_FALSE(byFile["broken.json"].reason.empty());
    EXPECT_FALSE(byFile["newer.json"].usable);
    EXPECT_NE(byFile["newer.json"].reason.find("version"), std::string::npos);
    EXPECT_EQ(byFile["newer.json"].name, "Newer");  // its name still reads
    EXPECT_FALSE(byFile["copy.json"].usable);
    EXPECT_NE(byFile["copy.json"].reason.find("good.json"), std::string::npos);

    StoredProfile found;
    // A wrong setting is found when the profile is read whole, and refused.
    nlohmann::json wrongColour = nlohmann::json::parse(ReadText(store.folder() / "good.json"));
    wrongColour["dpi"]["levels"][0]["colour"] = "red";
    WriteText(store.folder() / "good.json", wrongColour.dump());
    EXPECT_EQ(store.Find("Good", found, error), ProfileStore::Found::Unusable);
    EXPECT_NE(error.find("dpi.levels[0].colour"), std::string::npos) << error;
    EXPECT_EQ(store.Find("Newer", found, error), ProfileStore::Found::Unusable);
    EXPECT_NE(error.find("version"), std::string::npos) << error;
    EXPECT_EQ(store.Find("broken", found, error), ProfileStore::Found::Unusable);
}

// The listing reads only the header; whatever it refuses, the whole read
// refuses too, for the same field.
TEST(ProfileSummary, RefusesWhatTheWholeReadRefuses) {
    const std::string good = ProfileDocument("Good", Sample(1));
    nlohmann::json doc = nlohmann::json::parse(good);
    const auto variant = [&](const char* key, nlohmann::json value) {
        nlohmann::json d = doc;
        if (value.is_null()) {
            d.erase(key);
        } else {
            d[key] = value;
        }
        return d.dump();
    };
    const std::vector<std::string> texts = {
        good,
        good.substr(0, good.size() / 2),
        "",
        "[1, 2]",
        "{\"name\": \"Good\"} trailing",
        variant("version", 2),
        variant("version", "1"),
        variant("format", "other"),
        variant("name", nullptr),
        variant("name", 7),
        variant("name", "Other"),
        variant("name", "a\nb"),
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(texts[i].data()),
                              texts[i].size());
        const StoredProfile whole = ReadProfileDocument(bytes, "good.json");
        const StoredProfile summary = ReadProfileSummary(bytes, "good.json");
        EXPECT_EQ(summary.usable, whole.usable) << i << ": " << whole.reason;
        EXPECT_EQ(summary.name, whole.name) << i;
        if (!whole.usable) {
            EXPECT_EQ(summary.reason.substr(0, summary.reason.find(':')),
                      whole.reason.substr(0, whole.reason.find(':')))
                << i << ": " << summary.reason << " / " << whole.reason;
        }
    }
}

// The index spares reading unchanged files; a file changed by hand, or an
// index that lies or is not ours, never makes the listing or a switch trust
// what the file does not say.
TEST_F(ProfileStoreTest, TheIndexNeverHidesAChangedFile) {
    ASSERT_TRUE(store.Save("A", Sample(1), false, error)) << error;
    ASSERT_TRUE(store.Save("B", Sample(2), false, error)) << error;
    ASSERT_TRUE(fs::exists(store.folder() / ".index"));
    // Same size, new content: the time tells.
    const std::string text = ReadText(store.folder() / "a.json");
    const auto saved = fs::last_write_time(store.folder() / "a.json");
    WriteText(store.folder() / "a.json", std::string(text.size(), '{'));
    // A hand edit comes later than the save; some systems keep whole seconds.
    fs::last_write_time(store.folder() / "a.json", saved + std::chrono::seconds(2));
    auto all = List();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_FALSE(all[0].usable);
    EXPECT_TRUE(all[1].usable);

    // An index claiming the broken file is fine: 'use' reads the file itself.
    nlohmann::json index = nlohmann::json::parse(ReadText(store.folder() / ".index"));
    ASSERT_TRUE(store.Save("C", Sample(3), false, error)) << error;
    index = nlohmann::json::parse(ReadText(store.folder() / ".index"));
    ASSERT_EQ(index["entries"].size(), 3u);
    StoredProfile found;
    EXPECT_EQ(store.Find("A", found, error), ProfileStore::Found::Unusable);

    for (const std::string& bad : std::vector<std::string>{
             "", "[]", "{\"version\":1,\"entries\":[{\"file\":1}]}", std::string(100, '\0')}) {
        WriteText(store.folder() / ".index", bad);
        all = List();
        ASSERT_EQ(all.size(), 3u);
        EXPECT_FALSE(all[0].usable);
        EXPECT_EQ(all[1].name, "B");
        EXPECT_EQ(all[2].name, "C");
    }
}

TEST_F(ProfileStoreTest, AFolderThatIsNoFolderIsRefusedNotReplaced) {
    WriteText(store.folder(), "a file");
    EXPECT_FALSE(store.List(error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    EXPECT_FALSE(store.Save("A", Sample(1), false, error));
    EXPECT_EQ(ReadText(store.folder()), "a file");
}

TEST_F(ProfileStoreTest, AKilledSavesLeftoversAreRemovedByTheNextSave) {
    ASSERT_TRUE(store.Save("A", Sample(1), false, error)) << error;
    // As a save killed before its rename leaves it: ours, and nobody holds it.
    WriteText(store.folder() / ".a.json.ornyx-Ab12Cd", "half");
    WriteText(store.folder() / ".a.json.backup", "the user's own");
    EXPECT_EQ(List().size(), 1u);
    ASSERT_TRUE(store.Save("A", Sample(2), true, error)) << error;
    EXPECT_FALSE(fs::exists(store.folder() / ".a.json.ornyx-Ab12Cd"));
    EXPECT_EQ(ReadText(store.folder() / ".a.json.backup"), "the user's own");
}

TEST_F(ProfileStoreTest, RenameKeepsTheSettingsAndRefusesToOverwrite) {
    ASSERT_TRUE(store.Save("A", Sample(1), false, error)) << error;
    ASSERT_TRUE(store.Save("B", Sample(2), false, error)) << error;
    EXPECT_FALSE(store.Rename("A", "b", error));
    EXPECT_FALSE(store.Rename("missing", "C", error));
    ASSERT_TRUE(store.Rename("A", "Office", error)) << error;
    ASSERT_TRUE(store.Rename("office", "OFFICE", error)) << error;  // only the case
    StoredProfile found;
    EXPECT_EQ(store.Find("A", found, error), ProfileStore::Found::Missing);
    ASSERT_EQ(store.Find("Office", found, error), ProfileStore::Found::Ok);
    EXPECT_EQ(found.name, "OFFICE");
    EXPECT_TRUE(Same(found.profile, Sample(1)));
    EXPECT_EQ(List().size(), 2u);

    EXPECT_TRUE(store.Remove("b", error)) << error;
    EXPECT_FALSE(store.Remove("b", error));
    EXPECT_EQ(List().size(), 1u);
}

TEST(ActiveProfileNote, OnlyOurOwnNoteIsBelieved) {
    TempDir home;
    EXPECT_FALSE(ReadActiveProfile(home.path()));
    ASSERT_TRUE(WriteActiveProfile(home.path(), {"Büro", true}).ok);
    const auto active = ReadActiveProfile(home.path());
    ASSERT_TRUE(active);
    EXPECT_EQ(active->name, "Büro");
    EXPECT_TRUE(active->sent);
    for (const std::string& bad :
         std::vector<std::string>{"", "{", "[]", "{\"version\":2,\"name\":\"A\",\"sent\":true}",
                                  "{\"version\":1,\"name\":\"a\\nb\",\"sent\":true}",
                                  "{\"version\":1,\"name\":\"A\"}"}) {
        WriteText(home / kActiveFileName, bad);
        EXPECT_FALSE(ReadActiveProfile(home.path())) << bad;
    }
}

}  // namespace
}  // namespace ornyx::profiles
