// How a window's properties name its application, as X clients really set
// them and as a broken or hostile client might.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "focus/FocusWatcher.h"

namespace ornyx::focus {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

TEST(NamesOfWindowTest, EveryPropertyThereNamesTheApplicationBestFirst) {
    EXPECT_EQ(NamesOfWindow("org.gnome.Nautilus", "", "org.gnome.Nautilus\0Org.gnome.Nautilus\0"s),
              (Names{"org.gnome.Nautilus", "Org.gnome.Nautilus"}));
    EXPECT_EQ(NamesOfWindow("", "org.kde.dolphin", "dolphin\0dolphin\0"s),
              (Names{"org.kde.dolphin", "dolphin"}));
    EXPECT_EQ(NamesOfWindow("", "", "xterm\0GameA\0"s), (Names{"GameA", "xterm"}));
    // Some clients leave the last NUL out.
    EXPECT_EQ(NamesOfWindow("", "", "xterm\0GameA"s), (Names{"GameA", "xterm"}));
}

TEST(NamesOfWindowTest, ADesktopFileIsNamedByItsIdWhateverWasStored) {
    EXPECT_EQ(NamesOfWindow("", "org.kde.kate.desktop", ""), Names{"org.kde.kate"});
    EXPECT_EQ(NamesOfWindow("", "/usr/share/applications/org.kde.kate.desktop", ""),
              Names{"org.kde.kate"});
    // Nothing left of it: the class speaks instead.
    EXPECT_EQ(NamesOfWindow("", "/usr/share/applications/", "\0Kate"s), Names{"Kate"});
    EXPECT_EQ(NamesOfWindow("", ".desktop", ""), Names{".desktop"});
}

TEST(NamesOfWindowTest, CutEmptyAndUnterminatedValuesNameNothing) {
    EXPECT_EQ(NamesOfWindow("", "", ""), Names{});
    EXPECT_EQ(NamesOfWindow("\0\0"s, "\0"s, "no-nul-so-no-class"), Names{});
    EXPECT_EQ(NamesOfWindow("", "", "instance\0"s), Names{"instance"});
    EXPECT_EQ(NamesOfWindow("", "", "\0\0"s), Names{});
    EXPECT_EQ(NamesOfWindow("id\0garbage"s, "", ""), Names{"id"});
    EXPECT_EQ(NamesOfWindow("", "", "a\0B\0C\0"s), (Names{"B", "a"}));
}

}  // namespace
}  // namespace ornyx::focus
