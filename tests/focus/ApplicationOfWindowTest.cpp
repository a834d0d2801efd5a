// How a window's properties name its application, as X clients really set
// them and as a broken or hostile client might.
#include <gtest/gtest.h>

#include <string>

#include "focus/FocusWatcher.h"

namespace ornyx::focus {
namespace {

using namespace std::string_literals;

TEST(ApplicationOfWindowTest, TheBestPropertyThereNamesTheApplication) {
    EXPECT_EQ(ApplicationOfWindow("org.gnome.Nautilus", "", "nautilus\0Nautilus\0"s),
              "org.gnome.Nautilus");
    EXPECT_EQ(ApplicationOfWindow("", "org.kde.dolphin", "dolphin\0dolphin\0"s), "org.kde.dolphin");
    EXPECT_EQ(ApplicationOfWindow("", "", "xterm\0GameA\0"s), "GameA");
    // Some clients leave the last NUL out.
    EXPECT_EQ(ApplicationOfWindow("", "", "xterm\0GameA"s), "GameA");
}

TEST(ApplicationOfWindowTest, ADesktopFileIsNamedByItsIdWhateverWasStored) {
    EXPECT_EQ(ApplicationOfWindow("", "org.kde.kate.desktop", ""), "org.kde.kate");
    EXPECT_EQ(ApplicationOfWindow("", "/usr/share/applications/org.kde.kate.desktop", ""),
              "org.kde.kate");
    // Nothing left of it: the class speaks instead.
    EXPECT_EQ(ApplicationOfWindow("", "/usr/share/applications/", "a\0Kate"s), "Kate");
    EXPECT_EQ(ApplicationOfWindow("", ".desktop", "a\0Kate"s), ".desktop");
}

TEST(ApplicationOfWindowTest, CutEmptyAndUnterminatedValuesGiveWayOrNameNothing) {
    EXPECT_EQ(ApplicationOfWindow("", "", ""), "");
    EXPECT_EQ(ApplicationOfWindow("\0\0"s, "\0"s, "only-an-instance"), "");
    EXPECT_EQ(ApplicationOfWindow("", "", "instance\0"s), "");
    EXPECT_EQ(ApplicationOfWindow("", "", "\0\0"s), "");
    EXPECT_EQ(ApplicationOfWindow("id\0garbage"s, "", ""), "id");
    EXPECT_EQ(ApplicationOfWindow("", "", "a\0B\0C\0"s), "B");
}

}  // namespace
}  // namespace ornyx::focus
