// Links where the profiles folder and the active-profile note belong: never
// followed to write elsewhere.
#include <gtest/gtest.h>

#include <filesystem>

#include "profiles/ProfileStore.h"
#include "session/Defaults.h"
#include "support/TempDir.h"

namespace ornyx::profiles {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

TEST(ProfileStoreLinks, AFolderThatLinksToItselfIsRefusedNotReplaced) {
    TempDir home;
    ProfileStore store{home.path()};
    std::string error;
    fs::create_symlink("profiles", store.folder());
    EXPECT_FALSE(store.List(error));
    EXPECT_FALSE(error.empty());
    session::Profile profile;
    profile.image = session::DefaultSettingsImage();
    EXPECT_FALSE(store.Save("A", profile, false, error));
    StoredProfile found;
    EXPECT_EQ(store.Find("A", found, error), ProfileStore::Found::Failed);
    EXPECT_TRUE(fs::is_symlink(store.folder()));
}

TEST(ProfileStoreLinks, ALinkAtTheActiveNoteIsReplacedNotWrittenThrough) {
    TempDir home;
    WriteText(home / "elsewhere", "keep");
    fs::create_symlink("elsewhere", home / kActiveFileName);
    EXPECT_FALSE(ReadActiveProfile(home.path()));
    ASSERT_TRUE(WriteActiveProfile(home.path(), {"A", false}).ok);
    EXPECT_EQ(ReadText(home / "elsewhere"), "keep");
    EXPECT_FALSE(fs::is_symlink(home / kActiveFileName));
}

}  // namespace
}  // namespace ornyx::profiles
